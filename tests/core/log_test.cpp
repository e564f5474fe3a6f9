// The operation log and its file: line format, the separator, code page 936, failures to save;
// and the start-up's word on the system's other files when they cannot be read.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "app/messages.h"
#include "app/operation_log.h"
#include "dialog_fixture.h"
#include "files/file_object.h"
#include "platform/working_folder.h"

namespace norvik {
namespace {

namespace ids = app::ids;

class LogTest : public testing::DialogTest {
 protected:
  long pausesOf(const std::string& pause) const {
    const auto ev = log.events();
    return std::count(ev.begin(), ev.end(), pause);
  }
};

// A folder more than 5000 characters deep below `base`, made and taken down one component at a
// time: no single call could take its whole path.
class LongFolder {
 public:
  explicit LongFolder(const std::string& base) : base_(base), path_(base) {
    int fd = open(base.c_str(), O_RDONLY | O_DIRECTORY);
    for (int i = 0; i < kDepth && fd >= 0; ++i) {
      mkdirat(fd, kName.c_str(), 0755);
      const int next = openat(fd, kName.c_str(), O_RDONLY | O_DIRECTORY);
      close(fd);
      fd = next;
      path_ += "/" + kName;
    }
    if (fd >= 0) close(fd);
  }
  ~LongFolder() {
    std::vector<int> fds{open(base_.c_str(), O_RDONLY | O_DIRECTORY)};
    for (int i = 0; i < kDepth && fds.back() >= 0; ++i) {
      fds.push_back(openat(fds.back(), kName.c_str(), O_RDONLY | O_DIRECTORY));
    }
    if (fds.back() >= 0) {
      for (const char* name : {"SystemLog.log", "systemlog.log"}) unlinkat(fds.back(), name, 0);
    }
    for (std::size_t i = fds.size() - 1; i > 0; --i) {
      if (fds[i] >= 0) close(fds[i]);
      if (fds[i - 1] >= 0) unlinkat(fds[i - 1], kName.c_str(), AT_REMOVEDIR);
    }
    if (fds[0] >= 0) close(fds[0]);
  }
  const std::string& path() const { return path_; }
  std::string read(const std::string& name) const {
    const int fd = openAnyLength(path_ + "/" + name, O_RDONLY);
    if (fd < 0) return "<missing>";
    std::string bytes;
    char chunk[4096];
    for (ssize_t n; (n = ::read(fd, chunk, sizeof chunk)) > 0;) bytes.append(chunk, n);
    close(fd);
    return bytes;
  }

 private:
  static constexpr int kDepth = 20;
  inline static const std::string kName = std::string(250, 'd');
  std::string base_;
  std::string path_;
};

TEST_F(LogTest, RunWithoutProgrammerAppendsExactlyTheSeparator) {
  backend.absent = true;
  dlg.OnInitDialog();
  EXPECT_FALSE(std::filesystem::exists(dir.file("systemlog.log")))
      << "nothing is written before the cancel command";
  EXPECT_TRUE(dlg.OnCancel());
  const std::string bytes = dir.read("systemlog.log");
  EXPECT_EQ(bytes.size(), 73u);
  EXPECT_EQ(bytes, std::string(app::kLogSeparator));
}

TEST_F(LogTest, TwoRunsGiveTwoBlocksInCodePage936) {
  dlg.OnInitDialog();
  ASSERT_TRUE(dlg.OnCancel());
  const std::string first = dir.read("systemlog.log");
  // A second run, with its own state, appends its own block.
  app::ProgrammerState second;
  app::CProgrammerDlg again(host, link, second, [this] { return dir.path(); });
  again.OnInitDialog();
  ASSERT_TRUE(again.OnCancel());
  const std::string both = dir.read("systemlog.log");
  ASSERT_EQ(both.substr(0, first.size()), first);
  const std::string block = both.substr(first.size());
  // CR LF, 69 equal signs, CR LF; then the first line after an empty line: CR LF CR LF.
  ASSERT_EQ(block.substr(0, 73), "\r\n" + std::string(69, '=') + "\r\n");
  EXPECT_EQ(block.substr(71, 5), "\r\n\r\n ");
  // "检测到A座芯片ID为" in code page 936, then the ID as ASCII; no UTF-8 anywhere.
  EXPECT_NE(block.find("\xBC\xEC\xB2\xE2\xB5\xBD"
                       "A\xD7\xF9\xD0\xBE\xC6\xAC"
                       "ID\xCE\xAA:ECF10095"),
            std::string::npos);
  EXPECT_EQ(both.find("检测到"), std::string::npos) << "no UTF-8 in the file";
}

TEST_F(LogTest, ExistingFileIsExtendedNeverRewritten) {
  dir.write("systemlog.log", "older runs");
  backend.absent = true;
  ASSERT_TRUE(dlg.OnCancel());
  EXPECT_EQ(dir.read("systemlog.log"), "older runs" + std::string(app::kLogSeparator));
}

TEST_F(LogTest, UnwritableLogTellsTheUserAndWritesNothing) {
  // A folder where the file should be: it can be neither opened nor created.
  std::filesystem::create_directory(dir.file("systemlog.log"));
  EXPECT_FALSE(dlg.OnCancel());
  ASSERT_EQ(host.messages().size(), 1u);
  EXPECT_NE(host.messages()[0].text.find(dir.file("systemlog.log")), std::string::npos);
  EXPECT_EQ(host.messages()[0].text.rfind(app::kMsgLogNotSaved, 0), 0u);
}

TEST_F(LogTest, LogFileHeldByAnotherProgramIsReportedNotOverwritten) {
  dir.write("systemlog.log", "kept");
  files::FileObject other;
  ASSERT_TRUE(
      other.open(dir.file("systemlog.log"), files::Access::Read, files::Disposition::OpenExisting));
  EXPECT_FALSE(dlg.OnCancel());
  EXPECT_EQ(dir.read("systemlog.log"), "kept") << "the create attempt must not empty it";
  EXPECT_EQ(pausesOf("P 50"), 40) << "it gives up after trying for 2 s";
  EXPECT_EQ(host.messages().size(), 1u);
}

TEST_F(LogTest, LogHeldForAMomentByAnotherRunIsStillSaved) {
  dir.write("systemlog.log", "kept");
  files::FileObject other;
  ASSERT_TRUE(
      other.open(dir.file("systemlog.log"), files::Access::Read, files::Disposition::OpenExisting));
  // The other run lets go at the third pause of the wait.
  clock.stopAfter = clock.pauses() + 3;
  std::stop_callback release(clock.stop.get_token(), [&] { other.close(); });
  EXPECT_TRUE(dlg.OnCancel());
  EXPECT_EQ(dir.read("systemlog.log"), "kept" + std::string(app::kLogSeparator));
  EXPECT_EQ(pausesOf("P 50"), 3);
  EXPECT_TRUE(host.messages().empty());
}

TEST_F(LogTest, LogCopiedFromWindowsIsExtendedInAFolderOfAnyLength) {
  const LongFolder folder(dir.path());
  ASSERT_GT(folder.path().size(), 5000u);
  const int fd = openAnyLength(folder.path() + "/SystemLog.log", O_WRONLY | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(write(fd, "older runs", 10), 10);
  close(fd);
  app::CProgrammerDlg there(host, link, state, [&] { return folder.path(); });
  EXPECT_TRUE(there.OnCancel());
  EXPECT_EQ(folder.read("SystemLog.log"), "older runs" + std::string(app::kLogSeparator));
  EXPECT_EQ(folder.read("systemlog.log"), "<missing>") << "no second log beside it";
}

TEST_F(LogTest, UnreadableConfigAndVendorFileAreEachReportedOnceAtStartUp) {
  dir.write("Config.ini", "[NandType]\nCs_Chip=ChipA0\n" + std::string(4 << 20, ';'));
  std::filesystem::remove(dir.file("nand_lib/samsung.ini"));  // socket A's maker
  std::filesystem::create_directory(dir.file("nand_lib/samsung.ini"));
  dlg.OnInitDialog();  // the lookup runs twice: on its own and in the refresh
  const std::vector<testing::MessageBoxRequest> m = host.messages();
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(m[0].text, std::string(app::kMsgConfigUnreadable) + dir.file("Config.ini") +
                           ": larger than 4194304 bytes");
  EXPECT_EQ(m[1].text, std::string(app::kMsgCatalogueUnreadable) +
                           dir.file("nand_lib/samsung.ini") + ": is a folder, not a file");
  for (const auto& r : m) {
    EXPECT_EQ(r.owner, app::MessageOwner::Dialog);
    EXPECT_EQ(r.caption, app::kAppName);
  }
  EXPECT_FALSE(host.isChecked(ids::kSelectA)) << "it runs without the oversized configuration";
}

TEST(LogFormat, StampedLinesUseTheFixedPatternAndOverlongLinesComeOutEmpty) {
  setenv("TZ", "UTC", 1);
  tzset();
  app::OperationLog log;
  log.setStamp(1464789909);  // 2016-06-01 14:05:09 UTC
  log.appendStamped(app::kLineProgramStart);
  EXPECT_EQ(log.text(), "\r\n 2016年06月01日14:05:09 开始下载");
  log.appendDetection(app::kLineDetectB, "ECF10095", "2112-64");
  EXPECT_EQ(log.text(),
            "\r\n 2016年06月01日14:05:09 开始下载"
            "\r\n 2016年06月01日14:05:09 检测到B座芯片ID为:ECF10095--页块大小为:2112-64");
  // 127 bytes in code page 936 still fit; 128 do not.
  EXPECT_EQ(app::formatStamp(0, std::string(127, 'x')).size(), 127u);
  EXPECT_EQ(app::formatStamp(0, std::string(64, 'x') + std::string(32, 'y') +
                                    "年年年年年年年年年年年年年年年年"),
            "");
  app::OperationLog overlong;
  overlong.appendDetection((std::string(130, '-')).c_str(), "ID", "1-1");
  EXPECT_EQ(overlong.text(), "--页块大小为:1-1") << "the plain text still follows";
}

}  // namespace
}  // namespace norvik
