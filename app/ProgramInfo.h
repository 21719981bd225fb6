// What the program says about itself without starting: its version and how
// it is used, asked by "--help" or "--version" anywhere among the options.
#pragma once

#include <cstdio>

struct TArguments;

// The version, as the build sets it ("1.0.8.9").
const char* ProgramVersion();

// The program's name: the application's title, and so the window's caption
// and the message boxes'; the version line names it too.
const char* ProgramName();

// "Usage: dovanel [OPTION]... [PATH]...", and the line's end.
const char* UsageLine();

// When the arguments ask for the help or the version, prints the answer to
// `out` and returns the exit status: 0, or 1 when it could not be written
// whole. Otherwise prints nothing and returns -1.
int AnswerInformationRequest(const TArguments& arguments, std::FILE* out);
