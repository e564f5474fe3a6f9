#include <iconv.h>

#include <cerrno>
#include <stdexcept>

#include "platform/cp936_os.h"

namespace norvik {

namespace {

class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    // NOLINTNEXTLINE(performance-no-int-to-ptr): iconv_open reports failure as (iconv_t)-1.
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // `in` converted; nullopt when an input sequence is invalid, incomplete or has no form in the
  // target encoding.
  std::optional<std::string> run(std::string_view in) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // the initial state, whatever came before
    std::string out;
    out.reserve(in.size() * 2 + 8);
    char* inPtr = const_cast<char*>(in.data());
    size_t inLeft = in.size();
    char buf[512];
    while (inLeft > 0) {
      char* outPtr = buf;
      size_t outLeft = sizeof buf;
      const size_t r = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
      out.append(buf, static_cast<size_t>(outPtr - buf));
      if (r == static_cast<size_t>(-1) && errno != E2BIG) return std::nullopt;
    }
    return out;
  }

 private:
  iconv_t cd_;
};

}  // namespace

std::optional<std::string> cp936_os::encode(std::string_view utf8) {
  thread_local Converter conv("CP936", "UTF-8");
  return conv.run(utf8);
}

std::optional<std::string> cp936_os::decode(std::string_view cp936) {
  thread_local Converter conv("UTF-8", "CP936");
  return conv.run(cp936);
}

}  // namespace norvik
