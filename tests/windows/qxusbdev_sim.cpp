// A qxUSBDev.dll of our own for running the Windows norvik-cli end to end without hardware: the
// two library calls, answered by the simulated programmer in fast mode. Its settings come from
// the INI file NORVIK_DLL_SIMULATOR names (NORVIK_SIMULATOR would make norvik-cli pick its
// in-process simulator instead of loading this library). Built twice, exporting the calls as
// __stdcall (decorated names) and as __cdecl (plain names), so that both conventions the loader
// must cope with are exercised.
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

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

}  // namespace

extern "C" __declspec(dllexport) int NORVIK_TEST_DLL_CONVENTION
    qxUSB_WriteData(int endpoint, unsigned char* buffer, int length, int timeoutMs) {
  Programmer& p = shared();
  const std::lock_guard lock(p.mutex);
  norvik::sim::SimulatedProgrammer* sim = programmer(p);
  return sim != nullptr ? sim->writeData(endpoint, buffer, length, timeoutMs) : 0;
}

extern "C" __declspec(dllexport) int NORVIK_TEST_DLL_CONVENTION
    qxUSB_ReadData(int endpoint, unsigned char* buffer, int length, int timeoutMs) {
  Programmer& p = shared();
  const std::lock_guard lock(p.mutex);
  norvik::sim::SimulatedProgrammer* sim = programmer(p);
  return sim != nullptr ? sim->readData(endpoint, buffer, length, timeoutMs) : 0;
}
