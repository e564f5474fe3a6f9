#include "files/file_object.h"

namespace norvik::files {

FileObject::~FileObject() {
  close();
}

std::optional<std::size_t> FileObject::readChecked(void* buffer, std::size_t count) {
  const std::size_t done = read(buffer, count);
  if (lastError_ != 0) return std::nullopt;
  return done;
}

}  // namespace norvik::files
