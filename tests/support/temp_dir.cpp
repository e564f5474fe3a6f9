#include "temp_dir.h"

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace norvik::testing {

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  auto base = std::filesystem::temp_directory_path() /
              ("norvik-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
  std::filesystem::remove_all(base);
  std::filesystem::create_directories(base);
  path_ = base.string();
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

void TempDir::write(const std::string& name, const std::string& bytes) const {
  std::filesystem::create_directories(std::filesystem::path(file(name)).parent_path());
  std::ofstream out(file(name), std::ios::binary);
  out << bytes;
}

std::string TempDir::read(const std::string& name) const {
  std::ifstream in(file(name), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void copyCatalogue(const std::string& folder) {
  std::filesystem::copy(
      std::string(NORVIK_SOURCE_DIR) + "/nand_lib", folder + "/nand_lib",
      std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
}

}  // namespace norvik::testing
