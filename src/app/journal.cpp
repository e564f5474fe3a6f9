#include "app/journal.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <vector>

#include "files/file_object.h"
#include "platform/errno_text.h"
#include "platform/local_time.h"

namespace norvik::app {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr const char* kFields[] = {"time",      "operation",   "socket", "chip A ID", "chip A name",
                                   "chip B ID", "chip B name", "start",  "length",    "spare",
                                   "skip bad",  "CE",          "file",   "bytes",     "CRC-32",
                                   "SHA-256",   "bad blocks",  "result", "exit code", "seconds",
                                   "MB/s",      "station chip"};

// One field, quoted when it holds a comma, a quote or a line break (RFC 4180); line breaks are
// first made "; ", so that every record stays on one line.
std::string field(const std::string& text) {
  std::string flat;
  flat.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      flat += "; ";
    } else {
      flat += c;
    }
  }
  if (flat.find_first_of(",\"") == std::string::npos) return flat;
  std::string quoted = "\"";
  for (const char c : flat) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

std::string hex(std::optional<std::uint32_t> value) {
  if (!value) return {};
  char text[16];
  std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(*value));
  return text;
}

std::string yesNo(std::optional<bool> value) {
  if (!value) return {};
  return *value ? "yes" : "no";
}

template <typename T>
std::string number(std::optional<T> value) {
  return value ? std::to_string(*value) : std::string();
}

std::string decimals(double value, int places) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", places, value);
  return text;
}

std::string joined(const std::vector<std::string>& fields) {
  std::string line;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) line += ',';
    line += field(fields[i]);
  }
  line += "\r\n";
  return line;
}

// Where the whole records of the file end: just after its last line break. Whatever follows is
// a record a crash cut short.
std::optional<std::uint64_t> wholeRecordsEnd(files::FileObject& file) {
  const std::int64_t length = file.length();
  if (length < 0) return std::nullopt;
  std::array<char, 4096> chunk{};
  auto end = static_cast<std::uint64_t>(length);
  while (end > 0) {
    const std::uint64_t from = end > chunk.size() ? end - chunk.size() : 0;
    const auto size = static_cast<std::size_t>(end - from);
    if (!file.seek(from)) return std::nullopt;
    const std::optional<std::size_t> got = file.readChecked(chunk.data(), size);
    if (!got || *got != size) return std::nullopt;
    for (std::size_t i = size; i > 0; --i) {
      if (chunk[i - 1] == '\n') return from + i;
    }
    end = from;
  }
  return 0;
}

}  // namespace

std::string journalHeader() {
  return joined(std::vector<std::string>(std::begin(kFields), std::end(kFields)));
}

std::string journalLine(const JournalRecord& r) {
  std::vector<std::string> f = {
      isoLocalTime(r.startedAt),
      r.operation,
      r.socket,
      r.chipIdA,
      r.chipNameA,
      r.chipIdB,
      r.chipNameB,
      hex(r.start),
      hex(r.length),
      yesNo(r.spare),
      yesNo(r.skipBad),
      r.chipEnable,
      r.file,
      number(r.fileBytes),
      r.crc32,
      r.sha256,
      number(r.badBlocks),
      r.result,
      number(r.exitCode),
      decimals(r.seconds, 3),
      r.megabytesPerSecond ? decimals(*r.megabytesPerSecond, 3) : std::string(),
      number(r.stationChip),
  };
  return joined(f);
}

bool appendToJournal(const WorkingFolder& folder, const std::string& line, Clock& clock,
                     std::string* problem) {
  const std::string path = folder.pathOf(kJournalFileName);
  auto fail = [&](const std::string& why) {
    if (problem) *problem = path + ": " + why;
    return false;
  };
  files::FileObject file;
  if (!file.openTakingTurns(folder, kJournalFileName, files::Access::ReadWrite,
                            files::Disposition::OpenAlways, clock)) {
    return fail(file.lastError() == EWOULDBLOCK ? "held by another program"
                                                : errnoText(file.lastError()));
  }
  const std::optional<std::uint64_t> keep = wholeRecordsEnd(file);
  if (!keep) return fail(errnoText(file.lastError()));
  if (static_cast<std::int64_t>(*keep) != file.length() && !file.truncate(*keep)) {
    return fail(errnoText(file.lastError()));
  }
  std::string bytes;
  if (*keep == 0) {
    bytes = kByteOrderMark;
    bytes += journalHeader();
  }
  bytes += line;
  if (!file.seek(*keep) || !file.write(bytes.data(), bytes.size())) {
    const int error = file.lastError();
    file.truncate(*keep);  // a record goes in whole or not at all
    return fail(errnoText(error));
  }
  return true;
}

}  // namespace norvik::app
