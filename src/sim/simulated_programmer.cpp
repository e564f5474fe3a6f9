#include "sim/simulated_programmer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <random>
#include <stdexcept>
#include <utility>

#include "link/command_packet.h"
#include "link/flags.h"
#include "link/geometry_packet.h"
#include "link/replies.h"
#include "sim/page_store.h"

namespace norvik::sim {

using link::CommandPacket;
using link::Packet;

namespace {

constexpr int kSocketA = 0;
constexpr int kSocketB = 1;
constexpr int kSocketCount = 2;

constexpr std::uint8_t kErasedByte = 0xFF;
constexpr std::uint8_t kBadBlockByte = 0x00;
constexpr std::uint32_t kUnitTarget = 8192;  // main bytes of a transfer unit
constexpr std::uint64_t kWireGranule = 64;

// The programmer's answer to 0x01/0x01: "NV" and firmware version 1.0.
constexpr Packet kQueryReply = {0x55, 0xAA, 0x01, 0x01, 'N',  'V',  0x01, 0x00,
                                0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

void validate(const SocketConfig& s, const char* name) {
  auto bad = [&](const std::string& what) {
    throw std::invalid_argument(std::string("simulated socket ") + name + ": " + what);
  };
  if (s.pageSize <= 0 || s.pageSize > 65535) bad("page size out of range");
  if (s.oobSize < 0 || s.oobSize > 65535) bad("spare size out of range");
  if (s.pagesPerBlock <= 0 || s.blocks <= 0) bad("no blocks");
  if (static_cast<long long>(s.pagesPerBlock) * s.blocks > (1LL << 24)) bad("too many pages");
  for (int b : s.badBlocks) {
    if (b < 0 || b >= s.blocks) bad("bad block " + std::to_string(b) + " is not on the chip");
  }
}

// How a stream's data is cut into transfer units, from the geometry the host sent.
struct UnitLayout {
  std::uint32_t pageMain = 0;   // main bytes of a page on the wire
  std::uint32_t pageSpare = 0;  // spare bytes of a page on the wire (0 without the spare option)
  std::uint32_t pagesPerUnit = 0;

  std::uint32_t pageStride() const { return pageMain + pageSpare; }
  std::uint64_t unitMain() const { return std::uint64_t{pageMain} * pagesPerUnit; }
  std::uint64_t stride() const { return std::uint64_t{pageStride()} * pagesPerUnit; }
  std::uint64_t wireLength() const {
    return (stride() + kWireGranule - 1) / kWireGranule * kWireGranule;
  }
};

// The sent geometry decides the layout; where it is missing or unusable (a chip the host does
// not recognise sends zeros) the chip's own geometry stands in:
//  - main page = P - S, or the chip's page size when that is not positive;
//  - spare per page (spare option only) = S, or the chip's spare size when S is 0;
//  - pages per unit = the sent multiplier, or 8192 / main page (at least 1) when it is 0.
UnitLayout unitLayout(const std::optional<SentGeometry>& sent, const SocketConfig& chip,
                      bool spareOption) {
  UnitLayout u;
  const int sentMain = sent ? int{sent->pageSize} - int{sent->spareSize} : 0;
  u.pageMain = static_cast<std::uint32_t>(sentMain > 0 ? sentMain : chip.pageSize);
  if (spareOption) {
    u.pageSpare =
        static_cast<std::uint32_t>(sent && sent->spareSize > 0 ? sent->spareSize : chip.oobSize);
  }
  u.pagesPerUnit = sent && sent->pageMultiplier > 0 ? sent->pageMultiplier
                                                    : std::max(1U, kUnitTarget / u.pageMain);
  return u;
}

enum class StreamKind { None, Program, Read };

struct Stream {
  StreamKind kind = StreamKind::None;
  int socket = kSocketA;
  UnitLayout layout;
  bool spare = false;
  bool skipBad = false;
  std::uint64_t dataLeft = 0;  // program: image bytes still to come
  std::uint32_t unitCount = 0;
  std::uint32_t unit = 0;         // index of the next unit
  std::uint32_t cursor = 0;       // next physical page
  std::vector<bool> erasedInJob;  // per block: erased by this program job
};

// Physical page markers of a unit's plan.
constexpr std::uint32_t kPastEnd = 0xFFFFFFFF;  // past the last page, or no chip
constexpr std::uint32_t kInBadBlock = 0xFFFFFFFE;

}  // namespace

struct SimulatedProgrammer::Impl {
  struct Socket {
    SocketConfig chip;
    std::optional<SentGeometry> sent;
    PageStore store;
    std::vector<bool> badBlock;

    std::uint32_t pages() const {
      return chip.empty ? 0 : static_cast<std::uint32_t>(chip.pagesPerBlock * chip.blocks);
    }
    std::uint32_t blockOf(std::uint32_t page) const {
      return page / static_cast<std::uint32_t>(chip.pagesPerBlock);
    }
    bool isBad(std::uint32_t page) const { return badBlock[blockOf(page)]; }
  };

  Impl(SimConfig c, Clock& k) : config(std::move(c)), clock(k), rng(0x4E56524BU) {
    refuseLeft = config.faults.refuseCycles;
    badMarkerLeft = config.faults.badMarkerCycles;
    const SocketConfig* chips[kSocketCount] = {&config.socketA, &config.socketB};
    const char* names[kSocketCount] = {"A", "B"};
    for (int i = 0; i < kSocketCount; ++i) {
      Socket& s = sockets[i];
      s.chip = *chips[i];
      validate(s.chip, names[i]);
      s.badBlock.assign(static_cast<std::size_t>(s.chip.blocks), false);
      for (int b : s.chip.badBlocks) s.badBlock[static_cast<std::size_t>(b)] = true;
      if (s.chip.empty) continue;  // no chip, no cells
      std::string error;
      if (!s.store.open(s.chip.imagePath, s.chip.pageSize + s.chip.oobSize, s.pages(), &error)) {
        throw std::runtime_error("simulated socket " + std::string(names[i]) + ": " + error);
      }
    }
  }

  SimConfig config;
  Clock& clock;
  mutable std::mutex mutex;
  Socket sockets[kSocketCount];
  std::optional<Packet> reply;         // what the reply endpoint delivers, until the next command
  std::optional<CommandPacket> setup;  // the set-up packet, when it was the last command
  int refuseLeft = 0;
  int badMarkerLeft = 0;
  bool shortTransferDone = false;
  bool unplugged = false;
  Stream stream;
  std::vector<std::uint32_t> plan;     // physical page of each page of the current unit
  std::vector<std::uint8_t> pageData;  // one unit's pages as the chip stores them
  std::mt19937 rng;

  bool gone() const { return config.faults.absent || unplugged; }

  // A transfer that nothing answers: in real time it costs its whole time-out.
  int silence(int timeoutMs, int* sleepMs) const {
    if (config.realTime && timeoutMs > 0) *sleepMs = timeoutMs;
    return 0;
  }

  void latchReply(Packet packet) {
    if (config.faults.garbageReplies) {
      for (auto& b : packet) b = static_cast<std::uint8_t>(rng() & 0xFF);
    }
    reply = packet;
  }

  // ---- endpoint 3 -------------------------------------------------------------------------

  void command(const Packet& bytes) {
    stream.kind = StreamKind::None;  // any command ends a data stream
    reply.reset();                   // commands that do not answer clear the last reply
    std::optional<CommandPacket> previousSetup = std::exchange(setup, std::nullopt);
    const CommandPacket p = CommandPacket::fromBytes(bytes);
    if (p.isIdentification()) {
      identification(p);
    } else if (p.isOperation()) {
      operation(p, previousSetup);
    }
  }

  void identification(const CommandPacket& p) {
    if (p.command() == link::kCmdQuery && p.sub() == link::kCmdQuery) {
      latchReply(kQueryReply);
    } else if (p.command() == link::kCmdSocket) {
      switch (p.sub()) {
        case link::kSubReadIdA:
          latchReply(idReply(kSocketA, p.sub()));
          break;
        case link::kSubReadIdB:
          latchReply(idReply(kSocketB, p.sub()));
          break;
        case link::kSubGeometryA:
          takeGeometry(kSocketA, p);
          break;
        case link::kSubGeometryB:
          takeGeometry(kSocketB, p);
          break;
        default:
          break;
      }
    }
    // 0x5A/0x5A (refresh) and anything unknown: taken, no reply.
  }

  Packet idReply(int socket, std::uint8_t sub) const {
    const SocketConfig& chip = sockets[socket].chip;
    static constexpr std::uint8_t kNoChip[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    return link::id_reply::build(chip.empty ? kNoChip : chip.id, link::kCmdSocket, sub);
  }

  void takeGeometry(int socket, const CommandPacket& p) {
    sockets[socket].sent = link::geometry_packet::decode(p);
  }

  void operation(const CommandPacket& p, const std::optional<CommandPacket>& previousSetup) {
    if (p.sub() == p.command()) {
      setup = p;
      return;
    }
    if (p.sub() != link::kSubStart) return;
    const bool followsSetup = previousSetup && previousSetup->command() == p.command() &&
                              std::equal(p.bytes().begin() + 4, p.bytes().begin() + 13,
                                         previousSetup->bytes().begin() + 4);
    switch (p.command()) {
      case link::kCmdProgram:
      case link::kCmdRead:
        acknowledge(p, followsSetup);
        break;
      case link::kCmdCopy:
      case link::kCmdErase:
        startLongJob(p, followsSetup);
        break;
      default:
        break;
    }
  }

  // Program and read pairs: AA 55 cmd status AA 55. Status 1 starts the data stream.
  void acknowledge(const CommandPacket& start, bool followsSetup) {
    bool accept = followsSetup;
    bool wrongMarkers = false;
    if (followsSetup && badMarkerLeft > 0) {
      --badMarkerLeft;
      wrongMarkers = true;
      accept = false;
    }
    if (followsSetup && refuseLeft > 0) {
      --refuseLeft;
      accept = false;
    }
    Packet r = link::ack::build(start.command(), accept ? 1 : 0);
    if (wrongMarkers) {
      // A garbled acknowledgement: non-zero status, markers swapped.
      r = link::ack::build(start.command(), 1);
      std::swap(r[4], r[5]);
    }
    latchReply(r);
    if (accept) beginStream(start);
  }

  // Copy (0x07) and erase (0x08) jobs are not built yet: the programmer takes the pair and
  // stays silent, so the host re-sends it until its bound. These jobs will answer with progress
  // reports (32 55 percent status AA 55) and advance with the clock in real-time mode.
  void startLongJob(const CommandPacket& /*start*/, bool /*followsSetup*/) {}

  void beginStream(const CommandPacket& start) {
    const link::OperationFlags flags = link::OperationFlags::fromByte(start.flags());
    Stream s;
    s.kind = start.command() == link::kCmdProgram ? StreamKind::Program : StreamKind::Read;
    s.socket = flags.socketA ? kSocketA : kSocketB;
    s.spare = flags.spare;
    s.skipBad = flags.skipBad;
    const Socket& sock = sockets[s.socket];
    s.layout = unitLayout(sock.sent, sock.chip, s.spare);
    const std::uint64_t length = start.length();
    // Program lengths count the image's bytes, spare included; read lengths count main bytes.
    const std::uint64_t per =
        s.kind == StreamKind::Program ? s.layout.stride() : s.layout.unitMain();
    s.unitCount = static_cast<std::uint32_t>((length + per - 1) / per);
    s.dataLeft = length;
    const std::uint64_t startPage = start.start() / s.layout.pageMain;
    s.cursor = static_cast<std::uint32_t>(std::min<std::uint64_t>(startPage, kPastEnd));
    if (s.kind == StreamKind::Program && !sock.chip.empty) {
      s.erasedInJob.assign(static_cast<std::size_t>(sock.chip.blocks), false);
    }
    stream = std::move(s);
    if (stream.unitCount == 0) stream.kind = StreamKind::None;
    plan.assign(stream.layout.pagesPerUnit, kPastEnd);
    pageData.resize(std::size_t{stream.layout.pagesPerUnit} *
                    static_cast<std::size_t>(sock.chip.pageSize + sock.chip.oobSize));
  }

  // ---- data streams -------------------------------------------------------------------------

  // The physical page the next page of the stream goes to. With skipping, a cursor inside a bad
  // block moves to the first page of the next good block.
  std::uint32_t nextPage() {
    const Socket& sock = sockets[stream.socket];
    const std::uint32_t total = sock.pages();
    const auto ppb = static_cast<std::uint32_t>(sock.chip.pagesPerBlock);
    if (stream.cursor >= total) return kPastEnd;
    if (stream.skipBad) {
      while (stream.cursor < total && sock.isBad(stream.cursor)) {
        stream.cursor = (sock.blockOf(stream.cursor) + 1) * ppb;
      }
      if (stream.cursor >= total) return kPastEnd;
    }
    const std::uint32_t page = stream.cursor++;
    return sock.isBad(page) ? kInBadBlock : page;
  }

  // Calls `run(firstSlot, count)` for each run of slots whose pages are consecutive on the chip.
  template <typename Fn>
  bool forEachRun(std::uint32_t slots, Fn run) const {
    std::uint32_t k = 0;
    while (k < slots) {
      if (plan[k] >= kInBadBlock) {
        ++k;
        continue;
      }
      std::uint32_t n = 1;
      while (k + n < slots && plan[k + n] == plan[k] + n) ++n;
      if (!run(k, n)) return false;
      k += n;
    }
    return true;
  }

  // One program unit: the unit's data bytes (only the stream's first `length` bytes are data)
  // split into pages, each page's main bytes followed by its spare bytes with the spare option.
  bool programUnit(const std::uint8_t* wire) {
    Socket& sock = sockets[stream.socket];
    const UnitLayout& u = stream.layout;
    const std::uint64_t avail = std::min(u.stride(), stream.dataLeft);
    stream.dataLeft -= avail;
    const auto chipMain = static_cast<std::size_t>(sock.chip.pageSize);
    const auto chipSpare = static_cast<std::size_t>(sock.chip.oobSize);
    const std::size_t pageBytes = chipMain + chipSpare;

    std::uint32_t slots = 0;
    for (std::uint32_t k = 0; k < u.pagesPerUnit; ++k) {
      const std::uint64_t at = std::uint64_t{k} * u.pageStride();
      if (at >= avail) break;  // the image ended before this page
      plan[k] = nextPage();
      slots = k + 1;
      if (plan[k] >= kInBadBlock) continue;  // past the chip, or not kept by a bad block
      std::uint8_t* page = pageData.data() + std::size_t{k} * pageBytes;
      std::memset(page, kErasedByte, pageBytes);
      const auto mainBytes =
          static_cast<std::size_t>(std::min<std::uint64_t>({u.pageMain, chipMain, avail - at}));
      std::memcpy(page, wire + at, mainBytes);
      const std::uint64_t spareAt = at + u.pageMain;
      if (u.pageSpare > 0 && spareAt < avail) {
        const auto spareBytes = static_cast<std::size_t>(
            std::min<std::uint64_t>({u.pageSpare, chipSpare, avail - spareAt}));
        std::memcpy(page + chipMain, wire + spareAt, spareBytes);
      }
      // A block is erased before the job programs its first page in it.
      const std::uint32_t block = sock.blockOf(plan[k]);
      if (!stream.erasedInJob[block]) {
        stream.erasedInJob[block] = true;
        const auto ppb = static_cast<std::uint32_t>(sock.chip.pagesPerBlock);
        if (!sock.store.erasePages(block * ppb, ppb)) return false;
      }
    }
    return forEachRun(slots, [&](std::uint32_t k, std::uint32_t n) {
      return sock.store.writePages(plan[k], n, pageData.data() + std::size_t{k} * pageBytes);
    });
  }

  // One read unit: each page's main bytes (and spare bytes with the spare option), padded with
  // 0xFF to the wire length. Bad blocks read as 0x00, pages past the chip as 0xFF.
  bool readUnit(std::uint8_t* wire) {
    Socket& sock = sockets[stream.socket];
    const UnitLayout& u = stream.layout;
    const auto chipMain = static_cast<std::size_t>(sock.chip.pageSize);
    const auto chipSpare = static_cast<std::size_t>(sock.chip.oobSize);
    const std::size_t pageBytes = chipMain + chipSpare;

    for (std::uint32_t k = 0; k < u.pagesPerUnit; ++k) plan[k] = nextPage();
    bool ok = forEachRun(u.pagesPerUnit, [&](std::uint32_t k, std::uint32_t n) {
      return sock.store.readPages(plan[k], n, pageData.data() + std::size_t{k} * pageBytes);
    });
    if (!ok) return false;

    std::memset(wire, kErasedByte, static_cast<std::size_t>(u.wireLength()));
    for (std::uint32_t k = 0; k < u.pagesPerUnit; ++k) {
      std::uint8_t* out = wire + std::size_t{k} * u.pageStride();
      if (plan[k] == kPastEnd) continue;
      if (plan[k] == kInBadBlock) {
        std::memset(out, kBadBlockByte, u.pageStride());
        continue;
      }
      const std::uint8_t* page = pageData.data() + std::size_t{k} * pageBytes;
      std::memcpy(out, page, std::min<std::size_t>(u.pageMain, chipMain));
      if (u.pageSpare > 0) {
        std::memcpy(out + u.pageMain, page + chipMain,
                    std::min<std::size_t>(u.pageSpare, chipSpare));
      }
    }
    return true;
  }

  // Faults that strike a data transfer. Returns the result to give, or nullopt to go on.
  std::optional<int> dataFault(int length, int timeoutMs, int* sleepMs) {
    const FaultConfig& f = config.faults;
    if (f.unplugAtUnit >= 0 && stream.unit == static_cast<std::uint32_t>(f.unplugAtUnit)) {
      unplugged = true;
      stream.kind = StreamKind::None;
      return silence(timeoutMs, sleepMs);
    }
    if (!shortTransferDone && f.shortTransferAtUnit >= 0 &&
        stream.unit == static_cast<std::uint32_t>(f.shortTransferAtUnit)) {
      shortTransferDone = true;
      stream.kind = StreamKind::None;
      return length / 2;
    }
    return std::nullopt;
  }

  void unitDone() {
    if (++stream.unit >= stream.unitCount) stream.kind = StreamKind::None;
  }

  int write(int endpoint, const unsigned char* buffer, int length, int timeoutMs, int* sleepMs) {
    if (gone() || buffer == nullptr || length < 0) return silence(timeoutMs, sleepMs);
    if (endpoint == link::kEpCommand) {
      if (length != link::kPacketSize) return 0;
      Packet bytes;
      std::memcpy(bytes.data(), buffer, bytes.size());
      command(bytes);
      return length;
    }
    if (endpoint != link::kEpDataOut || stream.kind != StreamKind::Program) {
      return silence(timeoutMs, sleepMs);
    }
    if (static_cast<std::uint64_t>(length) != stream.layout.wireLength()) {
      stream.kind = StreamKind::None;  // not a unit: the job is broken off
      return 0;
    }
    if (auto fault = dataFault(length, timeoutMs, sleepMs)) return *fault;
    if (!programUnit(buffer)) {
      stream.kind = StreamKind::None;
      return 0;
    }
    unitDone();
    return length;
  }

  int read(int endpoint, unsigned char* buffer, int length, int timeoutMs, int* sleepMs) {
    if (gone() || buffer == nullptr || length < 0) return silence(timeoutMs, sleepMs);
    if (endpoint == link::kEpReply) {
      if (!reply || config.faults.dropReplies) return silence(timeoutMs, sleepMs);
      const int n = std::min(length, link::kPacketSize);
      std::memcpy(buffer, reply->data(), static_cast<std::size_t>(n));
      return n;
    }
    if (endpoint != link::kEpDataIn || stream.kind != StreamKind::Read) {
      return silence(timeoutMs, sleepMs);
    }
    if (static_cast<std::uint64_t>(length) != stream.layout.wireLength()) {
      stream.kind = StreamKind::None;
      return 0;
    }
    if (auto fault = dataFault(length, timeoutMs, sleepMs)) {
      if (*fault > 0) {
        // Only the first half of the unit arrives; the rest of the buffer stays as it was.
        std::vector<std::uint8_t> unit(static_cast<std::size_t>(length));
        if (!readUnit(unit.data())) return 0;
        std::memcpy(buffer, unit.data(), static_cast<std::size_t>(*fault));
      }
      return *fault;
    }
    if (!readUnit(buffer)) {
      stream.kind = StreamKind::None;
      return 0;
    }
    unitDone();
    return length;
  }
};

SimulatedProgrammer::SimulatedProgrammer(SimConfig config, Clock& clock)
    : impl_(std::make_unique<Impl>(std::move(config), clock)) {}

SimulatedProgrammer::~SimulatedProgrammer() = default;

int SimulatedProgrammer::writeData(int endpoint, const unsigned char* buffer, int length,
                                   int timeoutMs) {
  int sleepMs = 0;
  int result = 0;
  {
    std::lock_guard lock(impl_->mutex);
    result = impl_->write(endpoint, buffer, length, timeoutMs, &sleepMs);
  }
  if (sleepMs > 0) impl_->clock.sleepMs(sleepMs);  // not under the lock
  return result;
}

int SimulatedProgrammer::readData(int endpoint, unsigned char* buffer, int length, int timeoutMs) {
  int sleepMs = 0;
  int result = 0;
  {
    std::lock_guard lock(impl_->mutex);
    result = impl_->read(endpoint, buffer, length, timeoutMs, &sleepMs);
  }
  if (sleepMs > 0) impl_->clock.sleepMs(sleepMs);
  return result;
}

const SimConfig& SimulatedProgrammer::config() const {
  return impl_->config;
}

std::vector<std::uint8_t> SimulatedProgrammer::peekPage(int socket, std::uint32_t page) {
  std::lock_guard lock(impl_->mutex);
  if (socket < 0 || socket >= kSocketCount) return {};
  const Impl::Socket& s = impl_->sockets[socket];
  if (page >= s.pages()) return {};
  std::vector<std::uint8_t> out(static_cast<std::size_t>(s.chip.pageSize + s.chip.oobSize));
  if (s.isBad(page)) {
    std::fill(out.begin(), out.end(), kBadBlockByte);
  } else if (!s.store.readPages(page, 1, out.data())) {
    return {};
  }
  return out;
}

std::optional<SentGeometry> SimulatedProgrammer::sentGeometry(int socket) const {
  std::lock_guard lock(impl_->mutex);
  if (socket < 0 || socket >= kSocketCount) return std::nullopt;
  return impl_->sockets[socket].sent;
}

std::unique_ptr<SimulatedProgrammer> makeSimulatorFromEnvironment(Clock& clock, bool realTime,
                                                                  std::string* error) {
  SimConfig config = SimConfig::defaults();
  config.realTime = realTime;
  const char* path = std::getenv("NORVIK_SIMULATOR");
  if (path && *path) {
    std::optional<SimConfig> loaded = SimConfig::load(path, config, error);
    if (!loaded) return nullptr;
    config = std::move(*loaded);
  }
  try {
    return std::make_unique<SimulatedProgrammer>(std::move(config), clock);
  } catch (const std::exception& e) {
    if (error) *error = e.what();
    return nullptr;
  }
}

}  // namespace norvik::sim
