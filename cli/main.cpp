// norvik-cli: the programmer's operations from a shell, sharing the dialog's handlers.
//
//   norvik-cli detect [--no-spare]
//   norvik-cli program IMAGE [--socket A|B] [--ce 0|1] [--start HEX] [--no-spare] [--skip-bad]
//                            [--verify]
//   norvik-cli read OUTPUT [--socket A|B] [--ce 0|1] [--start HEX] [--length HEX] [--no-spare]
//                          [--skip-bad]
//   norvik-cli copy [--start HEX] --length HEX [--skip-bad] [--ce 0|1] [--no-spare] [--verify]
//   norvik-cli erase [--socket A|B] [--start HEX] --length HEX [--skip-bad] [--no-spare]
//   norvik-cli selftest [--socket A|B] [--no-spare] --yes
//   norvik-cli blankcheck [--socket A|B] [--ce 0|1] [--start HEX] [--length HEX] [--no-spare]
//                         [--skip-bad]
//   norvik-cli station copy [--verify] [--count N] [--start HEX] [--length HEX] [--skip-bad]
//                           [--ce 0|1] [--no-spare]
//   norvik-cli station program IMAGE [--verify] [--count N] [--start HEX] [--skip-bad]
//                                    [--ce 0|1] [--no-spare]
//   norvik-cli backend
//
// Every command takes --backend sim|dll|auto (see app/backend_factory.h for what auto picks);
// `backend` prints which one is in use and where it comes from.
//
// The spare option is on unless --no-spare is given (--spare is still taken). Exit codes are
// listed in exit_codes.h and in the README; Ctrl-C, SIGTERM and SIGHUP stop the operation (see
// signal_watch.h).
#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>
#include <iterator>
#include <memory>
#include <stop_token>
#include <string>
#include <vector>

#include "app/backend_factory.h"
#include "app/front_end.h"
#include "cli_runner.h"
#include "exit_codes.h"
#include "signal_watch.h"
#include "terminal.h"
#include "utf8_console.h"

namespace {

using namespace norvik::cli;

// The spare option starts on, as the dialog's spare-area boxes do.
void addSpareFlag(CLI::App* cmd, Options& opt, const char* what) {
  cmd->add_flag("--spare,!--no-spare", opt.spare,
                std::string(what) + " (default; --no-spare: off)");
}

// A number given as an empty text ("--length ''", say from an unset shell variable) is a mistake,
// never a request for the default: only an option left out takes its default.
bool emptyValueGiven(const std::vector<CLI::Option*>& numbers) {
  for (const CLI::Option* o : numbers) {
    if (o->count() == 0) continue;
    const std::vector<std::string>& values = o->results();
    if (values.empty() || values.back().empty()) {
      std::fprintf(stderr, "norvik-cli: %s needs a hexadecimal value, not an empty one\n",
                   o->get_name().c_str());
      return true;
    }
  }
  return false;
}

int run(int argc, char** argv, std::stop_token stop) {
  CLI::App app{"Norvik: the two-socket NAND programmer from the command line"};
  app.require_subcommand(1);
  Options opt;
  opt.stop = std::move(stop);
  std::vector<CLI::Option*> numbers;  // --start and --length of every command
  std::string backendChoice = "auto";
  app.add_option("--backend", backendChoice,
                 "sim: the simulated programmer; dll: a real one through qxUSBDev.dll; auto "
                 "(default): NORVIK_BACKEND, else sim if NORVIK_SIMULATOR is set, else the "
                 "platform's own (dll on Windows, sim elsewhere)")
      ->check(CLI::IsMember(std::vector<std::string>(std::begin(norvik::app::kBackendChoices),
                                                     std::end(norvik::app::kBackendChoices))));
  app.add_option("--device-library", opt.deviceLibrary,
                 "the vendor's qxUSBDev.dll to load (default: the one beside norvik-cli; the "
                 "working folder and PATH are never searched)");
  app.fallthrough();  // --backend and --device-library may also follow the command
  auto* backend = app.add_subcommand("backend", "say which backend is in use and where it is");

  auto* detect = app.add_subcommand("detect", "re-detect both sockets and show their chips");
  addSpareFlag(detect, opt, "send page sizes with the spare area");

  auto addJobOptions = [&opt, &numbers](CLI::App* cmd) {
    cmd->add_option("--socket", opt.socket, "socket to work on (default: Config.ini, else B)")
        ->check(CLI::IsMember({"A", "B", "a", "b"}));
    cmd->add_option("--ce", opt.ce, "chip-enable line (default: Config.ini, else none)")
        ->check(CLI::IsMember({"0", "1"}));
    numbers.push_back(
        cmd->add_option("--start", opt.start, "start address, hexadecimal")->default_val("0"));
    addSpareFlag(cmd, opt, "the image carries each page's spare bytes");
    cmd->add_flag("--skip-bad", opt.skipBad, "skip bad blocks");
  };
  auto* program = app.add_subcommand("program", "program IMAGE into the chip");
  program->add_option("IMAGE", opt.path, "raw image to program")->required();
  addJobOptions(program);
  program->add_flag("--verify", opt.verify, "read the range back and compare");

  auto* read = app.add_subcommand("read", "read the chip into OUTPUT");
  read->add_option("OUTPUT", opt.path, "file to create")->required();
  addJobOptions(read);
  numbers.push_back(read->add_option("--length", opt.length,
                                     "main-area bytes to read, hexadecimal "
                                     "(default: the chip's length)"));

  auto* copy = app.add_subcommand("copy", "have the programmer copy a range from socket A to B");
  numbers.push_back(
      copy->add_option("--start", opt.start, "start address on both chips, hexadecimal")
          ->default_val("0"));
  numbers.push_back(
      copy->add_option("--length", opt.length, "main-area bytes to copy, hexadecimal")->required());
  copy->add_flag("--skip-bad", opt.skipBad, "skip bad blocks");
  copy->add_option("--ce", opt.ce, "chip-enable line (default: Config.ini, else none)")
      ->check(CLI::IsMember({"0", "1"}));
  addSpareFlag(copy, opt, "probe (and verify) with the spare area");
  copy->add_flag("--verify", opt.verify,
                 "then read the range from both sockets and compare them as the data arrives");

  auto* erase = app.add_subcommand("erase", "erase a range and count its bad blocks");
  erase->add_option("--socket", opt.socket, "socket to erase (default: Config.ini, else B)")
      ->check(CLI::IsMember({"A", "B", "a", "b"}));
  numbers.push_back(
      erase->add_option("--start", opt.start, "start address, hexadecimal")->default_val("0"));
  numbers.push_back(
      erase->add_option("--length", opt.length, "main-area bytes to erase, hexadecimal")
          ->required());
  erase->add_flag("--skip-bad", opt.skipBad, "skip bad blocks");
  addSpareFlag(erase, opt, "erase flags: the spare option");

  auto* selftest = app.add_subcommand(
      "selftest", "program test.bin, read it back into test1.bin and compare (destroys data)");
  selftest->add_option("--socket", opt.socket, "socket to test (default: Config.ini, else B)")
      ->check(CLI::IsMember({"A", "B", "a", "b"}));
  addSpareFlag(selftest, opt, "program and read with each page's spare bytes");
  selftest->add_flag("--yes", opt.yes, "confirm that the chip's contents may be destroyed");

  auto* blank =
      app.add_subcommand("blankcheck", "say whether a range of the chip is erased (0xFF)");
  addJobOptions(blank);
  numbers.push_back(blank->add_option("--length", opt.length,
                                      "main-area bytes to check, hexadecimal "
                                      "(default: the chip's length)"));

  auto* station = app.add_subcommand(
      "station", "a production loop: each new chip in socket B copied or programmed, counted");
  station->require_subcommand(1);
  auto addStationOptions = [&opt, &numbers](CLI::App* cmd) {
    cmd->add_flag("--verify", opt.verify, "verify each chip");
    cmd->add_option("--count", opt.count, "chips to do (default: until Ctrl-C)")
        ->check(CLI::PositiveNumber);
    numbers.push_back(
        cmd->add_option("--start", opt.start, "start address, hexadecimal")->default_val("0"));
    cmd->add_flag("--skip-bad", opt.skipBad, "skip bad blocks");
    cmd->add_option("--ce", opt.ce, "chip-enable line (default: Config.ini, else none)")
        ->check(CLI::IsMember({"0", "1"}));
    addSpareFlag(cmd, opt, "with each page's spare bytes");
  };
  auto* stationCopy = station->add_subcommand("copy", "copy socket A onto each chip in socket B");
  addStationOptions(stationCopy);
  numbers.push_back(stationCopy->add_option(
      "--length", opt.length, "main-area bytes to copy, hexadecimal (default: socket A's chip)"));
  auto* stationProgram =
      station->add_subcommand("program", "program IMAGE into each chip in socket B");
  stationProgram->add_option("IMAGE", opt.path, "raw image to program")->required();
  addStationOptions(stationProgram);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int rc = app.exit(e);
    return rc == 0 ? kExitOk : kExitUsage;
  }
  if (emptyValueGiven(numbers)) return kExitInput;
  opt.backendChoice = backendChoice;
  if (backend->parsed()) return runBackend(opt);
  opt.showProgress = isTerminal(stderr);
  if (detect->parsed()) return runDetect(opt);
  if (program->parsed()) return runProgram(opt);
  if (copy->parsed()) return runCopy(opt);
  if (erase->parsed()) return runErase(opt);
  if (selftest->parsed()) return runSelfTest(opt);
  if (blank->parsed()) return runBlankCheck(opt);
  if (station->parsed()) return runStation(opt, stationProgram->parsed());
  return runRead(opt);
}

}  // namespace

int main(int argc, char** argv) {
  norvik::app::restrictLibrarySearch();
  // Before any other thread starts, so that none of them takes the signals.
  const norvik::cli::SignalWatch signals;
  norvik::cli::Utf8Console console(argc, argv);
  // Nothing the program does is meant to throw; whatever still does is reported, never an abort.
  try {
    const int rc = run(console.argc(), console.argv(), signals.token());
    // A stopped run ends as the signal asked, whatever its handler made of the stop.
    return signals.signal() != 0 ? norvik::cli::exitCodeForSignal(signals.signal()) : rc;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "norvik-cli: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "norvik-cli: unexpected failure\n");
  }
  return norvik::cli::kExitInternal;
}
