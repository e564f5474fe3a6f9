#include "utf8_console.h"

namespace norvik::cli {

// The system already hands over and shows the bytes as they are.
Utf8Console::Utf8Console(int argc, char** argv) : args_(argv, argv + argc) {
  for (std::string& a : args_) pointers_.push_back(a.data());
  pointers_.push_back(nullptr);
}

Utf8Console::~Utf8Console() = default;

}  // namespace norvik::cli
