// norvik-cli: the programmer's operations from a shell, sharing the dialog's handlers.
//
//   norvik-cli detect [--spare]
//   norvik-cli program IMAGE [--socket A|B] [--ce 0|1] [--start HEX] [--spare] [--skip-bad]
//                            [--verify]
//   norvik-cli read OUTPUT [--socket A|B] [--ce 0|1] [--start HEX] [--length HEX] [--spare]
//                          [--skip-bad]
//   norvik-cli copy [--start HEX] --length HEX [--skip-bad] [--ce 0|1] [--spare]
//   norvik-cli erase [--socket A|B] [--start HEX] --length HEX [--skip-bad] [--spare]
//   norvik-cli selftest [--socket A|B] --yes
//
// Exit codes are listed in exit_codes.h and in the README.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>
#include <memory>

#include "cli_runner.h"
#include "exit_codes.h"

namespace {

int run(int argc, char** argv) {
  using namespace norvik::cli;
  CLI::App app{"Norvik: the two-socket NAND programmer from the command line"};
  app.require_subcommand(1);
  Options opt;

  auto* detect = app.add_subcommand("detect", "re-detect both sockets and show their chips");
  detect->add_flag("--spare", opt.spare, "send page sizes with the spare area");

  auto addJobOptions = [&opt](CLI::App* cmd) {
    cmd->add_option("--socket", opt.socket, "socket to work on (default: Config.ini, else A)")
        ->check(CLI::IsMember({"A", "B", "a", "b"}));
    cmd->add_option("--ce", opt.ce, "chip-enable line (default: Config.ini, else 0)")
        ->check(CLI::IsMember({"0", "1"}));
    cmd->add_option("--start", opt.start, "start address, hexadecimal")->default_val("0");
    cmd->add_flag("--spare", opt.spare, "the image carries each page's spare bytes");
    cmd->add_flag("--skip-bad", opt.skipBad, "skip bad blocks");
  };
  auto* program = app.add_subcommand("program", "program IMAGE into the chip");
  program->add_option("IMAGE", opt.path, "raw image to program")->required();
  addJobOptions(program);
  program->add_flag("--verify", opt.verify, "read the range back and compare");

  auto* read = app.add_subcommand("read", "read the chip into OUTPUT");
  read->add_option("OUTPUT", opt.path, "file to create")->required();
  addJobOptions(read);
  read->add_option("--length", opt.length,
                   "main-area bytes to read, hexadecimal "
                   "(default: the chip's length)");

  auto* copy = app.add_subcommand("copy", "have the programmer copy a range from socket A to B");
  copy->add_option("--start", opt.start, "start address on both chips, hexadecimal")
      ->default_val("0");
  copy->add_option("--length", opt.length, "main-area bytes to copy, hexadecimal")->required();
  copy->add_flag("--skip-bad", opt.skipBad, "skip bad blocks");
  copy->add_option("--ce", opt.ce, "chip-enable line (default: Config.ini, else 0)")
      ->check(CLI::IsMember({"0", "1"}));
  copy->add_flag("--spare", opt.spare, "probe with the spare area");

  auto* erase = app.add_subcommand("erase", "erase a range and count its bad blocks");
  erase->add_option("--socket", opt.socket, "socket to erase (default: Config.ini, else A)")
      ->check(CLI::IsMember({"A", "B", "a", "b"}));
  erase->add_option("--start", opt.start, "start address, hexadecimal")->default_val("0");
  erase->add_option("--length", opt.length, "main-area bytes to erase, hexadecimal")->required();
  erase->add_flag("--skip-bad", opt.skipBad, "skip bad blocks");
  erase->add_flag("--spare", opt.spare, "erase flags: the spare option");

  auto* selftest = app.add_subcommand(
      "selftest", "program test.bin, read it back into test1.bin and compare (destroys data)");
  selftest->add_option("--socket", opt.socket, "socket to test (default: Config.ini, else A)")
      ->check(CLI::IsMember({"A", "B", "a", "b"}));
  selftest->add_flag("--yes", opt.yes, "confirm that the chip's contents may be destroyed");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int rc = app.exit(e);
    return rc == 0 ? kExitOk : kExitUsage;
  }
  opt.showProgress = isatty(STDERR_FILENO) != 0;
  if (detect->parsed()) return runDetect(opt);
  if (program->parsed()) return runProgram(opt);
  if (copy->parsed()) return runCopy(opt);
  if (erase->parsed()) return runErase(opt);
  if (selftest->parsed()) return runSelfTest(opt);
  return runRead(opt);
}

}  // namespace

int main(int argc, char** argv) {
  // Nothing the program does is meant to throw; whatever still does is reported, never an abort.
  try {
    return run(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "norvik-cli: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "norvik-cli: unexpected failure\n");
  }
  return norvik::cli::kExitInternal;
}
