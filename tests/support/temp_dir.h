// Temporary folders for tests, and the working folder with the shipped catalogue.
#pragma once

#include <string>

namespace norvik::testing {

// A fresh directory under the system's temporary folder, removed at the end of the test.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  void write(const std::string& name, const std::string& bytes) const;
  std::string read(const std::string& name) const;

 private:
  std::string path_;
};

// Copies the shipped catalogue into `folder`/nand_lib.
void copyCatalogue(const std::string& folder);

}  // namespace norvik::testing
