// What each library's command line means. The lines come from the drivers;
// every switch a driver can send is here, honoured or accepted and ignored
// (nothing here shows dialogs or asks questions, so the switches about
// those change nothing). Any other switch is refused.
#include "libraries/core/command/CommandLanguages.h"

#include <iterator>
#include <vector>

namespace dv {
namespace {

using F = SwitchForm;

bool Overwrite(Command& c, const SwitchValue&) { return c.overwrite = true; }
bool KeepExisting(Command& c, const SwitchValue&) {
  c.overwrite = false;
  return true;
}
bool JunkPaths(Command& c, const SwitchValue&) { return c.junkPaths = true; }
bool Exclude(Command& c, const SwitchValue& v) {
  if (!v.text.empty()) c.excludes.push_back(v.text);
  return true;
}

// ---- LHA family (UNLHA32.DLL, UNARJ32J.DLL) --------------------------------
// Words: x extracts with folders, e without; a, u, m, f, d and s (adding,
// moving, freshening, deleting, self-extractors) are LHA words these
// libraries do not carry out. Honoured: -c1 (or -c) overwrites existing
// files, -x0 drops folders, -jx<pattern> leaves matching entries out.
// Every other switch of the set the LHA driver writes is accepted and
// ignored: -+, -n (display), -m (questions), -w (work folder), ...
bool LhaOverwrite(Command& c, const SwitchValue& v) {
  c.overwrite = v.number.value_or(1) >= 1;
  return true;
}
bool LhaFolders(Command& c, const SwitchValue& v) {
  c.junkPaths = v.number.value_or(1) == 0;
  return true;
}

// clang-format off
constexpr WordRule kLhaWords[] = {
    {"x", Operation::kExtract},         {"e", Operation::kExtract, true}, {"a", Operation::kUnsupported},
    {"u", Operation::kUnsupported},     {"m", Operation::kUnsupported},   {"f", Operation::kUnsupported},
    {"d", Operation::kUnsupported},     {"s", Operation::kUnsupported},
};
// clang-format on

// clang-format off
constexpr SwitchRule kLhaSwitches[] = {
    {"+", F::kFlag},       {"a", F::kNumber},   {"c", F::kNumber, &LhaOverwrite}, {"e", F::kNumber},
    {"f", F::kNumber},     {"h", F::kNumber},   {"i", F::kNumber},   {"l", F::kNumber},    {"m", F::kNumber},
    {"n", F::kNumber},     {"o", F::kNumber},   {"p", F::kNumber},   {"r", F::kNumber},    {"s", F::kNumber},
    {"t", F::kNumber},     {"u", F::kNumber},   {"w", F::kText},     {"x", F::kNumber, &LhaFolders},
    {"y", F::kNumber},     {"z", F::kNumber},   {"jc", F::kNumber},  {"jd", F::kNumber},   {"je", F::kNumber},
    {"jf", F::kNumber},    {"jh", F::kNumber},  {"ji", F::kNumber},  {"jm", F::kNumber},   {"jn", F::kNumber},
    {"jo", F::kText},      {"job", F::kText},   {"jp", F::kNumber},  {"jr", F::kNumber},   {"jss", F::kNumber},
    {"jw", F::kNumber},    {"jx", F::kText, &Exclude},                {"jyc", F::kNumber},  {"jyd", F::kNumber},
    {"jyk", F::kNumber},   {"jyn", F::kNumber}, {"jyo", F::kNumber}, {"jz", F::kText},     {"ga", F::kNumber},
    {"gd", F::kNumber},    {"ge", F::kNumber},  {"gf", F::kNumber},  {"gj", F::kNumber},   {"gm", F::kNumber},
    {"gn", F::kNumber},    {"go", F::kNumber},  {"gp", F::kNumber},  {"gr", F::kText},     {"gs", F::kNumber},
    {"gu", F::kNumber},    {"gw", F::kNumber},
};
// clang-format on

// ---- unzip (UNZIP32.DLL's UnZip, LMZIP32.DLL's Unzip) ----------------------
// Word: -x extracts. -o overwrites existing files, -n keeps them (the
// default), -j drops folders; --i (no dialogs) and -q (quiet) are ignored.
// Names use the ZIP syntax: "[...]" sets, a literal '[' written "[[]".
constexpr WordRule kUnzipWords[] = {{"-x", Operation::kExtract}};
// clang-format off
constexpr SwitchRule kUnzipSwitches[] = {
    {"o", F::kFlag, &Overwrite}, {"n", F::kFlag, &KeepExisting}, {"j", F::kFlag, &JunkPaths},
    {"-i", F::kFlag},            {"q", F::kFlag},
};
// clang-format on

// ---- ZIP maker (ZIP32J.DLL's Zip, LMZIP32.DLL's Zip) -----------------------
// No word: the line adds its files, replacing entries of the same names.
// Single-letter switches, which may be run together ("-ru"):
//   -u update (add new files, replace entries older than their file),
//   -f freshen (replace older entries only), -d delete the named entries;
//   when several are given, -d wins over -f, and -f over -u;
//   -r descend into named folders, -D store no folder entries, -j store
//   names without folders, -0 store, -1..-9 deflate at that level, -o date
//   the archive to its newest entry, -J drop a self-extractor's stub (a
//   self-extractor cannot be changed without it);
//   -S (system and hidden files: a dot file is an ordinary file here), -v,
//   -q, -F (repair: the reader already takes what it can), -k (DOS names)
//   are ignored.
// After the archive name, a name "-x" makes the names after it exclusions.
template <int Level>
bool SetLevel(Command& c, const SwitchValue&) {
  c.level = Level;
  return true;
}
bool Recurse(Command& c, const SwitchValue&) { return c.recurse = true; }
bool NoFolderEntries(Command& c, const SwitchValue&) {
  c.directoryEntries = false;
  return true;
}
bool DateArchive(Command& c, const SwitchValue&) { return c.dateArchiveToNewest = true; }
bool DropStub(Command& c, const SwitchValue&) { return c.dropStub = true; }
bool Delete(Command& c, const SwitchValue&) {
  c.operation = Operation::kZipDelete;
  return true;
}
bool Freshen(Command& c, const SwitchValue&) {
  if (c.operation != Operation::kZipDelete) c.operation = Operation::kZipFreshen;
  return true;
}
bool Update(Command& c, const SwitchValue&) {
  if (c.operation == Operation::kZipAdd) c.operation = Operation::kZipUpdate;
  return true;
}

// clang-format off
constexpr SwitchRule kZipSwitches[] = {
    {"S", F::kFlag},  {"D", F::kFlag, &NoFolderEntries}, {"v", F::kFlag},    {"q", F::kFlag},
    {"r", F::kFlag, &Recurse}, {"o", F::kFlag, &DateArchive}, {"u", F::kFlag, &Update}, {"j", F::kFlag, &JunkPaths},
    {"F", F::kFlag},  {"k", F::kFlag},  {"J", F::kFlag, &DropStub}, {"d", F::kFlag, &Delete},
    {"f", F::kFlag, &Freshen},  {"0", F::kFlag, &SetLevel<0>}, {"1", F::kFlag, &SetLevel<1>},
    {"2", F::kFlag, &SetLevel<2>}, {"3", F::kFlag, &SetLevel<3>}, {"4", F::kFlag, &SetLevel<4>},
    {"5", F::kFlag, &SetLevel<5>}, {"6", F::kFlag, &SetLevel<6>}, {"7", F::kFlag, &SetLevel<7>},
    {"8", F::kFlag, &SetLevel<8>}, {"9", F::kFlag, &SetLevel<9>},
};
// clang-format on

// ---- CAB32.DLL ---------------------------------------------------------------
// Words: -x extracts; -a (create) and -f (self-extractor) are not carried
// out. -o overwrites existing files, -j drops folders; -i (no dialogs), -r,
// -q and -v are ignored.
// clang-format off
constexpr WordRule kCabWords[] = {
    {"-x", Operation::kExtract}, {"-a", Operation::kUnsupported}, {"-f", Operation::kUnsupported}};
constexpr SwitchRule kCabSwitches[] = {
    {"o", F::kFlag, &Overwrite}, {"i", F::kFlag}, {"r", F::kFlag}, {"j", F::kFlag, &JunkPaths},
    {"q", F::kFlag},             {"v", F::kFlag},
};
// clang-format on

// ---- UNRAR32.DLL -------------------------------------------------------------
// Words: -x extracts with folders, -e without. Existing files are
// overwritten unless -u keeps them (the driver sends -u unless asked to
// overwrite); -y (assume yes) and -s are ignored.
constexpr WordRule kRarWords[] = {{"-x", Operation::kExtract}, {"-e", Operation::kExtract, true}};
// clang-format off
constexpr SwitchRule kRarSwitches[] = {
    {"u", F::kFlag, &KeepExisting}, {"y", F::kFlag}, {"s", F::kFlag}};

// ---- tar32.dll ---------------------------------------------------------------
// Words: x extracts (tar, tar.gz, tar.Z, tar.bz2, or the one file of a plain
// .gz, .Z or .bz2), c creates. -f names the archive, -o the folder to
// extract into or to take the files from. Each compression's switches
// (Compressions.h: -z and -zN gzip, -J and -JN xz, ...) make c write it, at
// level N within the compression's range; x finds the compression itself.
// --use-directory=0 drops folders; --exclude=PATTERN leaves entries out;
// --overwrite replaces existing files (the driver has no option for it, so
// only a user's own options carry it). -AH, -I, -g, -v, --display-dialog=N
// and --check-all-path=N are ignored.
bool TarFolders(Command& c, const SwitchValue& v) {
  c.junkPaths = v.number.value_or(1) == 0;
  return true;
}
bool ArchiveName(Command& c, const SwitchValue& v) {
  if (!c.archive.empty()) return false;  // one archive per line
  c.archive = v.text;
  return !v.text.empty();
}
bool BaseDirectory(Command& c, const SwitchValue& v) {
  c.baseDirectory = v.text;
  return true;
}

constexpr WordRule kTarWords[] = {{"x", Operation::kExtract}, {"c", Operation::kTarCreate}};
constexpr SwitchRule kTarSwitches[] = {
    {"f", F::kNextToken, &ArchiveName},
    {"o", F::kNextToken, &BaseDirectory},
    {"-use-directory=", F::kNumber, &TarFolders},
    {"-exclude=", F::kText, &Exclude},
    {"-overwrite", F::kFlag, &Overwrite},
    {"AH", F::kFlag},
    {"I", F::kFlag},
    {"g", F::kFlag},
    {"v", F::kFlag},
    {"-display-dialog=", F::kNumber},
    {"-check-all-path=", F::kNumber},
};
// clang-format on

// ---- 7-ZIP32.DLL -------------------------------------------------------------
// Lines in the manner of the 7-Zip command line. Words: x extracts with
// folders, e without; a adds files (replacing entries of the same name), u
// updates (replaces older entries, adds new files), d deletes the named
// entries. -oDIR (or a "DIR/" after the archive name) is the folder to
// extract into or take the files from. Existing files are kept unless -aoa
// overwrites them (-aos keeps them, as by default). -mx=N or -mxN sets the
// level (0 stores), -t7z is the only type, -x!PATTERN leaves entries out;
// -y (assume yes), -r (a named folder always brings its contents) and -bd
// (no progress) are ignored.
bool SevenZipType(Command&, const SwitchValue& v) { return v.text == "7z"; }
bool SevenZipLevel(Command& c, const SwitchValue& v) {
  if (!v.number || *v.number < 0 || *v.number > 9) return false;
  c.level = *v.number;
  return true;
}
bool SevenZipOutput(Command& c, const SwitchValue& v) {
  if (v.text.empty()) return false;
  c.baseDirectory = v.text;
  return true;
}

// clang-format off
constexpr WordRule kSevenZipWords[] = {
    {"x", Operation::kExtract},   {"e", Operation::kExtract, true}, {"a", Operation::kZipAdd},
    {"u", Operation::kZipUpdate}, {"d", Operation::kZipDelete},
};
// clang-format on
constexpr SwitchRule kSevenZipSwitches[] = {
    {"o", F::kText, &SevenZipOutput},
    {"aoa", F::kFlag, &Overwrite},
    {"aos", F::kFlag, &KeepExisting},
    {"mx", F::kNumber, &SevenZipLevel},
    {"mx=", F::kNumber, &SevenZipLevel},
    {"t", F::kText, &SevenZipType},
    {"x!", F::kText, &Exclude},
    {"y", F::kFlag},
    {"r", F::kFlag},
    {"bd", F::kFlag},
};

// The switches above and those of every compression.
std::vector<SwitchRule> TarSwitches() {
  std::vector<SwitchRule> rules(std::begin(kTarSwitches), std::end(kTarSwitches));
  for (const Compression& compression : Compressions()) {
    if (!compression.flagSwitch.empty())
      rules.push_back({.name = compression.flagSwitch, .form = F::kFlag, .compression = &compression});
    if (!compression.levelSwitch.empty())
      rules.push_back({.name = compression.levelSwitch, .form = F::kNumber, .compression = &compression});
  }
  return rules;
}

}  // namespace

bool ChooseCompression(Command& command, const SwitchValue& value, const Compression& compression) {
  command.compression = &compression;
  command.level = value.number.value_or(-1);
  return command.level == -1 || (command.level >= compression.lowestLevel && command.level <= compression.highestLevel);
}

const Language& LanguageOf(CommandLanguage language) {
  static const Language kLha{.words = kLhaWords, .switches = kLhaSwitches, .quotedSwitches = true};
  static const Language kUnzip{.words = kUnzipWords, .switches = kUnzipSwitches, .syntax = WildcardSyntax::kBrackets};
  static const Language kZip{.wordless = Operation::kZipAdd,
                             .switches = kZipSwitches,
                             .clustered = true,
                             .excludeMarker = "-x",
                             .syntax = WildcardSyntax::kBrackets};
  static const Language kCab{.words = kCabWords, .switches = kCabSwitches};
  static const Language kRar{.words = kRarWords, .switches = kRarSwitches, .overwriteByDefault = true};
  static const std::vector<SwitchRule> kTarAllSwitches = TarSwitches();
  static const Language kTar{.words = kTarWords, .switches = kTarAllSwitches, .switchesAnywhere = true};
  // Quoted switches: "-oFOLDER" holds blanks.
  static const Language kSevenZip{.words = kSevenZipWords, .switches = kSevenZipSwitches, .quotedSwitches = true};
  switch (language) {
    case CommandLanguage::kSevenZip: return kSevenZip;
    case CommandLanguage::kLha: return kLha;
    case CommandLanguage::kUnzip: return kUnzip;
    case CommandLanguage::kZip: return kZip;
    case CommandLanguage::kCab: return kCab;
    case CommandLanguage::kRar: return kRar;
    case CommandLanguage::kTar: return kTar;
  }
  return kLha;
}

}  // namespace dv
