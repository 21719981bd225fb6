// The path delimiter of Windows; the system takes "/" as well.
#pragma once

constexpr char PathDelim = '\\';
