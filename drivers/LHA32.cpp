#include "drivers/LHA32.h"

#include <array>
#include <cstdint>
#include <string_view>

#include "drivers/base/CmdOpt.h"

namespace {
using O = TArchiverOptions;

// The LHA command language: every option is named after its switch, so a row
// is the switch, how its value is written, and the option it reads.
enum class TLhaForm { Fixed, Number, OwnerNumber, Text, Directory, List };

struct TLhaSwitch {
  const char* name;
  TLhaForm form;
  std::int8_t O::*number = nullptr;
  std::string O::*text = nullptr;
  TStringList O::*list = nullptr;
};

constexpr TLhaSwitch Fixed(const char* piece) { return {piece, TLhaForm::Fixed}; }
constexpr TLhaSwitch Num(const char* name, std::int8_t O::*number) { return {name, TLhaForm::Number, number}; }
constexpr TLhaSwitch Txt(const char* name, std::string O::*text) { return {name, TLhaForm::Text, nullptr, text}; }
constexpr TLhaSwitch Lst(const char* name, TStringList O::*list) {
  return {name, TLhaForm::List, nullptr, nullptr, list};
}

// In the order the library expects them: "-+", then every option of the set
// in its own order, each written as its kind; only n (n1 while an owner
// window is registered) and w (a folder) are written their own way.
#define DV_LHA_NUMBER(name) Num(#name, &O::name),
#define DV_LHA_TEXT(name) Txt(#name, &O::name),
#define DV_LHA_LIST(name) Lst(#name, &O::name),
constexpr auto kLhaSwitches = [] {
  std::array rows{Fixed("-+"), DV_OPTION_SWITCHES(DV_LHA_NUMBER, DV_LHA_TEXT, DV_LHA_LIST)};
  for (TLhaSwitch& row : rows) {
    const std::string_view name = row.name;
    if (name == "n") row.form = TLhaForm::OwnerNumber;
    if (name == "w") row.form = TLhaForm::Directory;
  }
  return rows;
}();
#undef DV_LHA_NUMBER
#undef DV_LHA_TEXT
#undef DV_LHA_LIST

void AddLhaSwitch(TCmdOpt& builder, const TLhaSwitch& row, const O& options, bool hasOwnerWindow) {
  switch (row.form) {
    case TLhaForm::Fixed: builder.Append(row.name); break;
    case TLhaForm::Number: builder.AddIntSwitch(row.name, options.*row.number); break;
    // A registered owner window makes the library report to it: n1 whatever the option says.
    case TLhaForm::OwnerNumber: builder.AddIntSwitch(row.name, hasOwnerWindow ? 1 : options.*row.number); break;
    case TLhaForm::Text: builder.AddSwitch(row.name, options.*row.text); break;
    case TLhaForm::Directory: builder.AddPath(row.name, options.*row.text); break;
    case TLhaForm::List: builder.AddFileNames(row.name, options.*row.list); break;
  }
}
}  // namespace

TSingleLibraryUnit& LhaUnit() {
  static TSingleLibraryUnit unit("UNLHA32.DLL", "Unlha", "UNLHA32.DLL is needed to handle LHA archives.");
  return unit;
}

TDriverUnit& TLha32::ListingUnit() const { return LhaUnit(); }

std::string TLha32::MakeCommandLine(const std::string& word, const TCommandRequest& request) const {
  TCmdOpt builder;
  for (const TLhaSwitch& row : kLhaSwitches) AddLhaSwitch(builder, row, request.options, OwnerWindow != nullptr);
  AddCommonTail(builder, request);
  return word + builder.Text;
}

int TLha32::Run(const std::string& word, HWND ownerWindow, const TCommandRequest& request, std::string& output) {
  CommandLine = MakeCommandLine(word, request);
  return RunCommandLine(LhaUnit(), TEntry::Command, ownerWindow, output);
}

int TLha32::Unpack(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
                   const std::string& baseDirectory, const TStringList* files, bool, std::string& output) {
  return Run("x", ownerWindow, {archiveName, options, baseDirectory, files, options.ResFileUsage.Contains(ruOnUnpack)},
             output);
}

int TLha32::Pack(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
                 const std::string& baseDirectory, const TStringList* files, bool, std::string& output) {
  return Run("u", ownerWindow, {archiveName, options, baseDirectory, files, options.ResFileUsage.Contains(ruOnPack)},
             output);
}

int TLha32::RemoveItem(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
                       const std::string&, const TStringList* files, bool, std::string& output) {
  return Run("d", ownerWindow, {archiveName, options, "", files, options.ResFileUsage.Contains(ruOnRemoveItem)},
             output);
}

int TLha32::Update(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
                   const std::string& baseDirectory, const TStringList* files, bool, std::string& output) {
  return Run("f", ownerWindow, {archiveName, options, baseDirectory, files, options.ResFileUsage.Contains(ruOnUpdate)},
             output);
}

int TLha32::MakeSFX(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
                    const std::string& directory, std::string& output) {
  return Run("s", ownerWindow, {archiveName, options, directory, nullptr, false}, output);
}

bool IsLhaArchive(const std::string& fileName) { return ProbeArchive(LhaUnit(), fileName, true); }
