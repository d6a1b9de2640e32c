// The one way this program opens an existing file: TRegularFile. Every reader (settings,
// configuration, language and sensor-table files, string lists, streams, pictures, scene and
// style files) opens through it, and so does a stream that writes into a file in place.
//
// Only a regular file is ever opened. What the name finally names (links followed) is looked
// at first; a FIFO, a device, a socket or a folder is refused without being opened, so that
// no open waits for a writer that never comes, no device is set going and no read hangs. A
// name swapped for such a thing between the look and the open is refused after the open,
// which cannot wait itself (it is non-blocking and never takes a controlling terminal).
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

namespace rtl {

// What a file is, as far as telling a changed file from an unchanged one goes: the device and
// inode that hold it, its size, and when its contents and its inode last changed.
struct TFileStamp {
  std::uint64_t Device = 0;
  std::uint64_t Inode = 0;
  std::int64_t Size = -1;
  std::int64_t ModifiedNs = 0;  // since the epoch
  std::int64_t ChangedNs = 0;
  bool operator==(const TFileStamp&) const = default;
};

class TRegularFile {
public:
  enum TMode { ReadOnly, WriteOnly, ReadWrite };

  // Opens FileName in Mode when it names a regular file (see above); IsOpen tells.
  explicit TRegularFile(const std::string& FileName, TMode Mode = ReadOnly);
  ~TRegularFile();
  TRegularFile(const TRegularFile&) = delete;
  TRegularFile& operator=(const TRegularFile&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  // Nothing has the name (or a folder on its way is none).
  bool Missing() const { return !IsOpen() && (error_ == ENOENT || error_ == ENOTDIR); }
  // Something other than a regular file has the name: a folder, a FIFO, a device, a socket.
  bool NotRegular() const { return !IsOpen() && notRegular_; }
  // Why it is not open, for a message: "It is not a regular file", or the system's text.
  std::string Why() const;
  int Handle() const { return fd_; }
  // The file as it was opened.
  const TFileStamp& Stamp() const { return stamp_; }
  // Hands the descriptor over to the caller, who closes it.
  int Release();
  // Reads from the current position to the end, at most MaxBytes. Raises EReadError ("Cannot
  // read file ...") when reading fails.
  std::string ReadAll(std::size_t MaxBytes = std::numeric_limits<std::size_t>::max());

private:
  std::string fileName_;
  int fd_ = -1;
  int error_ = 0;
  bool notRegular_ = false;
  TFileStamp stamp_;
};

// Reads the whole of the regular file FileName (at most MaxBytes) into Bytes. False, Bytes
// empty, when no regular file has the name (nothing there, a folder, a FIFO, a device). Raises
// EFOpenError ("Cannot open file ...") when a regular file is there but cannot be opened,
// EReadError when it cannot be read.
bool ReadRegularFile(const std::string& FileName, std::string& Bytes,
                     std::size_t MaxBytes = std::numeric_limits<std::size_t>::max());

// The stamp of the regular file FileName names (links followed), without opening it; false
// when no regular file has the name.
bool RegularFileStamp(const std::string& FileName, TFileStamp& Stamp);

}  // namespace rtl
