// The program's icon as SVG text: the file the desktop installs
// (desktop/dovanel.svg), built into the program for its windows.
#pragma once

const char* ProgramIconSvg();
