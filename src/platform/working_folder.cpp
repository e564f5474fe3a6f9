#include "platform/working_folder.h"

#include <cerrno>
#include <utility>

#include "platform/whole_file_os.h"
#include "platform/working_folder_os.h"

namespace norvik {

namespace os = working_folder_os;

std::vector<std::string_view> os::components(std::string_view path) {
  std::vector<std::string_view> out;
  while (!path.empty()) {
    const std::size_t cut = path.find_first_of(os::kSeparators);
    const std::string_view part = path.substr(0, cut);
    if (!part.empty() && part != ".") out.push_back(part);
    if (cut == std::string_view::npos) break;
    path.remove_prefix(cut + 1);
  }
  return out;
}

namespace {

char foldCase(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameNameNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (foldCase(a[i]) != foldCase(b[i])) return false;
  }
  return true;
}

}  // namespace

void os::NameChoice::consider(std::string_view entry) {
  if (!sameNameNoCase(entry, wanted_)) return;
  if (!chosen_ || entry < *chosen_) chosen_ = std::string(entry);
}

std::optional<os::Resolved> os::resolve(const Folder* root, std::string_view relativeName,
                                        bool lastMayBeMissing) {
  const std::vector<std::string_view> parts = components(relativeName);
  if (root == nullptr || parts.empty()) {
    errno = root == nullptr ? EBADF : ENOENT;
    return std::nullopt;
  }
  Resolved r{nullptr, root, {}, {}};
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const bool last = i + 1 == parts.size();
    const NativeName wanted = nativeName(parts[i]);
    // "." and ".." stand for themselves.
    std::optional<NativeName> actual =
        parts[i] == "." || parts[i] == ".." ? wanted : spellingIn(*r.folder, wanted);
    if (!actual) {
      if (!last || !lastMayBeMissing || errno != ENOENT) return std::nullopt;
      actual = wanted;
    }
    r.spelled += shownName(*actual);
    if (last) {
      r.last = std::move(*actual);
      break;
    }
    r.spelled += '/';
    FolderPtr next = enter(*r.folder, *actual);
    if (!next) return std::nullopt;
    r.held = std::move(next);
    r.folder = r.held.get();
  }
  return r;
}

WorkingFolder::WorkingFolder() = default;

WorkingFolder::WorkingFolder(std::string_view path)
    : root_(os::openFolder(path)), error_(root_ ? 0 : errno), path_(path) {}

WorkingFolder::~WorkingFolder() = default;

WorkingFolder::WorkingFolder(WorkingFolder&& other) noexcept
    : root_(std::move(other.root_)),
      error_(std::exchange(other.error_, ENOENT)),
      path_(std::move(other.path_)) {}

WorkingFolder& WorkingFolder::operator=(WorkingFolder&& other) noexcept {
  if (this != &other) {
    root_ = std::move(other.root_);
    error_ = std::exchange(other.error_, ENOENT);
    path_ = std::move(other.path_);
  }
  return *this;
}

std::string WorkingFolder::pathOf(std::string_view relativeName) const {
  const char separator = os::kSeparators.front();
  std::string out = path_;
  if (!out.empty() && os::kSeparators.find(out.back()) == std::string_view::npos) {
    out += separator;
  }
  for (const char c : relativeName) out += c == '/' ? separator : c;
  return out;
}

std::optional<std::string> WorkingFolder::find(std::string_view relativeName) const {
  std::optional<os::Resolved> r = os::resolve(root_.get(), relativeName, false);
  if (!r) return std::nullopt;
  return std::move(r->spelled);
}

WholeFile WorkingFolder::readFile(std::string_view relativeName, std::size_t maxBytes) const {
  if (!isOpen()) return openFailure(error_ ? error_ : ENOENT, path_);
  const std::optional<os::Resolved> r = os::resolve(root_.get(), relativeName, false);
  if (!r) return openFailure(ENOENT, pathOf(relativeName));
  return os::readIn(*r->folder, r->last, maxBytes, pathOf(r->spelled));
}

}  // namespace norvik
