// The option set handed to command operations. Each switch option is named
// after the switch letter it produces; -1 (numbers) and the unset marker
// (texts) mean "not given".
#pragma once

#include <cstdint>
#include <string>

#include "archives/UnsetMarker.h"
#include "platform/rtl/Strings.h"

enum TPackFilter : std::uint8_t { pfArchiver = 0, pfComponent = 1 };
enum TResFileUse : std::uint8_t { ruOnPack = 0, ruOnUnpack = 1, ruOnRemoveItem = 2, ruOnUpdate = 3 };

// A set of TResFileUse, one byte, bit n for value n.
class TResFileUsage {
 public:
  constexpr TResFileUsage() = default;
  constexpr TResFileUsage(std::initializer_list<TResFileUse> uses) {
    for (TResFileUse use : uses) bits_ |= static_cast<std::uint8_t>(1u << use);
  }
  constexpr bool Contains(TResFileUse use) const { return (bits_ >> use) & 1u; }
  constexpr std::uint8_t Bits() const { return bits_; }
  constexpr bool operator==(const TResFileUsage&) const = default;

 private:
  std::uint8_t bits_ = 0;
};

// The 8-bit switch options, in declaration order (X-macro, so that reset and
// copy never miss one).
#define DV_OPTION_NUMBERS_1(X) X(a) X(c) X(e) X(f) X(h) X(i) X(l) X(m) X(n) X(o) X(p) X(r) X(s) X(t) X(u)
#define DV_OPTION_NUMBERS_2(X) X(x) X(y) X(z) X(jc) X(jd) X(je) X(jf) X(jh) X(ji) X(jm) X(jn)
#define DV_OPTION_NUMBERS_3(X) X(jp) X(jr) X(jss) X(jw)
#define DV_OPTION_NUMBERS_4(X) X(jyc) X(jyd) X(jyk) X(jyn) X(jyo)
#define DV_OPTION_NUMBERS_5(X) X(ga) X(gd) X(ge) X(gf) X(gj) X(gm) X(gn) X(go) X(gp)
#define DV_OPTION_NUMBERS_6(X) X(gs) X(gu) X(gw)
#define DV_OPTION_NUMBERS(X) \
  DV_OPTION_NUMBERS_1(X) DV_OPTION_NUMBERS_2(X) DV_OPTION_NUMBERS_3(X) DV_OPTION_NUMBERS_4(X) \
  DV_OPTION_NUMBERS_5(X) DV_OPTION_NUMBERS_6(X)
#define DV_OPTION_TEXTS(X) X(w) X(jo) X(job) X(jz) X(gr)

class TArchiverOptions {
 public:
  TArchiverOptions() { ResetOptions(); }
  virtual ~TArchiverOptions() = default;
  TArchiverOptions(const TArchiverOptions&) = delete;
  TArchiverOptions& operator=(const TArchiverOptions&) = delete;

  // Every property back to its initial value; jx is emptied, not replaced.
  void ResetOptions();

#define DV_DECLARE_NUMBER(name) std::int8_t name = -1;
  DV_OPTION_NUMBERS(DV_DECLARE_NUMBER)
#undef DV_DECLARE_NUMBER
#define DV_DECLARE_TEXT(name) std::string name = UnsetMarker();
  DV_OPTION_TEXTS(DV_DECLARE_TEXT)
#undef DV_DECLARE_TEXT
  TStringList jx;
  std::string UserOptions;
  std::string UserFileList;
  TPackFilter PackFilter = pfArchiver;
  std::string ResFileName;
  TResFileUsage ResFileUsage{ruOnPack, ruOnUnpack, ruOnRemoveItem};
};
