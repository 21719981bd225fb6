// The option set handed to command operations. Each switch option is named
// after the switch letter it produces; -1 (numbers) and the unset marker
// (texts) mean "not given".
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "drivers/base/UnsetMarker.h"
#include "platform/rtl/Persistent.h"
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

// The switch options in declaration order (X-macro, so that declaration,
// reset and copy never miss one): NUMBER for the 8-bit options, TEXT for the
// text options, LIST for jx.
#define DV_OPTION_SWITCHES(NUMBER, TEXT, LIST)                                                                        \
  NUMBER(a)                                                                                                           \
  NUMBER(c) NUMBER(e) NUMBER(f) NUMBER(h) NUMBER(i) NUMBER(l) NUMBER(m) NUMBER(n) NUMBER(o) NUMBER(p) NUMBER(r)       \
      NUMBER(s) NUMBER(t) NUMBER(u) TEXT(w) NUMBER(x) NUMBER(y) NUMBER(z) NUMBER(jc) NUMBER(jd) NUMBER(je) NUMBER(jf) \
          NUMBER(jh) NUMBER(ji) NUMBER(jm) NUMBER(jn) TEXT(jo) TEXT(job) NUMBER(jp) NUMBER(jr) NUMBER(jss) NUMBER(jw) \
              LIST(jx) NUMBER(jyc) NUMBER(jyd) NUMBER(jyk) NUMBER(jyn) NUMBER(jyo) TEXT(jz) NUMBER(ga) NUMBER(gd)     \
                  NUMBER(ge) NUMBER(gf) NUMBER(gj) NUMBER(gm) NUMBER(gn) NUMBER(go) NUMBER(gp) TEXT(gr) NUMBER(gs)    \
                      NUMBER(gu) NUMBER(gw)

class TArchiverOptions : public TPersistent {
 public:
  // The members start at the values ResetOptions gives back.
  TArchiverOptions() = default;
  ~TArchiverOptions() override = default;
  TArchiverOptions(const TArchiverOptions&) = delete;
  TArchiverOptions& operator=(const TArchiverOptions&) = delete;

  std::string ClassName() const override { return "TArchiverOptions"; }

  // Every property back to its initial value; jx is emptied, not replaced.
  void ResetOptions();
  // Into another option set: every property, field by field (jx's strings
  // are copied, not shared). Any other target raises the conversion error.
  void AssignTo(TPersistent& target) const override;

#define DV_DECLARE_NUMBER(name) std::int8_t name = -1;
#define DV_DECLARE_TEXT(name) std::string name = UnsetMarker();
#define DV_DECLARE_LIST(name) TStringList name;
  DV_OPTION_SWITCHES(DV_DECLARE_NUMBER, DV_DECLARE_TEXT, DV_DECLARE_LIST)
#undef DV_DECLARE_NUMBER
#undef DV_DECLARE_TEXT
#undef DV_DECLARE_LIST
  std::string UserOptions;
  std::string UserFileList;
  TPackFilter PackFilter = pfArchiver;
  std::string ResFileName;
  TResFileUsage ResFileUsage{ruOnPack, ruOnUnpack, ruOnRemoveItem};
};
