// The path delimiter of POSIX systems.
#pragma once

constexpr char PathDelim = '/';
