// The creation target: a small tree described by the input, a creating
// line over it, and what must hold afterwards (FuzzEntries.h).
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "contract/ResultCodes.h"
#include "fuzz/FuzzEntries.h"
#include "fuzz/FuzzSupport.h"

namespace dvfuzz {
namespace {

constexpr std::size_t kMaxLines = 64;
constexpr std::size_t kMaxNameLength = 120;

// "%XX" as the byte XX; the rest as it is.
std::string Unescape(std::string_view text) {
  const auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const int high = digit(text[i + 1]), low = digit(text[i + 2]);
      if (high >= 0 && low >= 0) {
        bytes += static_cast<char>(high * 16 + low);
        i += 2;
        continue;
      }
    }
    bytes += text[i];
  }
  return bytes;
}

std::vector<std::string> Components(std::string_view path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find('/', start), path.size());
    parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

// A name of the tree: relative, no empty, "." or ".." part, no NUL.
bool TreeName(const std::string& name) {
  if (name.empty() || name.size() > kMaxNameLength || name.find('\0') != std::string::npos) return false;
  for (const std::string& part : Components(name))
    if (part.empty() || part == "." || part == "..") return false;
  return true;
}

// A name of the line: relative, at most one "..", no double quote (the
// line quotes it), nothing a response file would read.
bool LineName(const std::string& name) {
  if (name.empty() || name.size() > kMaxNameLength || name[0] == '/' || name[0] == '@') return false;
  if (name.find_first_of(std::string("\"\0\r\n", 4)) != std::string::npos) return false;
  int climbs = 0;
  for (const std::string& part : Components(name)) climbs += part == "..";
  return climbs <= 1;
}

// A switch token the harness lets through: "-" and then letters, digits and
// "=*.?-"; never one that names the archive or the folder.
bool SwitchToken(const std::string& token, CreateKind kind) {
  if (token.size() < 2 || token.size() > 32 || token[0] != '-') return false;
  for (const char c : token)
    if (!std::isalnum(static_cast<unsigned char>(c)) && std::strchr("=*.?-", c) == nullptr) return false;
  return kind != CreateKind::kTar || (token != "-f" && token != "-o");
}

struct Request {
  std::vector<std::string> switches, names;
  bool old = false, junkOld = false, inside = false;
};

// Makes what one line describes below `tree`; lines it cannot make are
// passed by, as a user's mistakes would be.
void MakeInTree(const std::string& tree, char kind, const std::string& rest) {
  std::string name = rest, value;
  const char separator = kind == 'f' ? '=' : '>';
  if (kind != 'd' && kind != 'p') {
    if (const std::size_t at = rest.find(separator); at != std::string::npos) {
      name = rest.substr(0, at);
      value = rest.substr(at + 1);
    } else if (kind != 'f') {
      return;
    }
  }
  name = Unescape(name);
  if (!TreeName(name)) return;
  const std::filesystem::path path = std::filesystem::path(tree) / name;
  std::error_code error;
  std::filesystem::create_directories(path.parent_path(), error);
  if (error) return;
  const std::string where = path.string();
  switch (kind) {
    case 'f': {
      const std::string data = Unescape(value);
      WriteScratch(where, reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
      break;
    }
    case 'd': std::filesystem::create_directory(path, error); break;
    case 'p': ::mkfifo(where.c_str(), 0644); break;
    case 'l': ::symlink(Unescape(value).c_str(), where.c_str()); break;
    case 'h': {
      const std::string target = Unescape(value);
      struct stat info {};
      const std::string from = tree + "/" + target;
      if (TreeName(target) && ::lstat(from.c_str(), &info) == 0 && S_ISREG(info.st_mode))
        ::link(from.c_str(), where.c_str());
      break;
    }
    default: break;
  }
}

Request Describe(const std::string& tree, std::string_view text, CreateKind kind) {
  Request request;
  std::size_t lines = 0;
  for (std::size_t start = 0; start < text.size() && lines < kMaxLines; ++lines) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    const std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (line.empty()) continue;
    const std::string rest(line.size() > 2 && line[1] == ' ' ? line.substr(2) : std::string_view());
    switch (line[0]) {
      case 'o': request.old = true; break;
      case 'O': request.junkOld = true; break;
      case 'i': request.inside = true; break;
      case 'n': {
        const std::string name = Unescape(rest);
        if (LineName(name)) request.names.push_back(name);
        break;
      }
      case 's':
        for (std::size_t at = 0; at < rest.size();) {
          const std::size_t blank = std::min(rest.find(' ', at), rest.size());
          const std::string token = rest.substr(at, blank - at);
          if (SwitchToken(token, kind)) request.switches.push_back(token);
          at = blank + 1;
        }
        break;
      case 'f':
      case 'd':
      case 'l':
      case 'h':
      case 'p': MakeInTree(tree, line[0], rest); break;
      default: break;
    }
  }
  return request;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// The creating line as the library's driver would write it.
std::string LineFor(CreateKind kind, const std::vector<std::string>& switches, const std::string& archive,
                    const std::string& tree, const std::vector<std::string>& names) {
  std::string line;
  if (kind == CreateKind::kTar) line = "c";
  if (kind == CreateKind::kLmZip32) line = "-ru";
  for (const std::string& token : switches) line += " " + token;
  if (kind == CreateKind::kTar) {
    line += " -f " + Quoted(archive) + " -o " + Quoted(tree + "/");
  } else {
    line += "  " + Quoted(archive);
    if (kind == CreateKind::kZip32j) line += " " + Quoted(tree + "/");
  }
  for (const std::string& name : names) line += " " + Quoted(name);
  return line;
}

// Runs `line`, from `folder` when one is given (LMZIP32.DLL's names are
// relative to the current folder), the current folder put back after.
int Run(ArcCommandFn command, const std::string& line, const std::string& folder, Outcome& outcome) {
  std::optional<std::filesystem::path> back;
  std::error_code error;
  if (!folder.empty()) {
    back = std::filesystem::current_path(error);
    std::filesystem::current_path(folder, error);
  }
  char output[256];
  std::memset(output, 0x7F, sizeof output);
  const int code = command(nullptr, line.c_str(), output, sizeof output);
  if (back) std::filesystem::current_path(*back, error);
  if (std::memchr(output, '\0', sizeof output) == nullptr) Fault(outcome, "the report is not terminated");
  return code;
}

// ZIP's clustered switches delete with a 'd' among the letters.
bool Deletes(const Request& request, CreateKind kind) {
  if (kind == CreateKind::kTar) return false;
  for (const std::string& token : request.switches)
    if (token.size() > 1 && token[1] != '-' && token.find('d') != std::string::npos) return true;
  return false;
}

// A stored name must not climb or be absolute. Only '/' separates: a '\'
// in a file's name on this system is one of its characters, stored as it is.
bool SafeListedName(const std::string& name) {
  if (name.empty() || name[0] == '/') return false;
  for (const std::string& part : Components(name))
    if (part == "..") return false;
  return true;
}

}  // namespace

Outcome CreateOutcome(const CreateFunctions& library, const CreateLibrary& which, const std::string& work,
                      const std::uint8_t* bytes, std::size_t size) {
  Outcome outcome;
  EmptyFolder(work);
  const std::string tree = work + "/tree", beside = work + "/arc", old = work + "/old";
  std::error_code error;
  for (const std::string& folder : {tree, beside, old}) std::filesystem::create_directory(folder, error);
  const Request request = Describe(tree, std::string_view(reinterpret_cast<const char*>(bytes), size), which.kind);
  const std::string extension = which.kind == CreateKind::kTar ? ".tar" : ".zip";
  const std::string folder = request.inside ? tree : beside;
  const std::string archive = folder + "/x" + extension;
  const bool lmzip = which.kind == CreateKind::kLmZip32;

  if (request.old) {
    const std::uint8_t data[] = {'o', 'l', 'd'};
    WriteScratch(old + "/old.txt", data, sizeof data);
    // The tree may hold a folder of the archive's name: then there is none.
    struct stat taken {};
    const bool free = ::lstat(archive.c_str(), &taken) != 0;
    const std::vector<std::string> none;
    const int made =
        Run(library.command, LineFor(lmzip ? CreateKind::kZip32j : which.kind, none, archive, old, {"old.txt"}), "",
            outcome);
    if (made != dv::kOk && free) Fault(outcome, "the old archive could not be made: " + Hex(made));
  } else if (request.junkOld) {
    const std::uint8_t junk[] = {'n', 'o', ' ', 'a', 'r', 'c', 'h', 'i', 'v', 'e', '\n'};
    WriteScratch(archive, junk, sizeof junk);
  }
  FolderPicture treeBefore = PictureOf(tree);
  treeBefore.erase("x" + extension);
  const FolderPicture folderBefore = PictureOf(folder);

  const int code = Run(library.command, LineFor(which.kind, request.switches, archive, tree, request.names),
                       lmzip ? tree : "", outcome);

  if (!KnownCommandCode(code)) Fault(outcome, "an unknown code " + Hex(code));
  FolderPicture treeAfter = PictureOf(tree);
  treeAfter.erase("x" + extension);
  if (const std::string changed = FirstDifference(treeBefore, treeAfter); !changed.empty())
    Fault(outcome, "the tree changed: " + changed);
  outcome.summary = "code=" + Hex(code);
  if (code == dv::kOk) {
    const ListedRecords listed = ListRecords(library.listing, archive, outcome);
    if (!listed.opened) Fault(outcome, "the new archive does not open");
    if (library.listing.check(archive.c_str(), 0) != TRUE) Fault(outcome, "the new archive does not check");
    if (listed.opened && listed.records.empty() && !Deletes(request, which.kind))
      Fault(outcome, "success with nothing stored");
    for (const ENTRYINFO& record : listed.records)
      if (!SafeListedName(record.szFileName)) Fault(outcome, std::string("stored the name ") + record.szFileName);
    if (!request.inside && PictureOf(beside).size() != 1) Fault(outcome, "more than the archive beside it");
    outcome.summary += " entries=" + std::to_string(listed.records.size());
  } else if (const std::string changed = FirstDifference(folderBefore, PictureOf(folder)); !changed.empty()) {
    // Any old archive byte for byte, and no file of the attempt left.
    Fault(outcome, "a failure changed the archive's folder: " + changed);
  }
  EmptyFolder(work);
  return outcome;
}

}  // namespace dvfuzz
