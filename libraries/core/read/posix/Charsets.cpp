#include <iconv.h>

#include <cerrno>
#include <mutex>

#include "libraries/core/read/NameText.h"

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

}  // namespace

// The CP932 converter, opened once per load of the library (opening one
// costs more than converting a name) and shared under a lock.
std::optional<std::string> LegacyToUtf8(std::string_view bytes) {
  static Converter converter(kLegacyCharset);
  static std::mutex lock;
  if (!converter.valid()) return std::nullopt;
  const std::lock_guard guard(lock);
  return converter.Convert(bytes);
}

std::optional<std::string> ConvertToUtf8(std::string_view bytes, const char* charset) {
  Converter converter(charset);
  if (!converter.valid()) return std::nullopt;
  return converter.Convert(bytes);
}

}  // namespace dv
