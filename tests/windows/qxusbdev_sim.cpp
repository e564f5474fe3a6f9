// A qxUSBDev.dll of our own for running the Windows norvik-cli end to end without hardware: the
// two library calls, answered by the simulated programmer in fast mode. Its settings come from
// the INI file NORVIK_DLL_SIMULATOR names (NORVIK_SIMULATOR would make norvik-cli pick its
// in-process simulator instead of loading this library). Built twice, exporting the calls as
// __stdcall (decorated names) and as __cdecl (plain names), so that both conventions the loader
// must cope with are exercised.
//
// NORVIK_DLL_FAULT makes the library misbehave as a faulty vendor library might, for the checks
// of what norvik-cli does then:
//   crash:FUNCTION[:ENDPOINT][@N]  the Nth call (default the first) of FUNCTION (write or read),
//                                  counting only calls on ENDPOINT if given, dies of an access
//                                  violation
//   hang:FUNCTION[:ENDPOINT][@N]   that call never returns
//   slow:MS                        every call takes MS milliseconds longer
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/clock.h"
#include "sim/simulated_programmer.h"

#if defined(NORVIK_TEST_DLL_STDCALL)
#define NORVIK_TEST_DLL_CONVENTION __stdcall
#else
#define NORVIK_TEST_DLL_CONVENTION __cdecl
#endif

namespace {

struct Programmer {
  std::mutex mutex;
  norvik::RealClock clock;
  std::unique_ptr<norvik::sim::SimulatedProgrammer> simulator;
  bool tried = false;
};

// Started at the first call; an unusable settings file is reported once and then the library
// behaves as with no programmer attached.
norvik::sim::SimulatedProgrammer* programmer(Programmer& p) {
  if (!p.tried) {
    p.tried = true;
    std::string error;
    p.simulator =
        norvik::sim::makeSimulatorFromEnvironment(p.clock, false, &error, "NORVIK_DLL_SIMULATOR");
    if (!p.simulator) std::fprintf(stderr, "qxUSBDev.dll (simulated): %s\n", error.c_str());
  }
  return p.simulator.get();
}

Programmer& shared() {
  static Programmer p;
  return p;
}

struct Fault {
  enum class Kind { None, Crash, Hang, Slow } kind = Kind::None;
  bool onWrite = false;
  int endpoint = -1;  // any
  int nth = 1;
  int slowMs = 0;
  int seen = 0;  // matching calls so far
};

Fault parseFault() {
  Fault f;
  const char* text = std::getenv("NORVIK_DLL_FAULT");
  if (text == nullptr || *text == '\0') return f;
  const std::string s = text;
  const std::size_t colon = s.find(':');
  const std::string kind = s.substr(0, colon);
  const std::string rest = colon == std::string::npos ? "" : s.substr(colon + 1);
  if (kind == "slow") {
    f.kind = Fault::Kind::Slow;
    f.slowMs = std::atoi(rest.c_str());
    return f;
  }
  f.kind = kind == "crash"  ? Fault::Kind::Crash
           : kind == "hang" ? Fault::Kind::Hang
                            : Fault::Kind::None;
  f.onWrite = rest.rfind("write", 0) == 0;
  const std::size_t at = rest.find('@');
  if (at != std::string::npos) f.nth = std::atoi(rest.c_str() + at + 1);
  const std::size_t endpoint = rest.find(':');
  if (endpoint != std::string::npos) f.endpoint = std::atoi(rest.c_str() + endpoint + 1);
  if (f.kind == Fault::Kind::None) {
    std::fprintf(stderr, "qxUSBDev.dll (simulated): NORVIK_DLL_FAULT=%s is not understood\n", text);
  }
  return f;
}

// Decided under the programmer's lock; the fault itself happens outside it.
Fault::Kind faultFor(bool isWrite, int endpoint, int* slowMs) {
  static Fault fault = parseFault();
  *slowMs = fault.slowMs;
  if (fault.kind == Fault::Kind::Slow) return Fault::Kind::Slow;
  if (fault.kind == Fault::Kind::None || fault.onWrite != isWrite) return Fault::Kind::None;
  if (fault.endpoint >= 0 && fault.endpoint != endpoint) return Fault::Kind::None;
  return ++fault.seen == fault.nth ? fault.kind : Fault::Kind::None;
}

// An address no process maps: the store below faults as a wild pointer in the vendor's code
// would. Volatile, so that the compiler can neither see the address nor drop the store.
volatile std::uintptr_t unmappedAddress = 0x10;

void misbehave(Fault::Kind kind, int slowMs) {
  switch (kind) {
    case Fault::Kind::Crash:
      *reinterpret_cast<volatile int*>(unmappedAddress) = 1;  // NOLINT(performance-no-int-to-ptr)
      break;
    case Fault::Kind::Hang:
      for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
    case Fault::Kind::Slow:
      std::this_thread::sleep_for(std::chrono::milliseconds(slowMs));
      break;
    case Fault::Kind::None:
      break;
  }
}

template <typename Transfer>
int answer(bool isWrite, int endpoint, const Transfer& transfer) {
  Programmer& p = shared();
  int slowMs = 0;
  Fault::Kind fault = Fault::Kind::None;
  {
    const std::lock_guard lock(p.mutex);
    fault = faultFor(isWrite, endpoint, &slowMs);
  }
  misbehave(fault, slowMs);
  const std::lock_guard lock(p.mutex);
  norvik::sim::SimulatedProgrammer* sim = programmer(p);
  return sim != nullptr ? transfer(*sim) : 0;
}

}  // namespace

extern "C" __declspec(dllexport) int NORVIK_TEST_DLL_CONVENTION
    qxUSB_WriteData(int endpoint, unsigned char* buffer, int length, int timeoutMs) {
  return answer(true, endpoint, [&](norvik::sim::SimulatedProgrammer& sim) {
    return sim.writeData(endpoint, buffer, length, timeoutMs);
  });
}

extern "C" __declspec(dllexport) int NORVIK_TEST_DLL_CONVENTION
    qxUSB_ReadData(int endpoint, unsigned char* buffer, int length, int timeoutMs) {
  return answer(false, endpoint, [&](norvik::sim::SimulatedProgrammer& sim) {
    return sim.readData(endpoint, buffer, length, timeoutMs);
  });
}
