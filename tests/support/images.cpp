#include "images.h"

#include <random>

namespace norvik::testing {

std::string randomImage(std::size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(gen());
  return s;
}

}  // namespace norvik::testing
