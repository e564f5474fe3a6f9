#include <cstdio>

int main() {
  std::puts("norvik-cli");
  return 0;
}
