// The commands of norvik-cli, run against the dialog's own handlers through a console host.
#pragma once

#include <stop_token>
#include <string>

#include "app/backend_factory.h"

namespace norvik::cli {

struct Options {
  std::string path;
  std::string socket;  // "A", "B" or "" for Config.ini's choice (none: socket B)
  std::string ce;      // "0", "1" or "" for Config.ini's choice (none: no chip-enable radio)
  std::string start = "0";
  std::string length;  // "" for the chip's default length
  bool spare = true;   // as the dialog starts: every spare-area box checked
  bool skipBad = false;
  bool verify = false;
  bool yes = false;  // selftest: the destructive test is confirmed
  int count = 0;     // station: chips to do; 0 until Ctrl-C
  bool showProgress = false;
  std::stop_token stop;                // requested by a signal (see signal_watch.h)
  std::string backendChoice = "auto";  // --backend: sim, dll or auto
  std::string deviceLibrary;           // --device-library: the vendor's library to load
};

// Says which backend the other commands would use, and where it comes from.
int runBackend(const Options& opt);

int runDetect(const Options& opt);
int runProgram(const Options& opt);
int runRead(const Options& opt);
int runCopy(const Options& opt);
int runErase(const Options& opt);
int runSelfTest(const Options& opt);
int runBlankCheck(const Options& opt);
// The production loop: `program` with opt.path as the image, else copy.
int runStation(const Options& opt, bool program);

}  // namespace norvik::cli
