// Whether a standard stream is a terminal (a console on Windows): norvik-cli draws its progress
// bar only there, and asks the self-test's question only there.
#pragma once

#include <cstdio>

namespace norvik::cli {

bool isTerminal(std::FILE* stream);

}  // namespace norvik::cli
