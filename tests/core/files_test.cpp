// The file objects and the file choices: exclusive opens, "打开文件", the read output.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "app/messages.h"
#include "dialog_fixture.h"
#include "files/file_object.h"
#include "platform/working_folder.h"

namespace norvik {
namespace {

namespace ids = app::ids;
using files::Access;
using files::Disposition;
using files::FileObject;
using ::testing::ElementsAre;

TEST(FileObjectTest, HeldFileCannotBeOpenedAgainUntilClosed) {
  testing::TempDir dir;
  dir.write("image.bin", "abc");
  FileObject held, second;
  ASSERT_TRUE(held.open(dir.file("image.bin"), Access::Read, Disposition::OpenExisting));
  EXPECT_FALSE(second.open(dir.file("image.bin"), Access::Read, Disposition::OpenExisting));
  EXPECT_FALSE(second.open(dir.file("image.bin"), Access::ReadWrite, Disposition::CreateAlways));
  EXPECT_EQ(dir.read("image.bin"), "abc") << "a refused create must not empty the file";
  EXPECT_FALSE(second.isOpen());
  EXPECT_EQ(second.path(), "");
  held.close();
  EXPECT_TRUE(second.open(dir.file("image.bin"), Access::Read, Disposition::OpenExisting));
}

TEST(FileObjectTest, AnotherProcessCannotOpenAHeldFile) {
  testing::TempDir dir;
  dir.write("image.bin", "abc");
  FileObject held;
  ASSERT_TRUE(held.open(dir.file("image.bin"), Access::Read, Disposition::OpenExisting));
  const std::string path = dir.file("image.bin");
  pid_t child = fork();
  if (child == 0) {
    FileObject other;
    _exit(other.open(path, Access::Read, Disposition::OpenExisting) ? 0 : 7);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 7);
}

TEST(FileObjectTest, OpenModes) {
  testing::TempDir dir;
  FileObject f;
  EXPECT_FALSE(f.open(dir.file("missing.bin"), Access::Read, Disposition::OpenExisting));
  EXPECT_FALSE(f.open(dir.path(), Access::Read, Disposition::OpenExisting)) << "a folder";
  dir.write("x.bin", "12345");
  ASSERT_TRUE(f.open(dir.file("x.bin"), Access::ReadWrite, Disposition::OpenAlways));
  EXPECT_EQ(f.length(), 5);
  f.close();
  ASSERT_TRUE(f.open(dir.file("x.bin"), Access::Write, Disposition::CreateAlways));
  EXPECT_EQ(f.length(), 0);
  EXPECT_TRUE(f.write("zz", 2));
  f.close();
  EXPECT_EQ(dir.read("x.bin"), "zz");
  EXPECT_EQ(f.length(), -1);
}

TEST(FileObjectTest, FilesThatAreNotRegularAreRefusedAtOnce) {
  testing::TempDir dir;
  FileObject f;
  ASSERT_FALSE(f.open("/dev/zero", Access::Read, Disposition::OpenExisting));
  ASSERT_EQ(mkfifo(dir.file("pipe").c_str(), 0644), 0);
  ASSERT_FALSE(f.open(dir.file("pipe"), Access::ReadWrite, Disposition::CreateAlways));
  // Would wait for a writer forever if opened blocking.
  EXPECT_FALSE(f.open(dir.file("pipe"), Access::Read, Disposition::OpenExisting));
  EXPECT_EQ(f.lastError(), EINVAL);
  EXPECT_FALSE(f.isOpen());
}

TEST(FileObjectTest, ReadTellsAnErrorFromTheEnd) {
  testing::TempDir dir;
  dir.write("x.bin", "12345");
  FileObject f;
  char buffer[8];
  ASSERT_TRUE(f.open(dir.file("x.bin"), Access::Read, Disposition::OpenExisting));
  EXPECT_EQ(f.readChecked(buffer, sizeof buffer), std::optional<std::size_t>(5));
  EXPECT_EQ(f.readChecked(buffer, sizeof buffer), std::optional<std::size_t>(0)) << "the end";
  ASSERT_TRUE(f.open(dir.file("x.bin"), Access::Write, Disposition::OpenExisting));
  EXPECT_EQ(f.readChecked(buffer, sizeof buffer), std::nullopt);
  EXPECT_EQ(f.read(buffer, sizeof buffer), 0u);
  EXPECT_EQ(f.lastError(), EBADF);
}

TEST(WorkingFolderTest, FindsNamesWhateverTheirCaseAndCreatesTheProgramsSpelling) {
  testing::TempDir dir;
  dir.write("systemlog.log", "b");
  dir.write("SystemLog.log", "a");
  dir.write("Nand_Lib/ESMT.ini", "");
  const WorkingFolder folder(dir.path());
  ASSERT_TRUE(folder.isOpen());
  EXPECT_EQ(folder.find("systemlog.log"), "SystemLog.log") << "the first in byte order";
  EXPECT_EQ(folder.find("nand_lib/esmt.ini"), "Nand_Lib/ESMT.ini");
  EXPECT_EQ(folder.find("test.bin"), std::nullopt);
  FileObject f;
  ASSERT_TRUE(f.open(folder, "systemlog.log", Access::Read, Disposition::OpenExisting));
  EXPECT_EQ(f.path(), dir.file("SystemLog.log"));
  ASSERT_TRUE(f.open(folder, "test1.bin", Access::ReadWrite, Disposition::CreateAlways));
  EXPECT_EQ(f.path(), dir.file("test1.bin"));
  EXPECT_EQ(folder.find("TEST1.BIN"), "test1.bin");
}

class FileChoiceTest : public testing::DialogTest {};

TEST_F(FileChoiceTest, OpenFileShowsTheOpenDialogAndHoldsTheImage) {
  dir.write("image.hex", ":00000001FF");
  host.queueFileAnswer(dir.file("image.hex"));
  dlg.OnOpenFile();
  ASSERT_EQ(host.fileDialogs().size(), 1u);
  const auto d = host.fileDialogs()[0];
  EXPECT_FALSE(d.save);
  EXPECT_EQ(d.defaultExtension, "bin");
  EXPECT_EQ(d.initialName, "");
  EXPECT_EQ(d.filter, "二进制文件(*.bin)|*.bin|Intel Hex文件(*.hex)|*.hex|");
  EXPECT_TRUE(state.imageFile.isOpen());
  EXPECT_TRUE(host.messages().empty());
  FileObject other;
  EXPECT_FALSE(other.open(dir.file("image.hex"), Access::Read, Disposition::OpenExisting));
}

TEST_F(FileChoiceTest, CancelLeavesNoImageOpen) {
  dir.write("image.bin", "x");
  host.queueFileAnswer(dir.file("image.bin"));
  dlg.OnOpenFile();
  ASSERT_TRUE(state.imageFile.isOpen());
  host.queueFileAnswer(std::nullopt);
  dlg.OnOpenFile();
  EXPECT_FALSE(state.imageFile.isOpen());
  EXPECT_TRUE(host.messages().empty());
  host.setText(ids::kProgramStart, "0");
  dlg.OnProgram();
  EXPECT_THAT(messageTexts(), ElementsAre(app::kMsgOpenImage));
}

TEST_F(FileChoiceTest, AnImageThatCannotBeOpenedSaysWhyAndWhere) {
  dir.write("image.bin", "x");
  dir.write("folder.bin/inside", "");
  FileObject other;
  ASSERT_TRUE(other.open(dir.file("image.bin"), Access::Read, Disposition::OpenExisting));
  for (const char* name : {"image.bin", "nothere.bin", "folder.bin"}) {
    host.queueFileAnswer(dir.file(name));
    dlg.OnOpenFile();
    EXPECT_FALSE(state.imageFile.isOpen()) << name;
  }
  // Only the file another program holds is "in use".
  EXPECT_THAT(messageTexts(), ElementsAre("文件被占用", "找不到文件：" + dir.file("nothere.bin"),
                                          "这是一个文件夹，不是文件：" + dir.file("folder.bin")));
}

TEST_F(FileChoiceTest, ReadOutputCancelledOrBusy) {
  host.queueFileAnswer(std::nullopt);
  dlg.OnRead();
  ASSERT_EQ(host.fileDialogs().size(), 1u);
  const auto d = host.fileDialogs()[0];
  EXPECT_TRUE(d.save);
  EXPECT_EQ(d.defaultExtension, "*.bin");
  EXPECT_EQ(d.initialName, "temp");
  EXPECT_EQ(d.initialDirectory, dir.path());
  EXPECT_TRUE(log.events().empty()) << "nothing is sent after a cancelled choice";
  EXPECT_THAT(messageTexts(), ElementsAre(app::kMsgReadCancelled));
}

TEST_F(FileChoiceTest, ARefusedReadLeavesAnExistingOutputAsItWas) {
  dir.write("out.bin", "previous contents");
  host.queueFileAnswer(dir.file("out.bin"));
  host.setText(ids::kReadStart, "0");
  host.setText(ids::kReadLength, "zz");
  dlg.OnRead();
  EXPECT_THAT(messageTexts(), ElementsAre(app::kMsgEnterReadRange));
  EXPECT_EQ(dir.read("out.bin"), "previous contents");
  EXPECT_FALSE(state.readFile.isOpen());
  EXPECT_TRUE(log.events().empty());
}

TEST_F(FileChoiceTest, HiddenSaveButtonCreatesTheChosenFile) {
  dir.write("saved.bin", "old");
  host.queueFileAnswer(dir.file("saved.bin"));
  dlg.OnSaveFile();
  EXPECT_THAT(messageTexts(), ElementsAre(dir.file("saved.bin")));
  EXPECT_TRUE(state.saveFile.isOpen());
  EXPECT_EQ(dir.read("saved.bin"), "");
}

}  // namespace
}  // namespace norvik
