// The file objects and the file choices: exclusive opens, "打开文件", the read output.
#include <gmock/gmock.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/messages.h"
#include "dialog_fixture.h"
#include "files/file_object.h"

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

TEST_F(FileChoiceTest, HeldOrMissingImageGivesFileBusy) {
  dir.write("image.bin", "x");
  FileObject other;
  ASSERT_TRUE(other.open(dir.file("image.bin"), Access::Read, Disposition::OpenExisting));
  host.queueFileAnswer(dir.file("image.bin"));
  dlg.OnOpenFile();
  host.queueFileAnswer(dir.file("nothere.bin"));
  dlg.OnOpenFile();
  EXPECT_THAT(messageTexts(), ElementsAre(app::kMsgFileBusy, app::kMsgFileBusy));
  EXPECT_FALSE(state.imageFile.isOpen());
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

  dir.write("out.bin", "old");
  FileObject other;
  ASSERT_TRUE(other.open(dir.file("out.bin"), Access::Read, Disposition::OpenExisting));
  host.queueFileAnswer(dir.file("out.bin"));
  dlg.OnRead();
  EXPECT_THAT(messageTexts(), ElementsAre(app::kMsgReadCancelled, app::kMsgFileBusy));
  EXPECT_EQ(dir.read("out.bin"), "old");
  EXPECT_TRUE(log.events().empty());
}

TEST_F(FileChoiceTest, ReadingIntoAnExistingFileEmptiesIt) {
  dir.write("out.bin", "previous contents");
  host.queueFileAnswer(dir.file("out.bin"));
  host.setText(ids::kReadStart, "0");
  host.setText(ids::kReadLength, "");
  dlg.OnRead();
  EXPECT_THAT(messageTexts(), ElementsAre(app::kMsgEnterReadRange));
  EXPECT_EQ(dir.read("out.bin"), "");
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
