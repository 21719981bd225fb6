// The sample sources the app suite's re-dating tests archive, the archives
// the usual tools make of them, and the rows a run leaves on the main form.
#pragma once

#include <ctime>
#include <filesystem>
#include <map>
#include <string>

class Tdovanel;

namespace sample_archives {
// Even seconds: some tools round odd ones up when they write a DOS time.
inline constexpr char kNewestStamp[] = "2001-05-06 10:20:30";
inline constexpr char kOlderStamp[] = "1999-12-31 23:59:58";
// kNewestStamp in the tests' zone (JST), as the re-dated archive's time.
inline constexpr std::time_t kNewestDos = 989112030;
// kNewestStamp as the run's row shows it.
inline constexpr char kNewestText[] = "2001/05/06 | 10:20:30";
// 2020-01-02 12:04:06 local, any old time an archive has before the run.
inline constexpr std::time_t kBefore = 1577934246;

// The application with the plain command line and the run's date formats,
// our real libraries, and no driver unit loaded yet.
void PrepareRealRun();

// Writes `newest` (a path relative to `dir`) dated kNewestStamp; a folder it
// lies in is dated kOlderStamp, since some tools list folders as entries.
void MakeNewest(const std::filesystem::path& dir, const std::string& newest, const std::string& bytes);
// The newest entry as above and old.txt beside it, dated kOlderStamp.
void MakeSources(const std::filesystem::path& dir, const std::string& newest, const std::string& newBytes,
                 const std::string& oldBytes);

// Runs `command 'archive' names` inside `sources`, making the archive's
// folder first, and dates the archive kBefore.
std::string MakeArchive(const std::filesystem::path& sources, const std::filesystem::path& archive,
                        const std::string& command, const std::string& names);

// The form's rows: ListBox1's path -> ListBox3's outcome.
std::map<std::string, std::string> RowOutcomes(const Tdovanel& form);
}  // namespace sample_archives
