// Carries out one command line of a library: parses it in the library's
// language and runs the operation on the library's format.
#pragma once

#include "libraries/core/command/CommandParser.h"
#include "libraries/core/read/Formats.h"

namespace dv {

CommandResult RunCommandLine(CommandLanguage language, Format format, const char* line);

// True while a command of this library runs (on any thread).
bool IsCommandRunning();

}  // namespace dv
