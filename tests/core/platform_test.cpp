// The rules over the system calls where no other test reaches them: what stands in for text that
// does not convert to or from code page 936, where scratch files go, and the simulator's image
// held by one store at a time.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/cp936.h"
#include "platform/temp_file.h"
#include "sim/page_store.h"
#include "support/test_support.h"

namespace norvik {
namespace {

TEST(Cp936Test, EachCharacterWithoutACp936FormBecomesOneQuestionMark) {
  // "中" is D6 D0; an emoji has no CP936 form; E4 B8 is a character cut short at the end.
  EXPECT_EQ(utf8ToCp936("A\xF0\x9F\x98\x80\xE4\xB8\xAD\xF0\x9F\x98\x80Z\xE4\xB8"), "A?\xD6\xD0?Z?");
}

TEST(Cp936Test, EachByteThatIsNoCp936CharacterBecomesOneReplacementCharacter) {
  // 81 is a lead byte that 20 cannot follow: the lead alone is replaced and the space stays; D6
  // at the very end has no trail byte.
  EXPECT_EQ(cp936ToUtf8("\xD6\xD0\x81 A\xD6"), "\xE4\xB8\xAD\xEF\xBF\xBD A\xEF\xBF\xBD");
}

TEST(TemporaryFileTest, ScratchFilesGoWhereTmpdirSays) {
  testing::TempDir dir;
  const testing::ScopedEnv tmpdir("TMPDIR", &dir.path());
  std::string why;
  const std::optional<std::string> made = createTemporaryFile("norvik-verify", &why);
  ASSERT_TRUE(made) << why;
  const std::filesystem::path path(*made);
  EXPECT_TRUE(std::filesystem::equivalent(path.parent_path(), dir.path()));
  EXPECT_EQ(path.filename().string().rfind("norvik-verify-", 0), 0U) << *made;
  EXPECT_EQ(std::filesystem::file_size(path), 0U);
  EXPECT_TRUE(removeFile(*made));
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(PageStoreTest, ASecondStoreOnOneImageIsRefusedAsInUse) {
  testing::TempDir dir;
  const std::string image = dir.file("a.img");
  std::string error;
  sim::PageStore first;
  ASSERT_TRUE(first.open(image, 2112, 64, &error)) << error;
  sim::PageStore second;
  EXPECT_FALSE(second.open(image, 2112, 64, &error));
  EXPECT_EQ(error, "image " + image + " is in use by another simulated programmer");
  EXPECT_FALSE(second.isOpen());
}

TEST(PageStoreTest, ATemporaryStoreGoesWhereTmpdirSays) {
  testing::TempDir dir;
  const std::string missing = dir.file("gone");
  const testing::ScopedEnv tmpdir("TMPDIR", &missing);
  std::string error;
  sim::PageStore store;
  EXPECT_FALSE(store.open("", 2112, 64, &error));
  EXPECT_EQ(error, "cannot create a temporary file in " + missing +
                       "/norvik-sim-XXXXXX: No such file or directory");
}

}  // namespace
}  // namespace norvik
