// Fuzzes the catalogue lookup and the geometry packets built from what it finds. The input is
// the bytes of a vendor file; both sockets' ID texts are taken from its first two "DeviceID="
// values, so that an input mostly finds its own entries and every number it holds travels on
// into the packets. Built and run by scripts/fuzz.sh.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "catalogue/lookup.h"
#include "catalogue/profile.h"
#include "link/geometry_packet.h"
#include "platform/working_folder.h"

namespace {

using namespace norvik;

// One working folder for the whole run, with its nand_lib/ folder.
const WorkingFolder& workingFolder() {
  static const WorkingFolder folder = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/norvik-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data()) || mkdir((pattern + "/nand_lib").c_str(), 0755) != 0) {
      std::perror("working folder");
      std::abort();
    }
    return WorkingFolder(pattern);
  }();
  return folder;
}

// The text after the next "DeviceID=" from `from` up to the end of its line, at most 19 bytes
// (the longest value the lookup reads); empty when there is none.
std::string nextId(std::string_view text, std::size_t& from) {
  constexpr std::string_view kKey = "DeviceID=";
  const std::size_t at = text.find(kKey, from);
  if (at == std::string_view::npos) {
    from = text.size();
    return {};
  }
  const std::size_t start = at + kKey.size();
  const std::size_t end = std::min(text.find_first_of("\r\n", start), text.size());
  from = end;
  return std::string(text.substr(start, std::min<std::size_t>(end - start, 19)));
}

void writeVendorFile(const std::string& idText, std::string_view bytes) {
  const std::string name = catalogue::vendorFileFor(idText.substr(0, 2));
  std::FILE* f = std::fopen(workingFolder().pathOf(name).c_str(), "wb");
  if (!f) std::abort();
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) std::abort();
  std::fclose(f);
}

void checkPackets(const link::ChipGeometry& chip, std::uint8_t sub, std::uint8_t maker) {
  for (int spare : {0, 1}) {
    const link::geometry_packet::Fields fields =
        link::geometry_packet::fromChip(chip, maker, spare);
    const link::CommandPacket packet = link::geometry_packet::encode(sub, fields);
    if (!(link::geometry_packet::decode(packet) == fields)) std::abort();
    (void)link::geometry_packet::pageBlockText(fields);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (size > catalogue::kMaxProfileBytes) return -1;  // refused unread; nothing to learn
  std::size_t from = 0;
  link::ChipState chips;
  chips.chipIdTextA = nextId(text, from);
  chips.chipIdTextB = nextId(text, from);
  writeVendorFile(chips.chipIdTextA, text);
  writeVendorFile(chips.chipIdTextB, text);

  std::string error;
  catalogue::LookUpChips(chips, workingFolder(), &error);
  if (!error.empty()) std::abort();  // a file just written must always read

  // The lines a file checker walks, from the same bytes.
  (void)catalogue::Profile::fromText(text).lines();

  const std::uint8_t maker = size > 0 ? data[0] : 0;
  checkPackets(chips.socketA, 0x03, maker);
  checkPackets(chips.socketB, 0x05, maker);
  return 0;
}
