// The operation log and its file: line format, the separator, code page 936, failures to save;
// and the start-up's word on the system's other files when they cannot be read.
#include <gmock/gmock.h>

#include <filesystem>

#include "app/messages.h"
#include "app/operation_log.h"
#include "dialog_fixture.h"
#include "files/file_object.h"
#include "platform/cp936.h"

namespace norvik {
namespace {

namespace ids = app::ids;

class LogTest : public testing::DialogTest {};

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
  ASSERT_EQ(block.substr(0, 73), std::string(app::kLogSeparator));
  // The first line follows the separator after an empty line: CR LF CR LF.
  EXPECT_EQ(block.substr(71, 5), "\r\n\r\n ");
  const std::string cp936 = utf8ToCp936("检测到A座芯片ID为:ECF10095--页块大小为:0-0");
  EXPECT_NE(block.find(cp936), std::string::npos);
  EXPECT_EQ(both.find("检测到"), std::string::npos) << "no UTF-8 in the file";
  EXPECT_EQ(block, utf8ToCp936(std::string(app::kLogSeparator) + second.log.text()));
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
