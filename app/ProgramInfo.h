// What the program says about itself without starting: its version and how
// it is used. Asked by "--help" or "--version" as the only argument; any other
// command line keeps its meaning (paths and the quiet switch).
#pragma once

#include <cstdio>

// The version, as the build sets it ("1.0.8.9").
const char* ProgramVersion();

// When the arguments are "--help" or "--version" alone, prints the answer to
// `out` and returns true; otherwise prints nothing and returns false.
bool AnswerInformationRequest(int argc, const char* const* argv, std::FILE* out);
