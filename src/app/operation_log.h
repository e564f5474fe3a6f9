// The operation log: one growing text of timestamped lines, shown in the log box and appended to
// systemlog.log when the program is left through its cancel command.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

#include "platform/clock.h"

namespace norvik::app {

// Line patterns; every line starts with its own CR LF.
inline constexpr const char* kLineDetectA = "\r\n %Y年%m月%d日%X 检测到A座芯片ID为:";
inline constexpr const char* kLineDetectB = "\r\n %Y年%m月%d日%X 检测到B座芯片ID为:";
inline constexpr const char* kPageBlockPrefix = "--页块大小为:";
inline constexpr const char* kLineProgramStart = "\r\n %Y年%m月%d日%X 开始下载";
inline constexpr const char* kLineProgramDone = "\r\n %Y年%m月%d日%X 下载成功！！";
inline constexpr const char* kLineReadStart = "\r\n %Y年%m月%d日%X 开始上载数据";
inline constexpr const char* kLineReadDone = "\r\n %Y年%m月%d日%X 上载成功！！";
inline constexpr const char* kLineCopyStart = "\r\n %Y年%m月%d日%X 开始拷贝";
inline constexpr const char* kLineCopyDone = "\r\n %Y年%m月%d日%X 拷贝成功！！";
inline constexpr const char* kLineEraseDone = "\r\n %Y年%m月%d日%X 擦除成功！！";
inline constexpr const char* kLineTestPassed = "\r\n %Y年%m月%d日%X 测试成功！！";
inline constexpr const char* kLineTestFailed = "\r\n %Y年%m月%d日%X  测试失败！！";
// An operation ended by leaving the program (or a signal to the command line) while it ran.
inline constexpr const char* kLineStopped = "\r\n %Y年%m月%d日%X 操作已停止（退出）";
// The same for a copy or erase, which goes on inside the programmer.
inline constexpr const char* kLineStoppedFollowing =
    "\r\n %Y年%m月%d日%X 已停止跟踪（退出），编程器内的操作仍在继续";

// What the device library did to the run (a call that hung or crashed), followed by the text.
inline constexpr const char* kLineDeviceFault = "\r\n %Y年%m月%d日%X ";
// An operation ended by a failure inside the program (reported in a message box as well).
inline constexpr const char* kLineUnexpectedFailure =
    "\r\n %Y年%m月%d日%X 程序内部错误，操作已中止";

// CR LF, 69 equal signs, CR LF: the head of each run's block in systemlog.log.
inline constexpr std::string_view kLogSeparator =
    "\r\n=====================================================================\r\n";
static_assert(kLogSeparator.size() == 73);
inline constexpr const char* kLogFileName = "systemlog.log";

class OperationLog {
 public:
  // Stores the current wall time as the stamp of the lines that follow.
  void takeStamp(Clock& clock) { logTime_ = clock.wallNow(); }
  void setStamp(std::time_t t) { logTime_ = t; }
  std::time_t logTime() const { return logTime_; }

  // Formats the stamp (local time) with `pattern` (%Y %m %d %X as strftime in the "C" locale)
  // and appends the result. A result longer than 127 bytes in code page 936 appends nothing.
  void appendStamped(std::string_view pattern);
  // A stamped pattern followed by `text` as it is (no conversion in it is expanded).
  void appendStampedWith(std::string_view pattern, std::string_view text);
  // The detection line of one socket: stamped pattern + ID, then "--页块大小为:" + page/block.
  void appendDetection(const char* pattern, const std::string& idText,
                       const std::string& pageBlockText);

  const std::string& text() const { return logText_; }  // UTF-8

 private:
  std::string logText_;
  std::time_t logTime_ = 0;
};

// Formats `t` as local time with `pattern`, in the "C" locale whatever the process locale is.
std::string formatStamp(std::time_t t, std::string_view pattern);

}  // namespace norvik::app
