// The chip catalogue: one INI file per chip maker under nand_lib/, chosen by the first ID byte,
// searched for an exact ID to learn the chip's name and geometry.
#pragma once

#include <string>

#include "link/chip_geometry.h"
#include "platform/working_folder.h"

namespace norvik::catalogue {

// The vendor file for a maker code (the first two characters of an ID text), relative to the
// working folder, as the program spells it (on disk it may be spelled in any case). Unknown codes
// fall back to the last row, nand_lib/esmt.ini.
const char* vendorFileFor(const std::string& makerCode);

// Fills socket A's and socket B's records from the catalogue under `currentDirectory`, matching
// the ID texts the last probe left. A socket whose ID is not found keeps its numbers and is
// named "未识别芯片"; so is one whose entry gives no positive page size.
void LookUpChips(link::ChipState& chips, const std::string& currentDirectory);
// The same; a vendor file that is there but cannot be read (a folder or device in its place, no
// permission, larger than kMaxProfileBytes) counts as missing, and `error` (when given) receives
// the first such problem, or is cleared when there was none.
void LookUpChips(link::ChipState& chips, const std::string& currentDirectory, std::string* error);
void LookUpChips(link::ChipState& chips, const WorkingFolder& folder, std::string* error);

}  // namespace norvik::catalogue
