// One `Key=Value` of the simulator's INI file, parsed into the setting it names. The first
// problem is kept as the error, naming the section, the key and the value as written.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace norvik::sim {

class ConfigField {
 public:
  ConfigField(std::string_view section, std::string_view key, std::string value, std::string* error)
      : section_(section), key_(key), value_(std::move(value)), error_(error) {}

  const std::string& value() const { return value_; }
  bool failed() const { return failed_; }

  // An empty value keeps the setting as it was, except for a block list, which it clears.
  void boolean(bool& out);
  void integer(int& out, long long min, long long max);
  void id(std::uint8_t (&out)[4]);
  void blockList(std::vector<int>& out);
  void fail(const std::string& why);

 private:
  std::string_view section_;
  std::string_view key_;
  std::string value_;
  std::string* error_;
  bool failed_ = false;
};

std::string_view trimBlanks(std::string_view s);
std::string lowerCase(std::string_view s);

}  // namespace norvik::sim
