// Image bytes for tests.
#pragma once

#include <cstddef>
#include <string>

namespace norvik::testing {

// `n` bytes from a seeded generator: the same seed gives the same image.
std::string randomImage(std::size_t n, unsigned seed);

}  // namespace norvik::testing
