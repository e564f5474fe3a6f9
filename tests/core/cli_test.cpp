// norvik-cli as a user runs it: a separate process against the simulated programmer.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "app/messages.h"
#include "platform/cp936.h"
#include "test_support.h"

extern char** environ;

namespace norvik {
namespace {

struct CliRun {
  int code;
  std::string out;
  std::string err;
};

// The norvik-cli the tests run: the one built with them, or NORVIK_CLI_UNDER_TEST when set (another
// build run through a wrapper, such as scripts/wine-cli.sh for the Windows one). Absolute, as
// the tests start it from the test's own folder.
std::string cliUnderTest() {
  const char* other = std::getenv("NORVIK_CLI_UNDER_TEST");
  if (other == nullptr || *other == '\0') return NORVIK_CLI_PATH;
  return std::filesystem::absolute(other).string();
}

class CliTest : public ::testing::Test {
 protected:
  CliTest() {
    std::filesystem::copy(std::string(NORVIK_SOURCE_DIR) + "/nand_lib", dir.file("nand_lib"));
    simulator("");
  }
  void simulator(const std::string& extra) {
    dir.write("sim.ini", "[SocketA]\nImage=a.img\n[SocketB]\nImage=b.img\n" + extra);
  }
  CliRun cli(const std::string& args) {
    const std::string cmd = "cd '" + dir.path() + "' && NORVIK_SIMULATOR='" + dir.file("sim.ini") +
                            "' NORVIK_TRACE='" + dir.file("trace.txt") + "' '" + cliUnderTest() +
                            "' " + args + " > out.txt 2> err.txt";
    const int status = std::system(cmd.c_str());
    return CliRun{WIFEXITED(status) ? WEXITSTATUS(status) : -1, dir.read("out.txt"),
                  dir.read("err.txt")};
  }
  // norvik-cli started as cli() starts it, without waiting for it to end.
  pid_t start(const std::vector<std::string>& args) {
    std::vector<std::string> env = {"NORVIK_SIMULATOR=" + dir.file("sim.ini"),
                                    "NORVIK_TRACE=" + dir.file("trace.txt")};
    for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);  // ours come first
    const std::string program = cliUnderTest();
    std::vector<std::string> argv = {program};
    argv.insert(argv.end(), args.begin(), args.end());
    auto pointers = [](std::vector<std::string>& v) {
      std::vector<char*> p;
      p.reserve(v.size() + 1);
      for (std::string& x : v) p.push_back(x.data());
      p.push_back(nullptr);
      return p;
    };
    std::vector<char*> a = pointers(argv);
    std::vector<char*> e = pointers(env);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addchdir_np(&files, dir.path().c_str());
    posix_spawn_file_actions_addopen(&files, 1, "out.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, 2, "err.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    // The signals as a shell starts a program in the foreground: default action, not blocked.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none;
    sigset_t stops;
    sigemptyset(&none);
    sigemptyset(&stops);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stops, sig);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &stops);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, program.c_str(), &files, &attr, a.data(), e.data());
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attr);
    return rc == 0 ? pid : -1;
  }
  // Checks `done` until it holds, for at most 30 s.
  static bool eventually(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }
  // The exit code of `pid`; -1 (the process killed) when it does not end within 30 s or ends
  // by a signal.
  static int exitCode(pid_t pid) {
    int status = 0;
    if (!eventually([&] { return waitpid(pid, &status, WNOHANG) == pid; })) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::size_t count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
      ++n;
    }
    return n;
  }
  // Byte 12, the flags, of the first command packet in the trace that starts with `head` (hex).
  std::string flagsOf(const std::string& head) {
    const std::string trace = dir.read("trace.txt");
    const std::size_t at = trace.find(" 16 " + head);
    return at == std::string::npos ? "none" : trace.substr(at + 4 + 24, 2);
  }
  // What a shell command run in the test's folder prints, without its last line break.
  std::string shell(const std::string& command) {
    const std::string cmd = "cd '" + dir.path() + "' && " + command + " > shell.txt";
    if (std::system(cmd.c_str()) != 0) return {};
    std::string out = dir.read("shell.txt");
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
  }
  static std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
  }
  testing::TempDir dir;
};

TEST_F(CliTest, DetectPrintsBothChipsAndTracesTheRefreshSequence) {
  CliRun r = cli("detect --no-spare");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out,
            "A ECF10095 K9F1G08U0B 2048-64\n"
            "B 2CDA9095 MT29F2G08ABAEA 2048-64\n");
  std::istringstream trace(dir.read("trace.txt"));
  std::vector<std::string> lines;
  for (std::string line; std::getline(trace, line);) {
    lines.push_back(line.substr(line.find(' ') + 1));  // drop the time
  }
  const std::vector<std::string> probeBefore = {"W 3 16 1000 16 55AA010155AA00000000000000000000",
                                                "P 20",
                                                "R 2 16 1000 16 55AA01014E5601000000000000000000",
                                                "R 2 16 1000 16 55AA01014E5601000000000000000000",
                                                "W 3 16 1000 16 55AA020255AA00000000000000000000",
                                                "P 20",
                                                "R 2 16 1000 16 55AAECF1009502020000000000000000",
                                                "R 2 16 1000 16 55AAECF1009502020000000000000000",
                                                "W 3 16 1000 16 55AA020355AAEC000000000000000000",
                                                "P 20",
                                                "W 3 16 1000 16 55AA020455AA00000000000000000000",
                                                "P 20",
                                                "R 2 16 1000 16 55AA2CDA909502040000000000000000",
                                                "R 2 16 1000 16 55AA2CDA909502040000000000000000",
                                                "W 3 16 1000 16 55AA020555AA2C000000000000000000"};
  ASSERT_EQ(lines.size(), 2 + 2 * probeBefore.size());
  EXPECT_EQ(lines[0], "W 3 16 1000 16 55AA5A5A55AA00000000000000000000");
  EXPECT_EQ(lines[1], "P 1400");
  for (size_t i = 0; i < probeBefore.size(); ++i) EXPECT_EQ(lines[2 + i], probeBefore[i]);
  // After the lookup the probe sends the chips' geometry (spare area left out).
  EXPECT_EQ(lines[2 + probeBefore.size() + 8], "W 3 16 1000 16 55AA020355AAEC000840040000000004");
  EXPECT_EQ(lines.back(), "W 3 16 1000 16 55AA020555AA2C000840050000000004");
  // Each trace line starts with milliseconds to three decimals.
  EXPECT_THAT(dir.read("trace.txt"), ::testing::ContainsRegex("^[0-9]+\\.[0-9]{3} W 3 16"));

  r = cli("detect --spare");
  EXPECT_NE(r.out.find("A ECF10095 K9F1G08U0B 2112-64"), std::string::npos);
}

TEST_F(CliTest, WithoutAProgrammerDetectAndProgramSayWhyAndExitTwo) {
  simulator("[Faults]\nAbsent=1\n");
  CliRun r = cli("detect");
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "没有检查到设备，请确认设备是否连接\n");
  dir.write("img.bin", "abc");
  r = cli("program img.bin");
  EXPECT_EQ(r.code, 2);
  // The run's log is still appended: just the separator, as in the dialog.
  EXPECT_EQ(dir.read("systemlog.log").size(), 73u);
}

TEST_F(CliTest, ProgramThenReadGivesTheImageBackWithAndWithoutSpare) {
  const std::string main = testing::randomImage(3 * 8192 + 100, 1);
  dir.write("main.bin", main);
  CliRun r = cli("program main.bin --socket B --start 20000 --no-spare --verify");
  ASSERT_EQ(r.code, 0) << r.err;
  // The checksums of what went to the programmer are the image's own, as sha256sum and gzip's
  // trailer (its CRC-32) give them.
  const std::string sha256 = shell("sha256sum main.bin | cut -c1-64");
  const std::string crc32 = shell("gzip -c main.bin | tail -c 8 | od -An -tx4 -N4 | tr -d ' '");
  ASSERT_EQ(sha256.size(), 64u);
  EXPECT_EQ(r.out, "image: 24676 bytes, CRC-32 " + upper(crc32) + ", SHA-256 " + sha256 +
                       "\nverify: 24676 bytes identical\n");
  const std::vector<std::string> records = testing::crlfLines(dir.read("journal.csv"));
  ASSERT_EQ(records.size(), 2u);  // the header and one record for the command
  EXPECT_NE(records[1].find(",program,B,"), std::string::npos) << records[1];
  EXPECT_NE(records[1].find("," + sha256 + ","), std::string::npos) << records[1];
  r = cli("read back.bin --socket B --start 20000 --length 6064 --no-spare");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(dir.read("back.bin").substr(0, main.size()), main);
  EXPECT_EQ(dir.read("back.bin").size(), 4u * 8192u);

  const std::string raw =
      testing::randomImage(std::size_t{5} * 8448, 2);  // five units of 4 × (2048 + 64)
  dir.write("raw.bin", raw);
  r = cli("program raw.bin --socket A --spare");
  ASSERT_EQ(r.code, 0) << r.err;
  r = cli("read rawback.bin --socket A --spare --length A000");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(dir.read("rawback.bin"), raw);

  const std::string logText = cp936ToUtf8(dir.read("systemlog.log"));
  EXPECT_NE(logText.find("开始下载"), std::string::npos);
  EXPECT_NE(logText.find("下载成功！！"), std::string::npos);
  EXPECT_NE(logText.find("上载成功！！"), std::string::npos);
}

TEST_F(CliTest, CopyThenEraseOnTheSimulatedChips) {
  const std::string raw =
      testing::randomImage(std::size_t{8} * 8448, 3);  // 32 pages, main and spare
  dir.write("raw.bin", raw);
  CliRun r = cli("program raw.bin --socket A");
  ASSERT_EQ(r.code, 0) << r.err;
  r = cli("copy --length 10000");
  ASSERT_EQ(r.code, 0) << r.err;
  r = cli("read copied.bin --socket B --length 10000");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(dir.read("copied.bin"), raw);

  r = cli("erase --socket B --length 20000");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "bad blocks: 0\n");
  r = cli("read erased.bin --socket B --length 10000 --no-spare");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(dir.read("erased.bin"), std::string(0x10000, '\xFF'));
  const std::string logText = cp936ToUtf8(dir.read("systemlog.log"));
  EXPECT_NE(logText.find("拷贝成功！！"), std::string::npos);
  EXPECT_NE(logText.find("擦除成功！！"), std::string::npos);
}

TEST_F(CliTest, BlankCheckSaysNotBlankAfterAProgramAndBlankAfterAnErase) {
  dir.write("img.bin", std::string(3000, '\0') + std::string(100, '\xFF') + "xyz");
  CliRun r = cli("program img.bin --socket B --start 40000 --no-spare");
  ASSERT_EQ(r.code, 0) << r.err;
  // Block 2 onward (128 KiB blocks): the program run's 3103 bytes, then the erased rest of the
  // first unit.
  r = cli("blankcheck --socket B --start 40000 --length 40000 --no-spare");
  EXPECT_EQ(r.code, 7) << r.err;
  EXPECT_EQ(r.out,
            "not blank: first byte that is not 0xFF at offset 0x0 (block 2, page 0), 3003 of "
            "262144 bytes not 0xFF\n");
  r = cli("erase --socket B --start 40000 --length 40000");
  ASSERT_EQ(r.code, 0) << r.err;
  r = cli("blankcheck --socket B --start 40000 --length 40000");  // with the spare area
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "blank: all 270336 bytes are 0xFF\n");
  const std::vector<std::string> records = testing::crlfLines(dir.read("journal.csv"));
  ASSERT_EQ(records.size(), 5u);
  EXPECT_EQ(dir.read("journal.csv").substr(0, 3), "\xEF\xBB\xBF");
  EXPECT_NE(records[2].find(",blankcheck,B,"), std::string::npos);
  EXPECT_NE(records[2].find(",7,"), std::string::npos) << records[2];
  EXPECT_NE(records[4].find(",ok,0,"), std::string::npos) << records[4];
}

TEST_F(CliTest, VerifyReportsTheFirstDifferingOffset) {
  // Socket A's block 437 is bad: without skipping, data for it is not kept.
  dir.write("img.bin", std::string(8192, '\x11'));
  CliRun r = cli("program img.bin --socket A --start 36A0000 --no-spare --verify");
  EXPECT_EQ(r.code, 7);
  EXPECT_EQ(r.out.substr(r.out.find('\n') + 1),
            "verify: first difference at offset 0x0 (block 437, page 0)\n");
  EXPECT_NE(r.err.find("--skip-bad"), std::string::npos) << r.err;
  r = cli("program img.bin --socket A --start 36A0000 --no-spare --skip-bad --verify");
  EXPECT_EQ(r.code, 0) << r.err;
}

TEST_F(CliTest, TheSelfTestEndsWithTheCodeOfTheStepThatFailed) {
  dir.write("test.bin", std::string(0x600000, 'T'));
  EXPECT_EQ(cli("selftest --yes").code, 0) << "the default chips pass";
  dir.write("sim.ini", "[SocketB]\nEmpty=1\n");
  EXPECT_EQ(cli("selftest --yes").code, 3);
  simulator("[Faults]\nShortTransferAtUnit=2\n");
  EXPECT_EQ(cli("selftest --yes").code, 5);
  simulator("");
  dir.write("test.bin", "");
  const CliRun empty = cli("selftest --yes");
  EXPECT_EQ(empty.code, 4);
  EXPECT_NE(empty.err.find("test.bin 是空的"), std::string::npos) << empty.err;
}

TEST_F(CliTest, OnATerminalTheProgressLineEndsBeforeAnyMessage) {
  // script(1) gives the command a terminal, so it draws its progress bar.
  const std::string cmd = "cd '" + dir.path() + "' && NORVIK_SIMULATOR='" + dir.file("sim.ini") +
                          "' script -qec \"'" + cliUnderTest() +
                          "' erase --socket B --length 20000\" /dev/null > out.txt 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  const std::string screen = dir.read("out.txt");
  EXPECT_NE(screen.find("100%"), std::string::npos) << screen;
  EXPECT_EQ(screen.find("%检测到坏块数"), std::string::npos) << screen;
  EXPECT_NE(screen.find("\n检测到坏块数:0"), std::string::npos) << screen;
}

TEST_F(CliTest, ErrorsHaveTheirDocumentedCodes) {
  EXPECT_EQ(cli("program missing.bin").code, 4);
  EXPECT_EQ(cli("program").code, 64);
  EXPECT_EQ(cli("read out.bin --length 200000000").code, 8);
  dir.write("sim.ini", "[SocketA]\nPage=banana\n");
  EXPECT_EQ(cli("detect").code, 9);
  dir.write("sim.ini", "[SocketA]\nEmpty=1\n");
  dir.write("img.bin", "x");
  CliRun r = cli("program img.bin --socket A");
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(r.err, "请确认座子A上芯片放置完好\n");
  simulator("[Faults]\nShortTransferAtUnit=1\n");
  dir.write("img.bin", std::string(20000, 'x'));
  r = cli("program img.bin");
  EXPECT_EQ(r.code, 5);
  EXPECT_EQ(r.err, "发送数据错误!\n");
}

TEST_F(CliTest, SignalsStopTheOperationAndTheLogIsStillSaved) {
  const std::string stopLine = utf8ToCp936("操作已停止（退出）");
  // A read of the whole chip, interrupted by Ctrl-C once data flows.
  const pid_t read = start({"read", "out.bin", "--socket", "A"});
  ASSERT_GT(read, 0);
  ASSERT_TRUE(eventually([&] { return dir.read("trace.txt").find(" R 0 ") != std::string::npos; }));
  kill(read, SIGINT);
  EXPECT_EQ(exitCode(read), 130) << dir.read("err.txt");
  EXPECT_EQ(dir.read("out.bin").size() % 8448, 0u) << "whole units with their spare bytes";
  EXPECT_EQ(count(dir.read("systemlog.log"), stopLine), 1u);

  // A programmer that keeps refusing: SIGTERM ends the command pair's cycles.
  simulator("[Faults]\nRefuseCycles=1000000\n");
  std::filesystem::remove(dir.file("trace.txt"));
  const pid_t refused = start({"read", "out.bin", "--length", "800"});
  ASSERT_GT(refused, 0);
  ASSERT_TRUE(eventually([&] { return count(dir.read("trace.txt"), " 16 AA550606") >= 2; }));
  kill(refused, SIGTERM);
  EXPECT_EQ(exitCode(refused), 143) << dir.read("err.txt");
  EXPECT_EQ(dir.read("out.bin").size(), 0u);
  EXPECT_EQ(count(dir.read("systemlog.log"), stopLine), 2u);
}

TEST_F(CliTest, AnUnwritableLogHasItsOwnExitCode) {
  std::filesystem::create_directory(dir.file("systemlog.log"));
  CliRun r = cli("read out.bin --length 800");
  EXPECT_EQ(r.code, 11);
  EXPECT_EQ(r.err, std::string(app::kMsgLogNotSaved) + dir.file("systemlog.log") + "\n");
  EXPECT_EQ(cli("read out.bin --length zz").code, 8) << "a failed run keeps its own code";
}

TEST_F(CliTest, AnEmptyNumberIsBadInputNotTheDefault) {
  CliRun r = cli("read out.bin --length ''");
  EXPECT_EQ(r.code, 8);
  EXPECT_EQ(r.err, "norvik-cli: --length needs a hexadecimal value, not an empty one\n");
  EXPECT_FALSE(std::filesystem::exists(dir.file("out.bin")));
  EXPECT_EQ(cli("read out.bin --start '' --length 800").code, 8);
  EXPECT_EQ(cli("read out.bin --length 800").code, 0) << "left out, the start is 0";
}

TEST_F(CliTest, LeftOutChoicesAreTheDialogsDefaults) {
  // No Config.ini: no socket radio checked (socket B), spare on, no chip-enable radio.
  ASSERT_EQ(cli("read out.bin --length 800").code, 0);
  EXPECT_EQ(flagsOf("AA550606"), "01");
  EXPECT_EQ(dir.read("out.bin").size(), 8448u);
  std::filesystem::remove(dir.file("trace.txt"));
  ASSERT_EQ(cli("copy --length 800").code, 0);
  EXPECT_EQ(flagsOf("AA550707"), "00") << "neither chip-enable bit";
  // Config.ini's choices, and the command line's over them.
  dir.write("Config.ini", "[NandType]\nCE=1\nCs_Chip=ChipA0\n");
  std::filesystem::remove(dir.file("trace.txt"));
  ASSERT_EQ(cli("read out.bin --length 800").code, 0);
  EXPECT_EQ(flagsOf("AA550606"), "61");
  std::filesystem::remove(dir.file("trace.txt"));
  ASSERT_EQ(cli("copy --length 800").code, 0);
  EXPECT_EQ(flagsOf("AA550707"), "40");
  std::filesystem::remove(dir.file("trace.txt"));
  ASSERT_EQ(cli("read out.bin --length 800 --socket B --ce 0 --no-spare").code, 0);
  EXPECT_EQ(flagsOf("AA550606"), "00");
  EXPECT_EQ(dir.read("out.bin").size(), 8192u);
}

}  // namespace
}  // namespace norvik
