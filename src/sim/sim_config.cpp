// The simulator's configuration: built-in defaults and the INI file (docs/simulator.md). One
// table names every section and key; it serves both the check for unknown names and the
// reading.

#include "sim/sim_config.h"

#include <algorithm>
#include <filesystem>
#include <limits>
#include <span>
#include <string_view>

#include "catalogue/profile.h"
#include "sim/chip_limits.h"
#include "sim/config_field.h"
#include "sim/settings_file.h"

namespace norvik::sim {

namespace {

// Longest value read; a longer one is cut, as the program's other INI files are read.
constexpr std::size_t kValueChars = 4096;
constexpr long long kMaxCount = std::numeric_limits<int>::max();
// Chip sizes are read as any int; whether the simulator can model them is checkChip's call.
constexpr long long kAnyInt = std::numeric_limits<int>::max();

// The program's paths are UTF-8. Said so through char8_t, std::filesystem takes them as UTF-8 on
// every system; a plain char string would be read in the ANSI code page on Windows.
std::filesystem::path pathFromUtf8(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string utf8Of(const std::filesystem::path& p) {
  const std::u8string u = p.u8string();
  return std::string(u.begin(), u.end());
}

// What a key's value goes into.
struct Target {
  SimConfig& config;
  SocketConfig* socket;  // the section's socket, for [SocketA] and [SocketB]
  const std::filesystem::path& iniDir;
};

struct Key {
  std::string_view name;
  void (*read)(ConfigField& field, Target& target);
};

struct Section {
  std::string_view name;
  std::span<const Key> keys;
  SocketConfig SimConfig::*socket;  // null for sections that do not describe a socket
};

constexpr Key kSimulatorKeys[] = {
    {"Mode",
     [](ConfigField& f, Target& t) {
       const std::string m = lowerCase(f.value());
       if (m.empty()) return;
       if (m == "fast") {
         t.config.realTime = false;
       } else if (m == "realtime" || m == "real-time") {
         t.config.realTime = true;
       } else {
         f.fail("expected fast or realtime");
       }
     }},
};

constexpr Key kSocketKeys[] = {
    {"Empty", [](ConfigField& f, Target& t) { f.boolean(t.socket->empty); }},
    {"ID", [](ConfigField& f, Target& t) { f.id(t.socket->id); }},
    {"Page", [](ConfigField& f, Target& t) { f.integer(t.socket->pageSize, -kAnyInt, kAnyInt); }},
    {"Oob", [](ConfigField& f, Target& t) { f.integer(t.socket->oobSize, -kAnyInt, kAnyInt); }},
    {"PagesPerBlock",
     [](ConfigField& f, Target& t) { f.integer(t.socket->pagesPerBlock, -kAnyInt, kAnyInt); }},
    {"Blocks", [](ConfigField& f, Target& t) { f.integer(t.socket->blocks, -kAnyInt, kAnyInt); }},
    {"BadBlocks", [](ConfigField& f, Target& t) { f.blockList(t.socket->badBlocks); }},
    {"WeakPage", [](ConfigField& f, Target& t) { f.integer(t.socket->weakPage, -1, kAnyInt); }},
    {"Image",
     [](ConfigField& f, Target& t) {
       if (f.value().empty()) return;
       const std::filesystem::path p = pathFromUtf8(f.value());
       t.socket->imagePath = utf8Of((p.is_relative() ? t.iniDir / p : p).lexically_normal());
     }},
};

constexpr Key kFaultKeys[] = {
    {"Absent", [](ConfigField& f, Target& t) { f.boolean(t.config.faults.absent); }},
    {"DropReplies", [](ConfigField& f, Target& t) { f.boolean(t.config.faults.dropReplies); }},
    {"GarbageReplies",
     [](ConfigField& f, Target& t) { f.boolean(t.config.faults.garbageReplies); }},
    {"RefuseCycles",
     [](ConfigField& f, Target& t) { f.integer(t.config.faults.refuseCycles, 0, kMaxCount); }},
    {"BadMarkerCycles",
     [](ConfigField& f, Target& t) { f.integer(t.config.faults.badMarkerCycles, 0, kMaxCount); }},
    {"ShortTransferAtUnit",
     [](ConfigField& f, Target& t) {
       f.integer(t.config.faults.shortTransferAtUnit, -1, kMaxCount);
     }},
    {"UnplugAtUnit",
     [](ConfigField& f, Target& t) { f.integer(t.config.faults.unplugAtUnit, -1, kMaxCount); }},
    {"StallAtPercent",
     [](ConfigField& f, Target& t) { f.integer(t.config.faults.stallAtPercent, -1, 99); }},
    {"DoneInAck", [](ConfigField& f, Target& t) { f.boolean(t.config.faults.doneInAck); }},
    {"ShortDoneReport",
     [](ConfigField& f, Target& t) { f.boolean(t.config.faults.shortDoneReport); }},
    {"WrongMarkDoneReport",
     [](ConfigField& f, Target& t) { f.boolean(t.config.faults.wrongMarkDoneReport); }},
    {"ExtraBadBlocks",
     [](ConfigField& f, Target& t) { f.integer(t.config.faults.extraBadBlocks, 0, kMaxCount); }},
};

constexpr Key kSwapKeys[] = {
    {"Chips", [](ConfigField& f, Target& t) { f.integer(t.config.swap.chips, 0, kMaxCount); }},
    {"PresentMs",
     [](ConfigField& f, Target& t) { f.integer(t.config.swap.presentMs, 1, kMaxCount); }},
    {"AbsentMs",
     [](ConfigField& f, Target& t) { f.integer(t.config.swap.absentMs, 0, kMaxCount); }},
    {"WeakChips", [](ConfigField& f, Target& t) { f.blockList(t.config.swap.weakChips); }},
};

// In reading order: the first problem met is the one reported.
constexpr Section kSections[] = {
    {"Simulator", kSimulatorKeys, nullptr},
    {"SocketA", kSocketKeys, &SimConfig::socketA},
    {"SocketB", kSocketKeys, &SimConfig::socketB},
    {"Faults", kFaultKeys, nullptr},
    {"Swap", kSwapKeys, nullptr},
};

bool sameName(std::string_view a, std::string_view b) {
  return lowerCase(a) == lowerCase(b);
}

// Names the first section or key of the file that the simulator does not know, so that a typing
// mistake is reported instead of silently leaving a default in place.
std::string findUnknownName(const catalogue::Profile& profile) {
  for (const catalogue::Profile::Line& line : profile.lines()) {
    const std::string where = "line " + std::to_string(line.number) + ": ";
    if (line.section.empty()) return where + "key outside any section: " + line.key;
    const auto* section =
        std::find_if(std::begin(kSections), std::end(kSections),
                     [&](const Section& s) { return sameName(s.name, line.section); });
    if (section == std::end(kSections)) return where + "unknown section [" + line.section + "]";
    if (line.key.empty()) continue;
    if (!line.hasValue) return where + "expected Key=Value: " + line.key;
    if (std::none_of(section->keys.begin(), section->keys.end(),
                     [&](const Key& k) { return sameName(k.name, line.key); })) {
      return where + "unknown key " + line.key + " in [" + std::string(section->name) + "]";
    }
  }
  return {};
}

// Reads every key of the table that the file holds into `c`; the first problem goes to `why`.
bool readKeys(const catalogue::Profile& profile, const std::filesystem::path& iniDir, SimConfig& c,
              std::string* why) {
  for (const Section& section : kSections) {
    Target target{c, section.socket ? &(c.*section.socket) : nullptr, iniDir};
    for (const Key& key : section.keys) {
      if (!profile.has(section.name, key.name)) continue;
      ConfigField field(section.name, key.name,
                        profile.getString(section.name, key.name, "", kValueChars), why);
      key.read(field, target);
      if (field.failed()) return false;
    }
    if (!target.socket) continue;
    if (auto problem = checkChip(*target.socket)) {
      ConfigField(section.name, problem->key, problem->value, why).fail(problem->why);
      return false;
    }
  }
  return true;
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
  c.socketA.badBlocks = {437};
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
  auto failWith = [&](const std::string& why) -> std::optional<SimConfig> {
    if (error) *error = path + ": " + why;
    return std::nullopt;
  };
  try {
    std::optional<std::string> text = readSettingsFile(path, error);
    if (!text) return std::nullopt;
    const catalogue::Profile profile = catalogue::Profile::fromText(*text);
    if (std::string unknown = findUnknownName(profile); !unknown.empty()) return failWith(unknown);
    SimConfig c = base;
    std::string why;
    if (!readKeys(profile, pathFromUtf8(path).parent_path(), c, &why)) {
      return failWith(why);
    }
    if (!c.socketA.imagePath.empty() && c.socketA.imagePath == c.socketB.imagePath) {
      return failWith("[SocketA] and [SocketB] name the same Image file");
    }
    if (c.swap.chips > 0 && c.socketB.empty) {
      return failWith("[Swap] Chips: socket B's chips are of [SocketB]'s kind, which is Empty");
    }
    if (!c.swap.weakChips.empty() && c.socketB.weakPage < 0) {
      return failWith("[Swap] WeakChips: [SocketB] has no WeakPage for them to carry");
    }
    return c;
  } catch (const std::exception& e) {
    // Nothing about a settings file may take the program down.
    return failWith(e.what());
  }
}

}  // namespace norvik::sim
