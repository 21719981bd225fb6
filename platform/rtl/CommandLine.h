// The program's command-line arguments, by the framework's names.
#pragma once

#include <string>
#include <vector>

void SetCommandLine(int argc, const char* const* argv);
void SetCommandLine(const std::vector<std::string>& arguments);  // program name first
int ParamCount();
// 0 is the program; 1..ParamCount() the arguments; empty past the end.
std::string ParamStr(int index);
