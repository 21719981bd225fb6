#include "drivers/DriverTable.h"

#include "drivers/ARJ32.h"
#include "drivers/CAB32.h"
#include "drivers/LHA32.h"
#include "drivers/RAR32.h"
#include "drivers/SEVENZIP32.h"
#include "drivers/TAR32.h"
#include "drivers/ZIP32.h"

namespace {
template <class Driver>
std::unique_ptr<TArchiver> Make() {
  return TArchiver::Create<Driver>();
}

// A yes-or-no probe as the type it stands for.
template <bool (*isFormat)(const std::string&), TArchiverType type>
TArchiverType Probe(const std::string& fileName) {
  return isFormat(fileName) ? type : atNone;
}

const TDriverKind kTarKinds[] = {{atTar, Make<TTar32>},
                                 {atTgz, Make<TTgz32>},
                                 {atBZ2, Make<TBZ232>},
                                 {atTxz, Make<TTxz32>},
                                 {atTzst, Make<TTzst32>}};
const TDriverExtension kTarExtensions[] = {{".z", atTgz},   {".gz", atTgz},   {".tgz", atTgz},  {".taz", atTgz},
                                           {".tar", atTar}, {".bz2", atBZ2},  {".tbz2", atBZ2}, {".xz", atTxz},
                                           {".txz", atTxz}, {".zst", atTzst}, {".tzst", atTzst}};
const TDriverKind kRarKinds[] = {{atRar, Make<TRar32>}};
const TDriverExtension kRarExtensions[] = {{".rar", atRar}};
const TDriverKind kArjKinds[] = {{atArj, Make<TArj32>}};
const TDriverExtension kArjExtensions[] = {{".arj", atArj}};
const TDriverKind kCabKinds[] = {{atCab, Make<TCab32>}};
const TDriverExtension kCabExtensions[] = {{".cab", atCab}};
const TDriverKind kZipKinds[] = {{atZip, Make<TZip32>}};
const TDriverExtension kZipExtensions[] = {{".zip", atZip}};
const TDriverKind kLhaKinds[] = {{atLha, Make<TLha32>}};
const TDriverExtension kLhaExtensions[] = {{".lzh", atLha}};
const TDriverKind kSevenZipKinds[] = {{atSevenZip, Make<TSevenZip32>}};
const TDriverExtension kSevenZipExtensions[] = {{".7z", atSevenZip}};

// clang-format off
const TDriverRow kDriverTable[] = {
    {kSevenZipKinds, kSevenZipExtensions, Probe<IsSevenZipArchive, atSevenZip>,
     []() -> TDriverUnit& { return SevenZipUnit(); }},
    {kTarKinds, kTarExtensions, TarArchiveType, []() -> TDriverUnit& { return TarUnit(); }},
    {kRarKinds, kRarExtensions, Probe<IsRarArchive, atRar>, []() -> TDriverUnit& { return RarUnit(); }},
    {kArjKinds, kArjExtensions, Probe<IsArjArchive, atArj>, []() -> TDriverUnit& { return ArjUnit(); }},
    {kCabKinds, kCabExtensions, Probe<IsCabArchive, atCab>, []() -> TDriverUnit& { return CabUnit(); }},
    {kZipKinds, kZipExtensions, Probe<IsZipArchive, atZip>, []() -> TDriverUnit& { return ZipUnit(); }},
    {kLhaKinds, kLhaExtensions, Probe<IsLhaArchive, atLha>, []() -> TDriverUnit& { return LhaUnit(); }},
};
// clang-format on
}  // namespace

std::span<const TDriverRow> DriverTable() { return kDriverTable; }

namespace {
const TDriverKind* KindOf(TArchiverType type) {
  for (const TDriverRow& row : kDriverTable)
    for (const TDriverKind& kind : row.kinds)
      if (kind.type == type) return &kind;
  return nullptr;
}
}  // namespace

std::unique_ptr<TArchiver> MakeDriver(TArchiverType type) {
  const TDriverKind* kind = KindOf(type);
  return kind != nullptr ? kind->make() : nullptr;
}

bool HasDriver(TArchiverType type) { return KindOf(type) != nullptr; }

void ReleaseAllDriverUnits() {
  for (const TDriverRow& row : kDriverTable) row.unit().Release();
}
