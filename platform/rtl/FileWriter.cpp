#include "platform/rtl/FileWriter.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/rtl/SysUtils.h"

namespace rtl {

namespace {

[[noreturn]] void CreateFailed(const std::string& FileName, const std::string& Why) {
  throw EFCreateError(Format("Cannot create file \"%s\". %s", FileName, Why));
}

// The name the bytes finally go to: FileName itself, or the file its link chain ends in.
std::string ResolvedTarget(const std::string& FileName, struct stat& Old, bool& HadOld) {
  HadOld = false;
  struct stat st{};
  if (::lstat(FileName.c_str(), &st) != 0) {
    if (errno == ENOENT) return FileName;  // a new file (a missing folder fails at create)
    CreateFailed(FileName, std::strerror(errno));
  }
  std::string target = FileName;
  if (S_ISLNK(st.st_mode)) {
    char* resolved = ::realpath(FileName.c_str(), nullptr);
    if (!resolved) CreateFailed(FileName, Format("It is a link to a missing file (%s)", std::strerror(errno)));
    target = resolved;
    std::free(resolved);
    if (::stat(target.c_str(), &st) != 0) CreateFailed(FileName, std::strerror(errno));
  }
  if (!S_ISREG(st.st_mode)) CreateFailed(FileName, "It is not a regular file");
  Old = st;
  HadOld = true;
  return target;
}

std::string RandomHex() {
  unsigned char bytes[8];
  std::size_t got = 0;
  while (got < sizeof bytes) {
    const ssize_t n = ::getrandom(bytes + got, sizeof bytes - got, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw EFCreateError(Format("No random bytes for a temporary name. %s", std::strerror(errno)));
    got += static_cast<std::size_t>(n);
  }
  static const char digits[] = "0123456789abcdef";
  std::string s;
  for (unsigned char b : bytes) {
    s += digits[b >> 4];
    s += digits[b & 15];
  }
  return s;
}

}  // namespace

void WriteFileAtomic(const std::string& FileName, const void* Data, std::size_t Size) {
  if (FileName.empty()) CreateFailed(FileName, "No file name");
  struct stat old{};
  bool hadOld = false;
  const std::string target = ResolvedTarget(FileName, old, hadOld);

  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  if (base.size() > 200) base.resize(200);  // the temporary name must stay within NAME_MAX

  std::string temp;
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 10; ++attempt) {
    temp = folder + "." + base + "." + RandomHex() + ".tmp";
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) CreateFailed(FileName, std::strerror(errno));

  int error = 0;
  bool writing = true;  // which message a failure gets
  if (hadOld) {
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
      // Not ours to give away: the new file belongs to whoever writes it.
    }
    if (::fchmod(fd, old.st_mode & 07777) != 0) error = errno;
  }
  const char* p = static_cast<const char*>(Data);
  for (std::size_t left = Size; error == 0 && left > 0;) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? errno : EIO;
      break;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temp.c_str(), target.c_str()) != 0) {
    error = errno;
    writing = false;
  }
  if (error != 0) {
    ::unlink(temp.c_str());
    if (writing) throw EWriteError(Format("Cannot write file \"%s\". %s", FileName, std::strerror(error)));
    CreateFailed(FileName, std::strerror(error));
  }
  // Makes the rename itself last through a crash.
  const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

}  // namespace rtl
