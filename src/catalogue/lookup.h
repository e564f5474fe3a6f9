// The chip catalogue: one INI file per chip maker under nand_lib/, chosen by the first ID byte,
// searched for an exact ID to learn the chip's name and geometry.
#pragma once

#include <string>

#include "link/chip_geometry.h"

namespace norvik::catalogue {

// The vendor file for a maker code (the first two characters of an ID text), relative to the
// current directory. Unknown codes fall back to the last row, nand_lib/esmt.ini.
const char* vendorFileFor(const std::string& makerCode);

// Fills socket A's and socket B's records from the catalogue under `currentDirectory`, matching
// the ID texts the last probe left. A socket whose ID is not found keeps its numbers and is
// named "未识别芯片"; so is one whose entry gives no positive page size.
void LookUpChips(link::ChipState& chips, const std::string& currentDirectory);

}  // namespace norvik::catalogue
