// The chip catalogue: the profile reader's rules, the vendor table, the lookup's matching rules,
// and the shipped vendor files.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <set>

#include "catalogue/lookup.h"
#include "catalogue/profile.h"
#include "platform/cp936.h"
#include "test_support.h"

namespace norvik {
namespace {

using catalogue::Profile;

TEST(ProfileReader, FollowsTheWindowsProfileRules) {
  const Profile p = Profile::fromText(
      "; comment\r\n"
      "[NandType]\r\n"
      "  CE =  1  \r\n"
      "Lens=\"4000000\"\r\n"
      "Empty=\r\n"
      "Long=0123456789ABCDEFGHIJKLMNOP\r\n"
      "lens=second\r\n"
      "[nandtype]\r\n"
      "Other=x\r\n");
  EXPECT_EQ(p.getString("NANDTYPE", "ce", "d", 20), "1") << "names ignore case, values trimmed";
  EXPECT_EQ(p.getString("NandType", "Lens", "d", 20), "4000000") << "first key wins, quotes go";
  EXPECT_EQ(p.getString("NandType", "Empty", "dflt", 20), "dflt");
  EXPECT_EQ(p.getString("NandType", "Missing", "dflt", 20), "dflt");
  EXPECT_EQ(p.getString("Nope", "CE", "", 20), "");
  EXPECT_EQ(p.getString("NandType", "Long", "", 20), "0123456789ABCDEFGHI") << "19 of 20";
  EXPECT_EQ(p.getString("NandType", "Long", "", 10), "012345678");
  EXPECT_EQ(p.getString("NandType", "Other", "none", 20), "none") << "first section counts";
}

TEST(ProfileReader, ReadsIntegersAsGetPrivateProfileIntDoes) {
  const Profile p = Profile::fromText(
      "[S]\nA=12abc\nB=abc\nC=-1\nD= +42\nE=\nF=4294967295\nG=0x10\nH=0x800\nI=-0x10\n"
      "J=0x1G\nK=0o17\nL=0b101\nM=0X10\nN=0x\n");
  EXPECT_EQ(p.getInt("S", "A", 7), 12);
  EXPECT_EQ(p.getInt("S", "B", 7), 0);
  EXPECT_EQ(p.getInt("S", "C", 7), -1);
  EXPECT_EQ(p.getInt("S", "D", 7), 42);
  EXPECT_EQ(p.getInt("S", "E", 7), 7) << "an empty value gives the default";
  EXPECT_EQ(p.getInt("S", "Missing", -1), -1);
  EXPECT_EQ(p.getInt("S", "F", 7), -1) << "wraps in 32 bits, as Windows reads it";
  EXPECT_EQ(p.getInt("S", "G", 7), 16);
  EXPECT_EQ(p.getInt("S", "H", 7), 2048);
  EXPECT_EQ(p.getInt("S", "I", 7), -16) << "the sign comes before the prefix";
  EXPECT_EQ(p.getInt("S", "J", 7), 1) << "hex digits up to the first other character";
  EXPECT_EQ(p.getInt("S", "K", 7), 15);
  EXPECT_EQ(p.getInt("S", "L", 7), 5);
  EXPECT_EQ(p.getInt("S", "M", 7), 0) << "only the lower-case prefix";
  EXPECT_EQ(p.getInt("S", "N", 7), 0);
}

TEST(ProfileReader, SkipsAUtf8ByteOrderMark) {
  const Profile p = Profile::fromText("\xEF\xBB\xBF[INFO]\r\nNumOfDevice=3\r\n");
  EXPECT_EQ(p.getInt("INFO", "NumOfDevice", -1), 3);
}

TEST(ProfileReader, HeaderWithoutClosingBracketOpensNoSection) {
  const Profile p = Profile::fromText("[deviceName1]\nDeviceID=1\n[INFO\nNumOfDevice=5\n");
  EXPECT_EQ(p.getInt("INFO", "NumOfDevice", -1), -1);
  EXPECT_EQ(p.getInt("deviceName1", "NumOfDevice", -1), 5) << "still the previous section";
}

TEST(ProfileReader, DecodesCodePage936AndNeverSplitsACharacter) {
  const Profile p = Profile::fromText(utf8ToCp936("[A]\nName=未识别芯片\n"));
  EXPECT_EQ(p.getString("A", "Name", "", 20), "未识别芯片");
  EXPECT_EQ(p.getString("A", "Name", "", 4), "未") << "3 bytes hold one two-byte character";
  EXPECT_EQ(Profile::load("/nonexistent/x.ini").getInt("INFO", "NumOfDevice", -1), -1);
}

class LookupTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  link::ChipState chips;

  void vendor(const std::string& file, const std::string& body) {
    dir.write("nand_lib/" + file, utf8ToCp936(body));
  }
  static std::string entry(int k, const std::string& id, const std::string& name, int page = 2048) {
    return "[deviceName" + std::to_string(k) + "]\nDeviceID=" + id +
           "\nDevicePage=" + std::to_string(page) +
           "\nDeviceOob=64\nDeviceBlock=64\nDeviceAddr=5\nDeviceLens=10000000\nDeviceName=" + name +
           "\n";
  }
  void lookUp(const std::string& a, const std::string& b) {
    chips.chipIdTextA = a;
    chips.chipIdTextB = b;
    catalogue::LookUpChips(chips, dir.path());
  }
};

TEST_F(LookupTest, VendorTableOrderAndFallback) {
  EXPECT_STREQ(catalogue::vendorFileFor("EC"), "nand_lib/samsung.ini");
  EXPECT_STREQ(catalogue::vendorFileFor("AD"), "nand_lib/hynix.ini");
  EXPECT_STREQ(catalogue::vendorFileFor("20"), "nand_lib/st.ini");
  EXPECT_STREQ(catalogue::vendorFileFor("98"), "nand_lib/toshiba.ini");
  EXPECT_STREQ(catalogue::vendorFileFor("2C"), "nand_lib/micron.ini");
  EXPECT_STREQ(catalogue::vendorFileFor("89"), "nand_lib/intel.ini");
  EXPECT_STREQ(catalogue::vendorFileFor("01"), "nand_lib/spansion.ini");
  EXPECT_STREQ(catalogue::vendorFileFor("92"), "nand_lib/esmt.ini");
  EXPECT_STREQ(catalogue::vendorFileFor("C8"), "nand_lib/esmt.ini");
  EXPECT_STREQ(catalogue::vendorFileFor("ec"), "nand_lib/esmt.ini") << "case-sensitive";
  EXPECT_STREQ(catalogue::vendorFileFor(""), "nand_lib/esmt.ini");
}

TEST_F(LookupTest, MatchesTheExactIdAndTheFirstMatchWins) {
  vendor("micron.ini", "[INFO]\nNumOfDevice=4\n" + entry(1, "2cda9095", "lower") +
                           entry(2, "0x2CDA9095", "prefixed") + entry(3, "2CDA9095", "first") +
                           entry(4, "2CDA9095", "second"));
  vendor("esmt.ini", "[INFO]\nNumOfDevice=1\n" + entry(1, "C8DA9095", "F59L2G81A"));
  lookUp("2CDA9095", "C8DA9095");
  EXPECT_EQ(chips.socketA.deviceName, "first");
  EXPECT_EQ(chips.socketA.devicePage, 2048);
  EXPECT_EQ(chips.socketA.pageMultiplier, 4);
  EXPECT_EQ(chips.socketA.deviceLens, "10000000");
  EXPECT_EQ(chips.socketB.deviceName, "F59L2G81A") << "unknown maker falls back to esmt.ini";
  lookUp("2CDA 9095", "");
  EXPECT_EQ(chips.socketA.deviceName, link::kUnrecognisedChip);
}

TEST_F(LookupTest, MissingKeysGiveMinusOneAndEmpty) {
  vendor("samsung.ini",
         "[INFO]\nNumOfDevice=1\n[deviceName1]\nDeviceID=ECF10095\nDevicePage=512\n");
  lookUp("ECF10095", "ECF10095");
  EXPECT_EQ(chips.socketA.deviceOob, -1);
  EXPECT_EQ(chips.socketA.deviceBlock, -1);
  EXPECT_EQ(chips.socketA.deviceAddr, -1);
  EXPECT_EQ(chips.socketA.deviceLens, "");
  EXPECT_EQ(chips.socketA.deviceName, "") << "no name counts as recognised";
  EXPECT_FALSE(chips.socketA.unrecognised());
  EXPECT_EQ(chips.socketB.pageMultiplier, 16) << "both sockets filled from the same section";
}

TEST_F(LookupTest, DeviceCountZeroNegativeOrMissingSearchesNothing) {
  for (const char* info : {"[INFO]\nNumOfDevice=0\n", "[INFO]\nNumOfDevice=-3\n", "[INFO]\n",
                           "[Other]\nNumOfDevice=1\n"}) {
    vendor("hynix.ini", std::string(info) + entry(1, "ADDA1095", "HY27UF082G2B"));
    lookUp("ADDA1095", "ADDA1095");
    EXPECT_EQ(chips.socketA.deviceName, link::kUnrecognisedChip) << info;
  }
}

TEST_F(LookupTest, SectionNumbersTenAndNinetyNine) {
  vendor("toshiba.ini", "[INFO]\nNumOfDevice=120\n" + entry(10, "98D19015", "ten") +
                            entry(99, "98DA9015", "ninety-nine") +
                            entry(100, "98DC9115", "hundred"));
  lookUp("98D19015", "98DA9015");
  EXPECT_EQ(chips.socketA.deviceName, "ten");
  EXPECT_EQ(chips.socketB.deviceName, "ninety-nine");
  lookUp("98DC9115", "98DC9115");
  EXPECT_EQ(chips.socketA.deviceName, link::kUnrecognisedChip) << "no section past 99";
}

TEST_F(LookupTest, EmptyIdMatchesTheFirstSectionWithoutAnId) {
  vendor("esmt.ini", "[INFO]\nNumOfDevice=3\n" + entry(1, "92F18095", "real") +
                         "[deviceName2]\nDevicePage=4096\nDeviceName=blank\n");
  lookUp("", "");
  EXPECT_EQ(chips.socketA.deviceName, "blank");
  vendor("esmt.ini", "[INFO]\nNumOfDevice=3\n" + entry(1, "92F18095", "real"));
  lookUp("", "");
  // Section 2 does not exist: its ID and page read as missing, and a missing page size names
  // no usable chip.
  EXPECT_EQ(chips.socketA.deviceName, link::kUnrecognisedChip);
}

TEST_F(LookupTest, UnrecognisedSocketKeepsItsNumbers) {
  vendor("micron.ini", "[INFO]\nNumOfDevice=1\n" + entry(1, "2CDA9095", "MT29F2G08ABAEA"));
  vendor("samsung.ini", "[INFO]\nNumOfDevice=1\n" + entry(1, "ECF10095", "K9F1G08U0B", 4096));
  lookUp("2CDA9095", "ECF10095");
  lookUp("FFFFFFFF", "ECF10095");
  EXPECT_EQ(chips.socketA.deviceName, link::kUnrecognisedChip);
  EXPECT_EQ(chips.socketA.devicePage, 2048);
  EXPECT_EQ(chips.socketA.deviceLens, "10000000");
  EXPECT_EQ(chips.socketB.devicePage, 4096);
}

TEST_F(LookupTest, EntryNamedNoneOrWithoutPositivePageIsUnrecognised) {
  vendor("st.ini", "[INFO]\nNumOfDevice=3\n" + entry(1, "20F1801D", "NONE") +
                       entry(2, "20DA1095", "zero", 0) + entry(3, "20DC8095", "neg", -2048));
  lookUp("20F1801D", "20DA1095");
  EXPECT_EQ(chips.socketA.deviceName, link::kUnrecognisedChip);
  EXPECT_EQ(chips.socketB.deviceName, link::kUnrecognisedChip);
  EXPECT_EQ(chips.socketB.pageMultiplier, 0) << "nothing divided by a zero page";
  lookUp("20DC8095", "20DC8095");
  EXPECT_EQ(chips.socketA.deviceName, link::kUnrecognisedChip);
}

TEST_F(LookupTest, VendorFileFoundWhateverItsLetterCase) {
  dir.write("NAND_LIB/SAMSUNG.INI", "[INFO]\nNumOfDevice=1\n" + entry(1, "ECF10095", "K9F1G08U0B"));
  lookUp("ECF10095", "");
  EXPECT_EQ(chips.socketA.deviceName, "K9F1G08U0B");
}

TEST_F(LookupTest, OversizedVendorFileCountsAsMissingAndIsReported) {
  std::string body = "[INFO]\nNumOfDevice=1\n" + entry(1, "ECF10095", "K9F1G08U0B");
  body.resize(catalogue::kMaxProfileBytes + 1, ' ');
  vendor("samsung.ini", body);
  chips.chipIdTextA = "ECF10095";
  std::string error;
  catalogue::LookUpChips(chips, dir.path(), &error);
  EXPECT_EQ(chips.socketA.deviceName, link::kUnrecognisedChip);
  EXPECT_THAT(error, ::testing::HasSubstr("samsung.ini: larger than 4194304 bytes"));
}

TEST_F(LookupTest, FolderInPlaceOfAVendorFileIsReportedNotThrown) {
  std::filesystem::create_directories(dir.file("nand_lib/esmt.ini"));
  chips.chipIdTextA = "92F18095";
  std::string error;
  EXPECT_NO_THROW(catalogue::LookUpChips(chips, dir.path(), &error));
  EXPECT_EQ(chips.socketA.deviceName, link::kUnrecognisedChip);
  EXPECT_THAT(error, ::testing::HasSubstr("esmt.ini: is a folder"));
}

TEST_F(LookupTest, CatalogueFoundInAFolderOfAnyLength) {
  // Made one component at a time: no single call may name a path this long.
  std::string deep = dir.path();
  int fd = ::open(deep.c_str(), O_RDONLY | O_DIRECTORY);
  const std::string part(200, 'd');
  while (deep.size() < 5000) {
    ASSERT_EQ(mkdirat(fd, part.c_str(), 0755), 0);
    const int next = openat(fd, part.c_str(), O_RDONLY | O_DIRECTORY);
    ::close(fd);
    fd = next;
    deep += "/" + part;
  }
  ASSERT_EQ(mkdirat(fd, "nand_lib", 0755), 0);
  const int file = openat(fd, "nand_lib/micron.ini", O_CREAT | O_WRONLY, 0644);
  ::close(fd);
  const std::string body = "[INFO]\nNumOfDevice=1\n" + entry(1, "2CDA9095", "MT29F2G08ABAEA");
  ASSERT_EQ(::write(file, body.data(), body.size()), static_cast<ssize_t>(body.size()));
  ::close(file);
  chips.chipIdTextA = "2CDA9095";
  catalogue::LookUpChips(chips, deep);
  EXPECT_EQ(chips.socketA.deviceName, "MT29F2G08ABAEA");
}

TEST(ShippedCatalogue, EveryVendorFileIsWellFormed) {
  const std::string dir = std::string(NORVIK_SOURCE_DIR) + "/nand_lib";
  const std::regex idPattern("^[0-9A-F]{8}$");
  const std::regex hexPattern("^[0-9A-F]+$");
  std::set<std::string> ids;
  int files = 0;
  for (const char* name :
       {"samsung", "hynix", "st", "toshiba", "micron", "intel", "spansion", "esmt"}) {
    const Profile p = Profile::load(dir + "/" + name + ".ini");
    const int n = p.getInt("INFO", "NumOfDevice", -1);
    ASSERT_GT(n, 0) << name;
    ASSERT_LE(n, 99) << name;
    ++files;
    for (int k = 1; k <= n; ++k) {
      const std::string s = "deviceName" + std::to_string(k);
      const std::string id = p.getString(s, "DeviceID", "", 20);
      SCOPED_TRACE(::testing::Message() << name << " " << s << " " << id);
      EXPECT_TRUE(std::regex_match(id, idPattern));
      EXPECT_TRUE(ids.insert(id).second) << "duplicate ID";
      const std::string lens = p.getString(s, "DeviceLens", "", 20);
      EXPECT_TRUE(std::regex_match(lens, hexPattern));
      const int page = p.getInt(s, "DevicePage", -1);
      const int oob = p.getInt(s, "DeviceOob", -1);
      const int block = p.getInt(s, "DeviceBlock", -1);
      EXPECT_GT(page, 0);
      EXPECT_EQ(8192 % page, 0);
      EXPECT_GT(oob, 0);
      EXPECT_GT(block, 0);
      const unsigned long long size = std::stoull(lens, nullptr, 16);
      EXPECT_EQ(size % (static_cast<unsigned long long>(page) * block), 0u);
      EXPECT_FALSE(p.getString(s, "DeviceName", "", 20).empty());
      const std::string maker = id.substr(0, 2);
      EXPECT_EQ(std::string(catalogue::vendorFileFor(maker)),
                std::string("nand_lib/") + name + ".ini")
          << "the lookup must find this entry in this file";
    }
  }
  EXPECT_EQ(files, 8);
  EXPECT_GE(ids.size(), 70u);
}

}  // namespace
}  // namespace norvik
