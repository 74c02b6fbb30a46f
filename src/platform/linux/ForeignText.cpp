// Names in foreign text files through glibc's iconv.
#include <iconv.h>

#include <cerrno>
#include <string>

#include "platform/Text.h"

namespace tarnwick::platform {

namespace {

// An iconv conversion descriptor, closed with the object.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(::iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) ::iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // The whole text converted; false at the first byte that cannot be.
  bool Convert(const std::string& text, std::string& out) {
    out.assign(text.size() * 3 + 4, '\0');  // UTF-8 takes at most three bytes per byte here
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    char* to = out.data();
    std::size_t toLeft = out.size();
    if (::iconv(cd_, &in, &inLeft, &to, &toLeft) == static_cast<std::size_t>(-1)) return false;
    out.resize(out.size() - toLeft);
    return true;
  }

 private:
  iconv_t cd_;
};

}  // namespace

std::string ForeignTextToUtf8(const std::string& text) {
  std::string out;
  Converter check("UTF-8", "UTF-8");
  if (!check.ok() || check.Convert(text, out)) return text;
  // Byte by byte, so that one the code page leaves undefined costs only itself.
  Converter windows("UTF-8", "WINDOWS-1252");
  if (!windows.ok()) return text;
  std::string result, one;
  for (const char c : text) {
    result += windows.Convert(std::string(1, c), one) ? one : std::string("\xEF\xBF\xBD");
  }
  return result;
}

}  // namespace tarnwick::platform
