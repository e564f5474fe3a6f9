// The shipped catalogue against its source table (data/nand-chips.csv) and against a second
// source: the generic decoding of the NAND ID bytes and the capacities of the JEDEC device codes,
// as the Linux kernel's NAND ID table applies them. A row whose part does not follow the generic
// decoding says why in its id_rule column; a reason for a part that does follow it is stale.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/lookup.h"
#include "catalogue/profile.h"
#include "link/chip_geometry.h"
#include "operations/transfer_unit.h"

namespace norvik {
namespace {

const std::string kSourceDir = NORVIK_SOURCE_DIR;

using Row = std::map<std::string, std::string>;

// RFC 4180: fields separated by commas, quoted when they hold a comma or a quote.
std::vector<std::vector<std::string>> parseCsv(const std::string& text) {
  std::vector<std::vector<std::string>> records(1, std::vector<std::string>(1));
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    std::string& field = records.back().back();
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      records.back().emplace_back();
    } else if (c == '\n') {
      records.emplace_back(1);
    } else if (c != '\r') {
      field += c;
    }
  }
  if (records.back().size() == 1 && records.back()[0].empty()) records.pop_back();
  return records;
}

std::vector<Row> chipTable() {
  std::ifstream in(kSourceDir + "/data/nand-chips.csv", std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  const auto records = parseCsv(text.str());
  std::vector<Row> rows;
  if (records.empty()) return rows;
  for (std::size_t r = 1; r < records.size(); ++r) {
    Row row;
    for (std::size_t c = 0; c < records[0].size() && c < records[r].size(); ++c) {
      row[records[0][c]] = records[r][c];
    }
    rows.push_back(row);
  }
  return rows;
}

int idByte(const std::string& id, int n) {
  return std::stoi(id.substr(static_cast<std::size_t>(n) * 2, 2), nullptr, 16);
}

// Capacities in MiB of the 8-bit device codes (second ID byte) that the generic table knows.
// Small-page codes: 512-byte pages with 16 spare bytes in 16 KiB blocks (8 KiB below 16 MiB).
const std::map<int, int> kSmallPageMiB = {{0x6B, 4},   {0xE3, 4},   {0xE5, 4},  {0xD6, 8},
                                          {0xE6, 8},   {0x33, 16},  {0x73, 16}, {0x35, 32},
                                          {0x75, 32},  {0x36, 64},  {0x76, 64}, {0x78, 128},
                                          {0x39, 128}, {0x79, 128}, {0x71, 256}};
// Large-page codes: page, spare and block come from the fourth ID byte.
const std::map<int, int> kLargePageMiB = {
    {0xA2, 64},    {0xA0, 64},   {0xF2, 64},    {0xD0, 64},    {0xF0, 64},    {0xA1, 128},
    {0xF1, 128},   {0xD1, 128},  {0xAA, 256},   {0xDA, 256},   {0xAC, 512},   {0xDC, 512},
    {0xA3, 1024},  {0xD3, 1024}, {0xA5, 2048},  {0xD5, 2048},  {0xA7, 4096},  {0xD7, 4096},
    {0xAE, 8192},  {0xDE, 8192}, {0x1A, 16384}, {0x3A, 16384}, {0x1C, 32768}, {0x3C, 32768},
    {0x1E, 65536}, {0x3E, 65536}};
// Device codes of 16-bit parts. Nothing says the programmer drives a 16-bit bus, so the
// catalogue holds none.
const std::set<int> kSixteenBitCodes = {0x43, 0x53, 0x45, 0x55, 0x46, 0x56, 0x72, 0x49, 0x74,
                                        0x59, 0xB2, 0xB0, 0xC2, 0xC0, 0xB1, 0xC1, 0xAD, 0xBA,
                                        0xCA, 0xBC, 0xCC, 0xB3, 0xC3, 0xB5, 0xC5, 0xB7, 0xC7,
                                        0xBE, 0xCE, 0x2A, 0x4A, 0x2C, 0x4C, 0x2E, 0x4E};

struct Decoded {
  int page;
  int spare;
  int pagesPerBlock;
  bool sixteenBit;
};

// The generic decoding of a large-page part's fourth ID byte.
Decoded decodeFourthByte(int e) {
  const int page = 1024 << (e & 0x03);
  const int spare = (8 << ((e >> 2) & 0x01)) * (page / 512);
  const int pagesPerBlock = ((64 * 1024) << ((e >> 4) & 0x03)) / page;
  return {page, spare, pagesPerBlock, ((e >> 6) & 0x01) != 0};
}

std::uint64_t number(const Row& row, const char* column) {
  return std::stoull(row.at(column));
}

// What the lookup makes of the shipped files for this ID, in socket A.
link::ChipState lookUp(const std::string& id) {
  link::ChipState chips;
  chips.chipIdTextA = id;
  catalogue::LookUpChips(chips, kSourceDir);
  return chips;
}

TEST(CatalogueData, TheTableIsThere) {
  const auto rows = chipTable();
  ASSERT_GE(rows.size(), 100u) << "data/nand-chips.csv missing or cut short";
  for (const char* column : {"maker", "id", "name", "page", "oob", "pages_per_block", "blocks",
                             "addr_cycles", "size_bytes", "size_hex", "id_rule", "source"}) {
    EXPECT_EQ(rows.front().count(column), 1u) << column;
  }
}

TEST(CatalogueData, TheLookupFindsEveryRowWithItsOwnValues) {
  for (const Row& row : chipTable()) {
    SCOPED_TRACE(::testing::Message() << row.at("id") << " " << row.at("name"));
    const link::ChipGeometry chip = lookUp(row.at("id")).socketA;
    EXPECT_EQ(chip.deviceName, row.at("name")) << "not found, another entry first, or name cut";
    EXPECT_EQ(chip.devicePage, std::stoi(row.at("page")));
    EXPECT_EQ(chip.deviceOob, std::stoi(row.at("oob")));
    EXPECT_EQ(chip.deviceBlock, std::stoi(row.at("pages_per_block")));
    EXPECT_EQ(chip.deviceAddr, std::stoi(row.at("addr_cycles")));
    EXPECT_EQ(chip.deviceLens, row.at("size_hex"));
  }
}

TEST(CatalogueData, EachVendorFileHoldsItsRowsOnceAndNothingElse) {
  std::map<std::string, std::multiset<std::string>> expected;
  for (const Row& row : chipTable()) {
    expected[catalogue::vendorFileFor(row.at("id").substr(0, 2))].insert(row.at("id"));
  }
  for (const char* file : {"nand_lib/samsung.ini", "nand_lib/hynix.ini", "nand_lib/st.ini",
                           "nand_lib/toshiba.ini", "nand_lib/micron.ini", "nand_lib/intel.ini",
                           "nand_lib/spansion.ini", "nand_lib/esmt.ini"}) {
    SCOPED_TRACE(file);
    const catalogue::Profile p = catalogue::Profile::load(kSourceDir + "/" + file);
    const int n = p.getInt("INFO", "NumOfDevice", -1);
    EXPECT_LE(n, 99) << "sections past deviceName99 are never searched";
    std::multiset<std::string> ids;
    for (int k = 1; k <= n; ++k) {
      ids.insert(p.getString("deviceName" + std::to_string(k), "DeviceID", "", 20));
    }
    EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()).size(), ids.size()) << "an ID twice";
    EXPECT_EQ(ids, expected[file]);
  }
}

TEST(CatalogueData, EveryGeometryFitsTheTransferUnit) {
  // Entries kept although their unit with the spare area is larger than the unit buffer: the
  // chip is still recognised, and read, programmed, copied and erased without the spare area.
  const std::map<std::string, std::string> mainAreaOnly = {
      {"ECD7947E", "8 KiB pages with 1 KiB spare: 9216 bytes a unit with the spare area"}};
  for (const Row& row : chipTable()) {
    const std::string& id = row.at("id");
    SCOPED_TRACE(::testing::Message() << id << " " << row.at("name"));
    link::ChipState chips = lookUp(id);
    ASSERT_GT(chips.socketA.devicePage, 0);
    EXPECT_LE(chips.socketA.devicePage, 8192);
    EXPECT_EQ(chips.socketA.pageMultiplier * chips.socketA.devicePage, 8192)
        << "a unit must hold whole pages";
    operations::fillTransferGeometry(chips, true);
    EXPECT_TRUE(operations::transferUnit(chips.transfer, false).usable());
    EXPECT_EQ(operations::transferUnit(chips.transfer, true).usable(), mainAreaOnly.count(id) == 0)
        << (mainAreaOnly.count(id) != 0 ? mainAreaOnly.at(id) : "unit with spare too large");
  }
}

TEST(CatalogueData, SizeIsPagesTimesPageSizeTimesBlocks) {
  for (const Row& row : chipTable()) {
    SCOPED_TRACE(::testing::Message() << row.at("id") << " " << row.at("name"));
    const link::ChipGeometry chip = lookUp(row.at("id")).socketA;
    const std::uint64_t size =
        number(row, "page") * number(row, "pages_per_block") * number(row, "blocks");
    EXPECT_EQ(std::stoull(chip.deviceLens, nullptr, 16), size);
    EXPECT_EQ(number(row, "size_bytes"), size);
  }
}

TEST(CatalogueData, IdBytesAgreeWithTheGenericDecodingOrSayWhyNot) {
  for (const Row& row : chipTable()) {
    const std::string& id = row.at("id");
    const std::string& rule = row.at("id_rule");
    SCOPED_TRACE(::testing::Message() << id << " " << row.at("name") << ": " << rule);
    const link::ChipGeometry chip = lookUp(id).socketA;
    const int code = idByte(id, 1);
    const std::uint64_t size = std::stoull(chip.deviceLens, nullptr, 16);
    EXPECT_EQ(kSixteenBitCodes.count(code), 0u) << "a 16-bit part";
    // The capacity does not depend on how the fourth byte is coded.
    for (const auto* table : {&kSmallPageMiB, &kLargePageMiB}) {
      if (table->count(code) != 0) {
        EXPECT_EQ(size, std::uint64_t{static_cast<unsigned>(table->at(code))} << 20)
            << "capacity of device code " << code;
      }
    }
    const Decoded d = decodeFourthByte(idByte(id, 3));
    const bool followsGeneric = kLargePageMiB.count(code) != 0 && !d.sixteenBit &&
                                d.page == chip.devicePage && d.spare == chip.deviceOob &&
                                d.pagesPerBlock == chip.deviceBlock;
    if (rule == "generic") {
      EXPECT_TRUE(followsGeneric) << "decodes as " << d.page << "/" << d.spare << "/"
                                  << d.pagesPerBlock << (d.sixteenBit ? " x16" : "");
    } else if (rule == "small-page") {
      EXPECT_EQ(kSmallPageMiB.count(code), 1u);
      EXPECT_EQ(chip.devicePage, 512);
      EXPECT_EQ(chip.deviceOob, 16);
      EXPECT_EQ(chip.deviceBlock, 32);
    } else {
      EXPECT_GE(rule.size(), 20u) << "a part off the generic rule needs a reason";
      EXPECT_FALSE(followsGeneric) << "stale reason: the part follows the generic rule";
      EXPECT_EQ(kSmallPageMiB.count(code), 0u) << "stale reason: a small-page part";
    }
  }
}

}  // namespace
}  // namespace norvik
