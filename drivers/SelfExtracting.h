// Self-extracting programs as the ZIP and tar drivers make them: a stub found
// on the search path, followed byte for byte by the archive.
#pragma once

#include <string>

// The archive's name with ".EXE" for its last extension; placed in
// `outputDirectory` when one is given.
std::string SelfExtractingName(const std::string& archiveName, const std::string& outputDirectory);

// The full path of a stub found by its bare name (SearchPathA); empty when
// there is none.
std::string FindStub(const std::string& stubName);

// Writes the stub, then the archive, into the executable. Raises EArchiver
// before opening anything when the executable would be the archive or the
// stub itself; when writing fails, the partly written executable is removed
// and the file system's error raised.
void WriteSelfExtracting(const std::string& stubPath, const std::string& archiveName,
                         const std::string& executableName);
