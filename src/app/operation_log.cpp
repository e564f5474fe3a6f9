#include "app/operation_log.h"

#include <iomanip>
#include <locale>
#include <sstream>

#include "platform/cp936.h"
#include "platform/local_time.h"

namespace norvik::app {

namespace {
// The formatter's output buffer holds 127 bytes (in the code page the file is written in).
constexpr std::size_t kMaxFormattedBytes = 127;
}  // namespace

std::string formatStamp(std::time_t t, std::string_view pattern) {
  const std::tm local = localTime(t);
  std::ostringstream out;
  // The classic locale keeps %X as HH:MM:SS whatever locale the toolkit installed.
  out.imbue(std::locale::classic());
  out << std::put_time(&local, std::string(pattern).c_str());
  std::string result = out.str();
  if (utf8ToCp936(result).size() > kMaxFormattedBytes) return {};
  return result;
}

void OperationLog::appendStamped(std::string_view pattern) {
  logText_ += formatStamp(logTime_, pattern);
}

void OperationLog::appendStampedWith(std::string_view pattern, std::string_view text) {
  appendStamped(pattern);
  logText_ += text;
}

void OperationLog::appendDetection(const char* pattern, const std::string& idText,
                                   const std::string& pageBlockText) {
  // The ID text is joined to the pattern before formatting: the detection line's length limit
  // counts both, and the ID never holds a conversion.
  appendStamped(std::string(pattern) + idText);
  logText_ += kPageBlockPrefix;
  logText_ += pageBlockText;
}

}  // namespace norvik::app
