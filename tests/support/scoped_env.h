// One environment variable set (or removed, with nullptr) for a scope, and put back after it.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace norvik::testing {

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    set(value ? &*value : nullptr);
  }
  ~ScopedEnv() { set(old_ ? &*old_ : nullptr); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  void set(const std::string* value) {
    if (value) {
      setenv(name_, value->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

  const char* name_;
  std::optional<std::string> old_;
};

}  // namespace norvik::testing
