#include "libraries/core/read/NameText.h"

#include <iconv.h>

#include <cerrno>
#include <mutex>

namespace dv {
namespace {

constexpr const char* kLegacyCharset = "CP932";

// One iconv conversion descriptor, closed with the object.
class Converter {
 public:
  explicit Converter(const char* from) : cd_(iconv_open("UTF-8", from)) {}
  ~Converter() {
    if (valid()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  std::optional<std::string> Convert(std::string_view bytes) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // from the initial state, whatever came before
    // CP932 and UTF-16 take at most 3 bytes of UTF-8 for each input byte.
    std::string out(bytes.size() * 3 + 4, '\0');
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* at = out.data();
    std::size_t outLeft = out.size();
    while (inLeft > 0) {
      if (iconv(cd_, &in, &inLeft, &at, &outLeft) != static_cast<std::size_t>(-1)) continue;
      if (errno != E2BIG) return std::nullopt;  // EILSEQ, or EINVAL: a character cut short
      const std::size_t used = out.size() - outLeft;
      out.resize(out.size() * 2);
      at = out.data() + used;
      outLeft = out.size() - used;
    }
    out.resize(out.size() - outLeft);
    return out;
  }

 private:
  iconv_t cd_;
};

// The length of the UTF-8 sequence `lead` starts, with its allowed second
// byte range; 0 for a byte that starts none.
struct Utf8Lead {
  int length;
  unsigned char low, high;
};

Utf8Lead LeadOf(unsigned char c) {
  if (c < 0x80) return {1, 0, 0};
  if (c >= 0xC2 && c <= 0xDF) return {2, 0x80, 0xBF};
  if (c == 0xE0) return {3, 0xA0, 0xBF};
  if (c == 0xED) return {3, 0x80, 0x9F};  // no surrogates
  if (c >= 0xE1 && c <= 0xEF) return {3, 0x80, 0xBF};
  if (c == 0xF0) return {4, 0x90, 0xBF};
  if (c >= 0xF1 && c <= 0xF3) return {4, 0x80, 0xBF};
  if (c == 0xF4) return {4, 0x80, 0x8F};  // up to U+10FFFF
  return {0, 0, 0};
}

// The CP932 converter, opened once per load of the library (opening one
// costs more than converting a name) and shared under a lock.
std::optional<std::string> FromLegacyCharset(std::string_view bytes) {
  static Converter converter(kLegacyCharset);
  static std::mutex lock;
  if (!converter.valid()) return std::nullopt;
  const std::lock_guard guard(lock);
  return converter.Convert(bytes);
}

}  // namespace

std::size_t CharacterLength(std::string_view text, std::size_t at) {
  const Utf8Lead lead = LeadOf(static_cast<unsigned char>(text[at]));
  const auto length = static_cast<std::size_t>(lead.length);
  if (length <= 1 || text.size() - at < length) return 1;
  const auto second = static_cast<unsigned char>(text[at + 1]);
  if (second < lead.low || second > lead.high) return 1;
  for (std::size_t k = 2; k < length; ++k)
    if ((static_cast<unsigned char>(text[at + k]) & 0xC0) != 0x80) return 1;
  return length;
}

bool IsUtf8(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size();) {
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {  // most names are ASCII
      ++i;
      continue;
    }
    const std::size_t length = CharacterLength(bytes, i);
    if (length == 1) return false;
    i += length;
  }
  return true;
}

std::optional<std::string> ConvertToUtf8(std::string_view bytes, const char* charset) {
  Converter converter(charset);
  if (!converter.valid()) return std::nullopt;
  return converter.Convert(bytes);
}

std::string StoredNameAsText(std::string_view stored, const char* declaredCharset) {
  if (declaredCharset != nullptr) {
    if (auto text = ConvertToUtf8(stored, declaredCharset)) return std::move(*text);
  }
  if (IsUtf8(stored)) return std::string(stored);
  if (auto text = FromLegacyCharset(stored)) return std::move(*text);
  return std::string(stored);
}

void DecodeStoredName(std::string& name) {
  if (!IsUtf8(name)) name = StoredNameAsText(name);
}

}  // namespace dv
