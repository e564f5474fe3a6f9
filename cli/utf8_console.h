// norvik-cli speaks UTF-8 on every system: its arguments are taken as UTF-8 and its messages are
// written as UTF-8 bytes. On Windows the arguments come from the wide command line (the char
// argv is in the ANSI code page, which cannot hold every Chinese name), the console is told to
// show UTF-8, and standard output and error write their bytes unchanged ("\n", never "\r\n"), so
// that output sent to a pipe or a file is byte for byte what other systems write.
#pragma once

#include <string>
#include <vector>

namespace norvik::cli {

class Utf8Console {
 public:
  // Construct it first thing in main (after the SignalWatch), before anything is written.
  Utf8Console(int argc, char** argv);
  ~Utf8Console();
  Utf8Console(const Utf8Console&) = delete;
  Utf8Console& operator=(const Utf8Console&) = delete;

  // The arguments, the program's name first, in UTF-8.
  int argc() const { return static_cast<int>(args_.size()); }
  char** argv() { return pointers_.data(); }

 private:
  std::vector<std::string> args_;
  std::vector<char*> pointers_;  // into args_, null-terminated like main's argv
#ifdef _WIN32
  unsigned previousOutputCodePage_ = 0;  // the console's, given back at the end
#endif
};

}  // namespace norvik::cli
