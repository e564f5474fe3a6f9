#include "files/file_object.h"

#include <cerrno>

#include "files/file_object_os.h"
#include "platform/clock.h"
#include "platform/working_folder.h"

namespace norvik::files {

namespace os = file_object_os;

namespace {
// How long an open waits for another holder of a shared file, and how often it tries meanwhile.
constexpr double kTurnWaitMs = 2000;
constexpr int kTurnRetryMs = 50;
}  // namespace

FileObject::~FileObject() {
  close();
}

bool FileObject::open(const std::string& path, Access access, Disposition disposition) {
  close();
  const NativeFile file = os::open(path, access, disposition);
  if (file == kNoFile) {
    lastError_ = errno;
    return false;
  }
  return adopt(file, path, access, disposition);
}

bool FileObject::open(const WorkingFolder& folder, std::string_view relativeName, Access access,
                      Disposition disposition) {
  close();
  std::string actual;
  const NativeFile file = os::open(folder, relativeName, access, disposition, &actual);
  if (file == kNoFile) {
    lastError_ = errno;
    return false;
  }
  return adopt(file, folder.pathOf(actual), access, disposition);
}

bool FileObject::openTakingTurns(const WorkingFolder& folder, std::string_view relativeName,
                                 Access access, Disposition disposition, Clock& clock) {
  const double giveUpAt = clock.monotonicMs() + kTurnWaitMs;
  while (!open(folder, relativeName, access, disposition)) {
    if (lastError_ != EWOULDBLOCK || clock.monotonicMs() >= giveUpAt) return false;
    clock.sleepMs(kTurnRetryMs);
  }
  return true;
}

bool FileObject::adopt(NativeFile file, std::string path, Access access, Disposition disposition) {
  const auto refuse = [&](int error) {
    os::close(file);
    lastError_ = error;
    return false;
  };
  // Images and outputs are regular files. A FIFO or a pipe would block the transfer thread, a
  // device (a console, a serial port) reads as length 0 or never ends, a folder holds no bytes.
  const std::optional<os::Kind> kind = os::kindOf(file);
  if (!kind) return refuse(errno);
  if (*kind == os::Kind::Folder) return refuse(EISDIR);
  if (*kind == os::Kind::Other) return refuse(EINVAL);
  // No sharing.
  if (!os::holdAlone(file)) return refuse(errno);
  // Emptied only now: a file someone else holds must not be emptied, nor a device at all.
  if (disposition == Disposition::CreateAlways && access != Access::Read && !os::empty(file)) {
    return refuse(errno);
  }
  file_ = file;
  path_ = std::move(path);
  lastError_ = 0;
  return true;
}

void FileObject::close() {
  if (isOpen()) os::close(file_);  // closing lets others open it again
  file_ = kNoFile;
  path_.clear();
}

bool FileObject::seek(std::uint64_t offset) {
  if (!isOpen()) {
    lastError_ = EBADF;
    return false;
  }
  // No file reaches that far; the system would take it for a negative offset.
  if (offset > static_cast<std::uint64_t>(INT64_MAX)) {
    lastError_ = EINVAL;
    return false;
  }
  const bool ok = os::seek(file_, offset);
  lastError_ = ok ? 0 : errno;
  return ok;
}

bool FileObject::seekToEnd() {
  if (!isOpen()) {
    lastError_ = EBADF;
    return false;
  }
  const bool ok = os::seekToEnd(file_);
  lastError_ = ok ? 0 : errno;
  return ok;
}

bool FileObject::truncate(std::uint64_t length) {
  if (!isOpen()) {
    lastError_ = EBADF;
    return false;
  }
  if (length > static_cast<std::uint64_t>(INT64_MAX)) {
    lastError_ = EINVAL;
    return false;
  }
  const bool ok = os::truncate(file_, length);
  lastError_ = ok ? 0 : errno;
  return ok;
}

std::int64_t FileObject::length() const {
  return isOpen() ? os::length(file_) : -1;
}

std::size_t FileObject::read(void* buffer, std::size_t count) {
  lastError_ = isOpen() ? 0 : EBADF;
  if (!isOpen()) return 0;
  std::size_t done = 0;
  auto* p = static_cast<char*>(buffer);
  while (done < count) {
    const std::optional<std::size_t> n = os::readSome(file_, p + done, count - done);
    if (!n) {
      lastError_ = errno;
      break;
    }
    if (*n == 0) break;  // the end of the file
    done += *n;
  }
  return done;
}

std::optional<std::size_t> FileObject::readChecked(void* buffer, std::size_t count) {
  const std::size_t done = read(buffer, count);
  if (lastError_ != 0) return std::nullopt;
  return done;
}

bool FileObject::write(const void* buffer, std::size_t count) {
  lastError_ = isOpen() ? 0 : EBADF;
  if (!isOpen()) return false;
  std::size_t done = 0;
  const auto* p = static_cast<const char*>(buffer);
  while (done < count) {
    const std::optional<std::size_t> n = os::writeSome(file_, p + done, count - done);
    if (!n) {
      lastError_ = errno;
      return false;
    }
    if (*n == 0) {
      lastError_ = EIO;
      return false;
    }
    done += *n;
  }
  return true;
}

}  // namespace norvik::files
