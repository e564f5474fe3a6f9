// The journal: one record per operation (program, read, copy, erase, self-test, blank check) from
// either front end, appended to journal.csv in the working folder, so that what happened to each
// chip can be looked up later. UTF-8 with a byte-order mark (spreadsheet programs then read the
// Chinese texts right), the header line once, RFC 4180 quoting, CR LF line ends, one line per
// record (line breaks inside a text become "; ").
//
// Appending is safe against several runs at once: the file is held alone for the one write, and
// another holder is waited for, as for systemlog.log. A record is written whole or not at all: a
// write that fails half-way is taken back, and a record cut short by a crash is removed by the
// next append before it writes.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

#include "platform/clock.h"
#include "platform/working_folder.h"

namespace norvik::app {

inline constexpr const char* kJournalFileName = "journal.csv";

struct JournalRecord {
  std::time_t startedAt = 0;
  std::string operation;  // "program", "read", "copy", "erase", "selftest", "blankcheck"
  std::string socket;     // "A", "B", or "A→B" for a copy
  std::string chipIdA, chipNameA, chipIdB, chipNameB;  // as the operation's probe found them
  std::optional<std::uint32_t> start, length;
  std::optional<bool> spare, skipBad;
  std::string chipEnable;  // "0", "1", or "" when none was chosen or the operation sends none
  std::string file;        // the image programmed or the output read into
  std::optional<std::uint64_t> fileBytes;  // the bytes the checksums cover
  std::string crc32, sha256;
  std::optional<int> badBlocks;  // an erase's count
  std::string result;            // "ok", or the failure in words
  // The code norvik-cli ends with for this outcome; none for a stopped operation, where it
  // ends with the signal's code.
  std::optional<int> exitCode;
  double seconds = 0;
  std::optional<double> megabytesPerSecond;  // 10^6 bytes moved per second, when it went well
  std::optional<int> stationChip;            // the chip's number in a station run
};

// The header line, CR LF included.
std::string journalHeader();
// The record as one CSV line, CR LF included.
std::string journalLine(const JournalRecord& record);

// Appends `line` (a whole record) to journal.csv in `folder`, with the byte-order mark and the
// header first when the file is new or empty. Waits up to 2 seconds (on `clock`) for another run
// that holds the file. False, with `problem` saying why, when it could not be written; the file
// is then as it was.
bool appendToJournal(const WorkingFolder& folder, const std::string& line, Clock& clock,
                     std::string* problem);

}  // namespace norvik::app
