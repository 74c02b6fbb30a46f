// LinuxPlatform: local files for extraction.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <optional>
#include <random>

#include "platform/linux/LinuxPlatform.h"
#include "platform/linux/LocalTime.h"

namespace tarnwick::platform {
namespace {

constexpr int kCreateFlags = O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;

}  // namespace

void LinuxPlatform::SetFileError(int error) { SetFileError(std::strerror(error)); }

void LinuxPlatform::SetFileError(const std::string& message) {
  std::lock_guard lock(mutex_);
  lastFileError_ = message;
}

std::string LinuxPlatform::LastErrorMessage() {
  std::lock_guard lock(mutex_);
  return lastFileError_;
}

Handle LinuxPlatform::CreateFileForWrite(const std::string& path) {
  if (path.empty()) {
    SetFileError(ENOENT);
    return kInvalidHandle;
  }
  // O_NOFOLLOW refuses a symbolic link in the last place of the path; such a link is
  // removed (never its target) and a plain file made in its place. O_NONBLOCK keeps
  // the open from hanging on a FIFO; only regular files are accepted.
  UniqueFd fd(::open(path.c_str(), kCreateFlags, 0644));
  if (!fd && errno == ELOOP) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && ::unlink(path.c_str()) == 0) {
      fd = UniqueFd(::open(path.c_str(), kCreateFlags | O_EXCL, 0644));
    } else {
      errno = ELOOP;
    }
  }
  if (!fd) {
    SetFileError(errno);
    return kInvalidHandle;
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
    SetFileError("Not a regular file: " + path);
    return kInvalidHandle;
  }
  const int flags = ::fcntl(fd.get(), F_GETFL);
  if (flags >= 0) ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK);
  return handles_.AddFile(std::make_shared<UniqueFd>(std::move(fd)));
}

bool LinuxPlatform::WriteFile(Handle file, const void* data, std::uint32_t length,
                              std::uint32_t* written) {
  if (written != nullptr) *written = 0;
  const auto fd = handles_.File(file);
  if (!fd) {
    SetFileError(EBADF);
    return false;
  }
  if (length > 0 && data == nullptr) {
    SetFileError(EFAULT);
    return false;
  }
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  std::uint32_t done = 0;
  while (done < length) {
    const ssize_t n = ::write(fd->get(), bytes + done, length - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      SetFileError(errno);
      if (written != nullptr) *written = done;
      return false;
    }
    if (n == 0) {  // nothing taken and no error: the device is full in all but name
      SetFileError(ENOSPC);
      if (written != nullptr) *written = done;
      return false;
    }
    done += static_cast<std::uint32_t>(n);
  }
  if (written != nullptr) *written = done;
  return true;
}

bool LinuxPlatform::WriteFileAt(Handle file, std::uint64_t offset, const void* data, std::uint32_t length) {
  const auto fd = handles_.File(file);
  if (!fd) {
    SetFileError(EBADF);
    return false;
  }
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  for (std::uint32_t done = 0; done < length;) {
    const ssize_t n = ::pwrite(fd->get(), bytes + done, length - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      SetFileError(n < 0 ? errno : ENOSPC);
      return false;
    }
    done += static_cast<std::uint32_t>(n);
  }
  return true;
}

bool LinuxPlatform::SetFileTime(Handle file, const LocalDateTime& lastWrite) {
  const auto fd = handles_.File(file);
  if (!fd) {
    SetFileError(EBADF);
    return false;
  }
  const std::optional<std::time_t> when = LocalToSystemSeconds(lastWrite);
  if (!when) {
    SetFileError(EINVAL);
    return false;
  }
  struct timespec times[2] = {};
  times[0].tv_nsec = UTIME_OMIT;  // the access time stays as it is
  times[1].tv_sec = *when;
  if (::futimens(fd->get(), times) != 0) {
    SetFileError(errno);
    return false;
  }
  return true;
}

Handle LinuxPlatform::CreateTempFile(const std::string& directory, std::string& path) {
  path.clear();
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  thread_local std::mt19937 random{std::random_device{}()};
  std::uniform_int_distribution<int> pick(0, static_cast<int>(sizeof kLetters) - 2);
  const std::string prefix = (directory.empty() ? std::string(".") : directory) +
                             (!directory.empty() && directory.back() == '/' ? "" : "/") + ".tarnwick-";
  // O_EXCL refuses anything already at the name, a link included, so the file is
  // always a new one; another name is tried only when the name was taken.
  int error = EEXIST;
  for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
    std::string candidate = prefix;
    for (int i = 0; i < 12; ++i) candidate += kLetters[pick(random)];
    candidate += ".part";
    UniqueFd fd(::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (fd) {
      path = std::move(candidate);
      return handles_.AddFile(std::make_shared<UniqueFd>(std::move(fd)));
    }
    error = errno;
  }
  SetFileError(error);
  return kInvalidHandle;
}

bool LinuxPlatform::FlushFileBuffers(Handle file) {
  const auto fd = handles_.File(file);
  if (!fd) {
    SetFileError(EBADF);
    return false;
  }
  if (::fsync(fd->get()) != 0) {
    SetFileError(errno);
    return false;
  }
  return true;
}

bool LinuxPlatform::MoveFileReplacing(const std::string& from, const std::string& to) {
  // rename replaces the name at `to` itself: a link there is not followed, and the
  // data of a file that has other names stays with them.
  if (std::rename(from.c_str(), to.c_str()) != 0) {
    SetFileError(errno);
    return false;
  }
  return true;
}

bool LinuxPlatform::RemoveFile(const std::string& path) {
  if (::unlink(path.c_str()) != 0) {
    SetFileError(errno);
    return false;
  }
  return true;
}

}  // namespace tarnwick::platform
