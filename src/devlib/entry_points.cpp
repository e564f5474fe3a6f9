#include "devlib/entry_points.h"

namespace norvik::devlib {

namespace {
// Both functions take four 32-bit arguments: endpoint, buffer, length, time-out.
constexpr const char* kArgumentBytes = "@16";

std::string joined(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& n : names) {
    if (!out.empty()) out += ", ";
    out += n;
  }
  return out;
}

// The first of `function`'s export names that `lookup` finds.
RawEntry find(const std::function<RawEntry(const char*)>& lookup, std::string_view function,
              std::string_view shownLibrary, std::string* found, std::string* error) {
  const std::vector<std::string> names = exportNamesOf(function);
  for (const std::string& name : names) {
    if (RawEntry entry = lookup(name.c_str())) {
      *found = name;
      return entry;
    }
  }
  if (error) {
    *error = std::string(shownLibrary) + " has no function " + std::string(function) +
             " (looked for " + joined(names) + ")";
  }
  return nullptr;
}
}  // namespace

std::vector<std::string> exportNamesOf(std::string_view function) {
  const std::string plain(function);
  return {plain, "_" + plain + kArgumentBytes, plain + kArgumentBytes};
}

std::optional<EntryPoints> resolveEntryPoints(const std::function<RawEntry(const char*)>& lookup,
                                              std::string_view shownLibrary, std::string* error) {
  EntryPoints e;
  e.write = find(lookup, kWriteFunction, shownLibrary, &e.writeExport, error);
  if (!e.write) return std::nullopt;
  e.read = find(lookup, kReadFunction, shownLibrary, &e.readExport, error);
  if (!e.read) return std::nullopt;
  return e;
}

}  // namespace norvik::devlib
