// A small harness for the Windows dialog's tests, which run under Wine where no test framework is
// packaged: named cases, checks that say where they failed and go on, and one last line that the
// Wine suite reads ("win32-tests: N checks, 0 failed").
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace norvik::win32test {

struct Case {
  const char* name;
  std::function<void()> body;
};

std::vector<Case>& cases();
int& failures();
int& checks();

struct Register {
  Register(const char* name, std::function<void()> body) {
    cases().push_back({name, std::move(body)});
  }
};

inline bool check(bool ok, const char* what, const char* file, int line, const std::string& more) {
  ++checks();
  if (!ok) {
    ++failures();
    std::printf("FAILED %s:%d: %s %s\n", file, line, what, more.c_str());
    std::fflush(stdout);
  }
  return ok;
}

}  // namespace norvik::win32test

#define WIN32_TEST(name)                                                    \
  static void name();                                                       \
  static const ::norvik::win32test::Register name##Registered(#name, name); \
  static void name()
#define CHECK(cond) ::norvik::win32test::check((cond), #cond, __FILE__, __LINE__, "")
#define CHECK_EQ(a, b)                              \
  ::norvik::win32test::check(                       \
      (a) == (b), #a " == " #b, __FILE__, __LINE__, \
      "(\"" + ::norvik::win32test::shown(a) + "\" vs \"" + ::norvik::win32test::shown(b) + "\")")

namespace norvik::win32test {
inline std::string shown(const std::string& s) {
  return s;
}
inline std::string shown(const char* s) {
  return s;
}
inline std::string shown(long long v) {
  return std::to_string(v);
}
inline std::string shown(int v) {
  return std::to_string(v);
}
inline std::string shown(long v) {
  return std::to_string(v);
}
inline std::string shown(unsigned v) {
  return std::to_string(v);
}
inline std::string shown(bool v) {
  return v ? "true" : "false";
}
}  // namespace norvik::win32test
