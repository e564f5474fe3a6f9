#include "catalogue/lookup.h"

#include "catalogue/profile.h"
#include "platform/working_folder.h"

namespace norvik::catalogue {

namespace {

struct VendorRow {
  const char* makerCode;
  const char* file;
};

// Searched in this order; the last row is also the fallback.
constexpr VendorRow kVendors[] = {
    {"EC", "nand_lib/samsung.ini"},  {"AD", "nand_lib/hynix.ini"},  {"20", "nand_lib/st.ini"},
    {"98", "nand_lib/toshiba.ini"},  {"2C", "nand_lib/micron.ini"}, {"89", "nand_lib/intel.ini"},
    {"01", "nand_lib/spansion.ini"}, {"92", "nand_lib/esmt.ini"},
};

constexpr std::size_t kTextBuffer = 20;  // 19 characters and the terminator
constexpr const char* kNotSearched = "NONE";

// Keeps the first problem met, for the caller to report.
void note(std::string* error, const std::string& problem) {
  if (error && error->empty() && !problem.empty()) *error = problem;
}

void lookUpSocket(link::ChipGeometry& chip, const std::string& idText, const WorkingFolder& folder,
                  std::string* error) {
  std::string problem;
  const Profile profile = Profile::load(folder, vendorFileFor(idText.substr(0, 2)), &problem);
  note(error, problem);
  const int count = profile.getInt("INFO", "NumOfDevice", -1);
  // Section names exist up to deviceName99.
  for (int k = 1; k <= count && k <= 99; ++k) {
    const std::string section = "deviceName" + std::to_string(k);
    if (profile.getString(section, "DeviceID", "", kTextBuffer) != idText) continue;
    // A page size that is not positive cannot divide a transfer unit: such an entry names no
    // usable chip, so the socket stays unrecognised and keeps the numbers it had.
    const int page = profile.getInt(section, "DevicePage", -1);
    if (page <= 0) return;
    chip.devicePage = page;
    chip.deviceOob = profile.getInt(section, "DeviceOob", -1);
    chip.deviceBlock = profile.getInt(section, "DeviceBlock", -1);
    chip.deviceAddr = profile.getInt(section, "DeviceAddr", -1);
    // Defined for every value read: the page is positive, so the quotient lies in 0..8192.
    chip.pageMultiplier = 8192 / page;
    chip.deviceLens = profile.getString(section, "DeviceLens", "", kTextBuffer);
    chip.deviceName = profile.getString(section, "DeviceName", "", kTextBuffer);
    return;
  }
}

}  // namespace

const char* vendorFileFor(const std::string& makerCode) {
  for (const VendorRow& row : kVendors) {
    if (makerCode == row.makerCode) return row.file;
  }
  return kVendors[std::size(kVendors) - 1].file;
}

void LookUpChips(link::ChipState& chips, const std::string& currentDirectory) {
  LookUpChips(chips, WorkingFolder(currentDirectory), nullptr);
}

void LookUpChips(link::ChipState& chips, const std::string& currentDirectory, std::string* error) {
  LookUpChips(chips, WorkingFolder(currentDirectory), error);
}

void LookUpChips(link::ChipState& chips, const WorkingFolder& folder, std::string* error) {
  if (error) error->clear();
  chips.socketA.deviceName = kNotSearched;
  chips.socketB.deviceName = kNotSearched;
  lookUpSocket(chips.socketA, chips.chipIdTextA, folder, error);
  lookUpSocket(chips.socketB, chips.chipIdTextB, folder, error);
  if (chips.socketA.deviceName == kNotSearched) chips.socketA.deviceName = link::kUnrecognisedChip;
  if (chips.socketB.deviceName == kNotSearched) chips.socketB.deviceName = link::kUnrecognisedChip;
}

}  // namespace norvik::catalogue
