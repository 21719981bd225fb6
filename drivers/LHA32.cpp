#include "drivers/LHA32.h"

#include <cstdint>

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
constexpr TLhaSwitch Owner(const char* name, std::int8_t O::*number) {
  return {name, TLhaForm::OwnerNumber, number};
}
constexpr TLhaSwitch Txt(const char* name, std::string O::*text) { return {name, TLhaForm::Text, nullptr, text}; }
constexpr TLhaSwitch Dir(const char* name, std::string O::*text) {
  return {name, TLhaForm::Directory, nullptr, text};
}
constexpr TLhaSwitch Lst(const char* name, TStringList O::*list) {
  return {name, TLhaForm::List, nullptr, nullptr, list};
}

// In the order the library expects them.
const TLhaSwitch kLhaSwitches[] = {
    Fixed("-+"),
    Num("a", &O::a), Num("c", &O::c), Num("e", &O::e), Num("f", &O::f),
    Num("h", &O::h), Num("i", &O::i), Num("l", &O::l), Num("m", &O::m),
    Owner("n", &O::n),
    Num("o", &O::o), Num("p", &O::p), Num("r", &O::r), Num("s", &O::s), Num("t", &O::t), Num("u", &O::u),
    Dir("w", &O::w),
    Num("x", &O::x), Num("y", &O::y), Num("z", &O::z), Num("jc", &O::jc), Num("jd", &O::jd),
    Num("je", &O::je), Num("jf", &O::jf), Num("jh", &O::jh), Num("ji", &O::ji), Num("jm", &O::jm),
    Num("jn", &O::jn),
    Txt("jo", &O::jo), Txt("job", &O::job),
    Num("jp", &O::jp), Num("jr", &O::jr), Num("jss", &O::jss), Num("jw", &O::jw),
    Lst("jx", &O::jx),
    Num("jyc", &O::jyc), Num("jyd", &O::jyd), Num("jyk", &O::jyk), Num("jyn", &O::jyn), Num("jyo", &O::jyo),
    Txt("jz", &O::jz),
    Num("ga", &O::ga), Num("gd", &O::gd), Num("ge", &O::ge), Num("gf", &O::gf), Num("gj", &O::gj),
    Num("gm", &O::gm), Num("gn", &O::gn), Num("go", &O::go), Num("gp", &O::gp),
    Txt("gr", &O::gr),
    Num("gs", &O::gs), Num("gu", &O::gu), Num("gw", &O::gw),
};

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

std::string TLha32::MakeCommandLine(const std::string& word, const std::string& archiveName,
                                    const TArchiverOptions& options, const std::string& baseDirectory,
                                    const TStringList* files, bool useResponseFile) const {
  TCmdOpt builder;
  for (const TLhaSwitch& row : kLhaSwitches) AddLhaSwitch(builder, row, options, OwnerWindow != nullptr);
  AddCommonTail(builder, archiveName, options, baseDirectory, files, useResponseFile);
  return word + builder.Text;
}

int TLha32::Run(const std::string& word, HWND ownerWindow, const std::string& archiveName,
                const TArchiverOptions& options, const std::string& baseDirectory, const TStringList* files,
                bool useResponseFile, std::string& output) {
  CommandLine = MakeCommandLine(word, archiveName, options, baseDirectory, files, useResponseFile);
  return RunCommandLine(LhaUnit(), TEntry::Command, ownerWindow, output);
}

int TLha32::Unpack(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
                   const std::string& baseDirectory, const TStringList* files, bool, std::string& output) {
  return Run("x", ownerWindow, archiveName, options, baseDirectory, files,
             options.ResFileUsage.Contains(ruOnUnpack), output);
}

int TLha32::Pack(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
                 const std::string& baseDirectory, const TStringList* files, bool, std::string& output) {
  return Run("u", ownerWindow, archiveName, options, baseDirectory, files, options.ResFileUsage.Contains(ruOnPack),
             output);
}

int TLha32::RemoveItem(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
                       const std::string&, const TStringList* files, bool, std::string& output) {
  return Run("d", ownerWindow, archiveName, options, "", files, options.ResFileUsage.Contains(ruOnRemoveItem),
             output);
}

int TLha32::Update(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
                   const std::string& baseDirectory, const TStringList* files, bool, std::string& output) {
  return Run("f", ownerWindow, archiveName, options, baseDirectory, files,
             options.ResFileUsage.Contains(ruOnUpdate), output);
}

int TLha32::MakeSFX(HWND ownerWindow, const std::string& archiveName, const TArchiverOptions& options,
                    const std::string& directory, std::string& output) {
  return Run("s", ownerWindow, archiveName, options, directory, nullptr, false, output);
}

bool IsLhaArchive(const std::string& fileName) { return ProbeArchive(LhaUnit(), fileName, true); }
