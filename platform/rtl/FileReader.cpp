#include "platform/rtl/FileReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <system_error>

#include "platform/rtl/SysUtils.h"

namespace rtl {

namespace {

std::string SystemText(int Code) { return std::system_category().message(Code); }

std::int64_t Nanoseconds(const timespec& T) {
  return static_cast<std::int64_t>(T.tv_sec) * 1000000000 + static_cast<std::int64_t>(T.tv_nsec);
}

TFileStamp StampOf(const struct stat& St) {
  TFileStamp s;
  s.Device = static_cast<std::uint64_t>(St.st_dev);
  s.Inode = static_cast<std::uint64_t>(St.st_ino);
  s.Size = static_cast<std::int64_t>(St.st_size);
  s.ModifiedNs = Nanoseconds(St.st_mtim);
  s.ChangedNs = Nanoseconds(St.st_ctim);
  return s;
}

int OpenFlags(TRegularFile::TMode Mode) {
  switch (Mode) {
    case TRegularFile::WriteOnly: return O_WRONLY;
    case TRegularFile::ReadWrite: return O_RDWR;
    default: return O_RDONLY;
  }
}

}  // namespace

TRegularFile::TRegularFile(const std::string& FileName, TMode Mode) : fileName_(FileName) {
  // The look: nothing but a regular file is opened at all.
  struct stat st{};
  if (::stat(FileName.c_str(), &st) != 0) {
    error_ = errno;
    return;
  }
  if (!S_ISREG(st.st_mode)) {
    notRegular_ = true;
    error_ = S_ISDIR(st.st_mode) ? EISDIR : 0;
    return;
  }
  // The open cannot wait, whatever the name holds by now; what it opened is looked at again.
  int fd = -1;
  do {
    fd = ::open(FileName.c_str(), OpenFlags(Mode) | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    error_ = errno;
    return;
  }
  if (::fstat(fd, &st) != 0) {
    error_ = errno;
    ::close(fd);
    return;
  }
  if (!S_ISREG(st.st_mode)) {
    error_ = S_ISDIR(st.st_mode) ? EISDIR : 0;
    notRegular_ = true;
    ::close(fd);
    return;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  fd_ = fd;
  stamp_ = StampOf(st);
}

TRegularFile::~TRegularFile() {
  if (fd_ >= 0) ::close(fd_);
}

std::string TRegularFile::Why() const {
  if (IsOpen()) return {};
  if (notRegular_ && error_ != EISDIR) return "It is not a regular file";
  return SystemText(error_);
}

int TRegularFile::Release() {
  const int fd = fd_;
  fd_ = -1;
  return fd;
}

std::string TRegularFile::ReadAll(std::size_t MaxBytes) {
  std::string bytes;
  if (fd_ < 0) return bytes;
  // The size it had when opened is a good first guess; a file that grows meanwhile is read on.
  if (stamp_.Size > 0) bytes.reserve(std::min<std::size_t>(static_cast<std::size_t>(stamp_.Size), MaxBytes));
  char buffer[65536];
  while (bytes.size() < MaxBytes) {
    const std::size_t want = std::min(sizeof buffer, MaxBytes - bytes.size());
    const ssize_t n = ::read(fd_, buffer, want);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw EReadError(Format("Cannot read file \"%s\". %s", fileName_, SystemText(errno)));
    if (n == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  return bytes;
}

bool ReadRegularFile(const std::string& FileName, std::string& Bytes, std::size_t MaxBytes) {
  Bytes.clear();
  TRegularFile file(FileName);
  if (!file.IsOpen()) {
    if (file.Missing() || file.NotRegular()) return false;
    throw EFOpenError(Format("Cannot open file \"%s\". %s", FileName, file.Why()));
  }
  Bytes = file.ReadAll(MaxBytes);
  return true;
}

bool RegularFileStamp(const std::string& FileName, TFileStamp& Stamp) {
  struct stat st{};
  if (::stat(FileName.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  Stamp = StampOf(st);
  return true;
}

}  // namespace rtl
