#include <iconv.h>

#include <cerrno>
#include <stdexcept>

#include "platform/cp936.h"

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

  // Converts `in`; an input sequence the target cannot take is replaced by `replacement`
  // (already in the target encoding) and skipped `skip` input bytes at a time.
  std::string run(std::string_view in, std::string_view replacement, bool utf8Input) {
    std::string out;
    out.reserve(in.size() * 2 + 8);
    char* inPtr = const_cast<char*>(in.data());
    size_t inLeft = in.size();
    char buf[512];
    while (inLeft > 0) {
      char* outPtr = buf;
      size_t outLeft = sizeof buf;
      size_t r = iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
      out.append(buf, static_cast<size_t>(outPtr - buf));
      if (r == static_cast<size_t>(-1)) {
        if (errno == E2BIG) continue;
        // EILSEQ or EINVAL: skip one character of input and put the replacement.
        size_t skip = 1;
        if (utf8Input) {
          auto c = static_cast<unsigned char>(*inPtr);
          skip = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
          if (skip > inLeft) skip = inLeft;
        }
        inPtr += skip;
        inLeft -= skip;
        out.append(replacement);
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
      }
    }
    return out;
  }

 private:
  iconv_t cd_;
};

}  // namespace

std::string utf8ToCp936(std::string_view utf8) {
  thread_local Converter conv("CP936", "UTF-8");
  return conv.run(utf8, "?", true);
}

std::string cp936ToUtf8(std::string_view cp936) {
  thread_local Converter conv("UTF-8", "CP936");
  return conv.run(cp936, "\xEF\xBF\xBD", false);
}

}  // namespace norvik
