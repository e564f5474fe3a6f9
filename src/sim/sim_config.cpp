// The simulator's configuration: built-in defaults and the INI file (docs/simulator.md).

#include "sim/sim_config.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <limits>
#include <set>
#include <string_view>

#include "catalogue/profile.h"
#include "sim/chip_limits.h"

namespace norvik::sim {

namespace {

struct KnownSection {
  std::string_view name;
  std::vector<std::string_view> keys;
};

const std::vector<KnownSection>& knownSections() {
  static const std::vector<KnownSection> sections = {
      {"Simulator", {"Mode"}},
      {"SocketA", {"Empty", "ID", "Page", "Oob", "PagesPerBlock", "Blocks", "BadBlocks", "Image"}},
      {"SocketB", {"Empty", "ID", "Page", "Oob", "PagesPerBlock", "Blocks", "BadBlocks", "Image"}},
      {"Faults",
       {"Absent", "DropReplies", "GarbageReplies", "RefuseCycles", "BadMarkerCycles",
        "ShortTransferAtUnit", "UnplugAtUnit"}},
  };
  return sections;
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool sameName(std::string_view a, std::string_view b) {
  return lower(a) == lower(b);
}

// Names the first section or key of the file that the simulator does not know, so that a typing
// mistake is reported instead of silently leaving a default in place.
std::string findUnknownName(const catalogue::Profile& profile) {
  for (const catalogue::Profile::Line& line : profile.lines()) {
    const std::string where = "line " + std::to_string(line.number) + ": ";
    const auto section =
        std::find_if(knownSections().begin(), knownSections().end(),
                     [&](const KnownSection& k) { return sameName(k.name, line.section); });
    if (line.section.empty()) return where + "key outside any section: " + line.key;
    if (section == knownSections().end()) return where + "unknown section [" + line.section + "]";
    if (line.key.empty()) continue;
    if (!line.hasValue) return where + "expected Key=Value: " + line.key;
    if (std::none_of(section->keys.begin(), section->keys.end(),
                     [&](std::string_view k) { return sameName(k, line.key); })) {
      return where + "unknown key " + line.key + " in [" + std::string(section->name) + "]";
    }
  }
  return {};
}

class Reader {
 public:
  Reader(const catalogue::Profile& profile, std::string* error)
      : profile_(profile), error_(error) {}

  bool present(std::string_view section, std::string_view key) const {
    return profile_.has(section, key);
  }

  bool failed() const { return failed_; }

  // The value, or nullopt when the key is missing or empty (the default stays).
  std::optional<std::string> value(std::string_view section, std::string_view key) const {
    std::string v = profile_.getString(section, key, "", 4096);
    if (v.empty()) return std::nullopt;
    return v;
  }

  void boolean(std::string_view section, std::string_view key, bool& out) {
    auto v = value(section, key);
    if (!v) return;
    const std::string l = lower(*v);
    if (l == "1" || l == "true" || l == "yes" || l == "on") {
      out = true;
    } else if (l == "0" || l == "false" || l == "no" || l == "off") {
      out = false;
    } else {
      fail(section, key, *v, "expected 0 or 1");
    }
  }

  void integer(std::string_view section, std::string_view key, int& out, long long min,
               long long max) {
    auto v = value(section, key);
    if (!v) return;
    auto n = parseInt(*v);
    if (!n || *n < min || *n > max) {
      fail(section, key, *v,
           "expected a whole number from " + std::to_string(min) + " to " + std::to_string(max));
      return;
    }
    out = static_cast<int>(*n);
  }

  void id(std::string_view section, std::string_view key, std::uint8_t (&out)[4]) {
    auto v = value(section, key);
    if (!v) return;
    std::string digits;
    for (char c : *v) {
      if (std::isspace(static_cast<unsigned char>(c))) continue;
      digits += c;
    }
    bool ok = digits.size() == 8 && std::all_of(digits.begin(), digits.end(), [](char c) {
                return std::isxdigit(static_cast<unsigned char>(c)) != 0;
              });
    if (!ok) {
      fail(section, key, *v, "expected four hexadecimal bytes, such as EC F1 00 95");
      return;
    }
    for (std::size_t i = 0; i < 4; ++i) {
      out[i] = static_cast<std::uint8_t>(std::stoul(digits.substr(i * 2, 2), nullptr, 16));
    }
  }

  // Block numbers; an empty value or "none" means no block at all.
  void blockList(std::string_view section, std::string_view key, std::vector<int>& out) {
    auto v = value(section, key);
    if (!v || lower(*v) == "none") {
      if (present(section, key)) out.clear();
      return;
    }
    std::vector<int> blocks;
    std::string_view rest = *v;
    while (!rest.empty()) {
      std::size_t cut = rest.find_first_of(", \t");
      std::string_view item = trim(rest.substr(0, cut));
      rest = cut == std::string_view::npos ? std::string_view{} : rest.substr(cut + 1);
      if (item.empty()) continue;
      auto n = parseInt(item);
      if (!n || *n < 0 || *n > std::numeric_limits<int>::max()) {
        fail(section, key, *v, "expected block numbers separated by commas");
        return;
      }
      blocks.push_back(static_cast<int>(*n));
    }
    out = std::move(blocks);
  }

  void fail(std::string_view section, std::string_view key, std::string_view value,
            const std::string& why) {
    if (failed_) return;  // the first problem is the one reported
    failed_ = true;
    if (error_) {
      *error_ = "[" + std::string(section) + "] " + std::string(key) + "=" + std::string(value) +
                ": " + why;
    }
  }

  static std::optional<long long> parseInt(std::string_view text) {
    text = trim(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    long long n = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (ec != std::errc{} || ptr != text.data() + text.size() || text.empty()) return std::nullopt;
    return n;
  }

 private:
  const catalogue::Profile& profile_;
  std::string* error_;
  bool failed_ = false;
};

void readSocket(Reader& r, std::string_view section, SocketConfig& socket,
                const std::filesystem::path& iniDir) {
  r.boolean(section, "Empty", socket.empty);
  r.id(section, "ID", socket.id);
  r.integer(section, "Page", socket.pageSize, 1, 65535);
  r.integer(section, "Oob", socket.oobSize, 0, 65535);
  r.integer(section, "PagesPerBlock", socket.pagesPerBlock, 1, 65535);
  r.integer(section, "Blocks", socket.blocks, 1, kMaxPages);
  if (r.failed()) return;
  if (static_cast<long long>(socket.pagesPerBlock) * socket.blocks > kMaxPages) {
    r.fail(section, "Blocks", std::to_string(socket.blocks),
           "the chip would have more than " + std::to_string(kMaxPages) + " pages");
    return;
  }
  r.blockList(section, "BadBlocks", socket.badBlocks);
  for (int b : socket.badBlocks) {
    if (b >= socket.blocks) {
      r.fail(section, "BadBlocks", std::to_string(b),
             "block number past the last block (" + std::to_string(socket.blocks - 1) + ")");
      return;
    }
  }
  if (auto image = r.value(section, "Image")) {
    std::filesystem::path p(*image);
    socket.imagePath = (p.is_relative() ? iniDir / p : p).lexically_normal().string();
  }
}

}  // namespace

SimConfig SimConfig::defaults() {
  SimConfig c;
  c.socketA.id[0] = 0xEC;  // Samsung K9F1G08U0B, 1 Gbit
  c.socketA.id[1] = 0xF1;
  c.socketA.id[2] = 0x00;
  c.socketA.id[3] = 0x95;
  c.socketA.pageSize = 2048;
  c.socketA.oobSize = 64;
  c.socketA.pagesPerBlock = 64;
  c.socketA.blocks = 1024;
  c.socketA.badBlocks = {37};
  c.socketB.id[0] = 0x2C;  // Micron MT29F2G08ABAEA, 2 Gbit
  c.socketB.id[1] = 0xDA;
  c.socketB.id[2] = 0x90;
  c.socketB.id[3] = 0x95;
  c.socketB.pageSize = 2048;
  c.socketB.oobSize = 64;
  c.socketB.pagesPerBlock = 64;
  c.socketB.blocks = 2048;
  c.socketB.badBlocks = {101};
  return c;
}

std::optional<SimConfig> SimConfig::load(const std::string& path, std::string* error) {
  return load(path, defaults(), error);
}

std::optional<SimConfig> SimConfig::load(const std::string& path, const SimConfig& base,
                                         std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (error) *error = "cannot read simulator settings " + path;
    return std::nullopt;
  }
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const catalogue::Profile profile = catalogue::Profile::fromText(text);
  if (std::string unknown = findUnknownName(profile); !unknown.empty()) {
    if (error) *error = path + ": " + unknown;
    return std::nullopt;
  }
  std::string why;
  Reader r(profile, &why);
  SimConfig c = base;

  if (auto mode = r.value("Simulator", "Mode")) {
    const std::string m = lower(*mode);
    if (m == "fast") {
      c.realTime = false;
    } else if (m == "realtime" || m == "real-time") {
      c.realTime = true;
    } else {
      r.fail("Simulator", "Mode", *mode, "expected fast or realtime");
    }
  }
  const std::filesystem::path iniDir = std::filesystem::path(path).parent_path();
  readSocket(r, "SocketA", c.socketA, iniDir);
  readSocket(r, "SocketB", c.socketB, iniDir);

  constexpr long long kMaxCount = std::numeric_limits<int>::max();
  r.boolean("Faults", "Absent", c.faults.absent);
  r.boolean("Faults", "DropReplies", c.faults.dropReplies);
  r.boolean("Faults", "GarbageReplies", c.faults.garbageReplies);
  r.integer("Faults", "RefuseCycles", c.faults.refuseCycles, 0, kMaxCount);
  r.integer("Faults", "BadMarkerCycles", c.faults.badMarkerCycles, 0, kMaxCount);
  r.integer("Faults", "ShortTransferAtUnit", c.faults.shortTransferAtUnit, -1, kMaxCount);
  r.integer("Faults", "UnplugAtUnit", c.faults.unplugAtUnit, -1, kMaxCount);

  if (r.failed()) {
    if (error) *error = path + ": " + why;
    return std::nullopt;
  }
  if (!c.socketA.imagePath.empty() && c.socketA.imagePath == c.socketB.imagePath) {
    if (error) *error = path + ": [SocketA] and [SocketB] name the same Image file";
    return std::nullopt;
  }
  return c;
}

}  // namespace norvik::sim
