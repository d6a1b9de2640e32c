#include "platform/rtl/Streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <system_error>

#include "platform/rtl/FileReader.h"
#include "platform/rtl/FileWriter.h"
#include "platform/rtl/TypInfo.h"

namespace rtl {

namespace {

std::string OSErrorText(int code) { return std::system_category().message(code); }

}  // namespace

TClass TStream::StaticClass() {
  static const TClassInfo info = DefineClass<TStream>().Build();
  return &info;
}

TClass TCustomMemoryStream::StaticClass() {
  static const TClassInfo info = DefineClass<TCustomMemoryStream>().Build();
  return &info;
}

TClass TMemoryStream::StaticClass() {
  static const TClassInfo info = DefineClass<TMemoryStream>().Build();
  return &info;
}

TClass TStringStream::StaticClass() {
  static const TClassInfo info = DefineClass<TStringStream>().Build();
  return &info;
}

TClass TFileStream::StaticClass() {
  static const TClassInfo info = DefineClass<TFileStream>().Build();
  return &info;
}

TClass TResourceStream::StaticClass() {
  static const TClassInfo info = DefineClass<TResourceStream>().Build();
  return &info;
}

// ---------------------------------------------------------------------------
// TStream

void TStream::ReadBuffer(void* Buffer, std::int64_t Count) {
  if (Count != 0 && Read(Buffer, Count) != Count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* Buffer, std::int64_t Count) {
  if (Count != 0 && Write(Buffer, Count) != Count) throw EWriteError("Stream write error");
}

std::int64_t TStream::CopyFrom(TStream* Source, std::int64_t Count) {
  if (Count == 0) {
    Source->SetPosition(0);
    Count = Source->Size();
  }
  const std::int64_t total = Count;
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::clamp<std::int64_t>(Count, 1, 0xF000)));
  while (Count > 0) {
    const std::int64_t n = std::min<std::int64_t>(Count, static_cast<std::int64_t>(buffer.size()));
    Source->ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    Count -= n;
  }
  return total;
}

std::int64_t TStream::Size() {
  const std::int64_t pos = Seek(0, soCurrent);
  const std::int64_t size = Seek(0, soEnd);
  Seek(pos, soBeginning);
  return size;
}

void TStream::SetSize(std::int64_t) {}

// ---------------------------------------------------------------------------
// TCustomMemoryStream

std::int64_t TCustomMemoryStream::Read(void* Buffer, std::int64_t Count) {
  if (position_ < 0 || Count <= 0) return 0;
  const std::int64_t n = std::min(Count, size_ - position_);
  if (n <= 0) return 0;
  std::memcpy(Buffer, memory_ + position_, static_cast<std::size_t>(n));
  position_ += n;
  return n;
}

std::int64_t TCustomMemoryStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  switch (Origin) {
    case soBeginning: position_ = Offset; break;
    case soCurrent: position_ += Offset; break;
    case soEnd: position_ = size_ + Offset; break;
  }
  return position_;
}

void TCustomMemoryStream::SaveToStream(TStream* Stream) { Stream->WriteBuffer(memory_, size_); }

void TCustomMemoryStream::SaveToFile(const std::string& FileName) {
  WriteFileAtomic(FileName, memory_, static_cast<std::size_t>(size_));
}

// ---------------------------------------------------------------------------
// TMemoryStream

void TMemoryStream::Resize(std::int64_t NewSize) {
  data_.resize(static_cast<std::size_t>(NewSize), 0);
  SetPointer(data_.data(), NewSize);
}

std::int64_t TMemoryStream::Write(const void* Buffer, std::int64_t Count) {
  if (position_ < 0 || Count <= 0) return 0;
  const std::int64_t end = position_ + Count;
  if (end > Size()) Resize(end);
  std::memcpy(data_.data() + position_, Buffer, static_cast<std::size_t>(Count));
  position_ = end;
  return Count;
}

void TMemoryStream::SetSize(std::int64_t NewSize) {
  if (NewSize < 0) throw EStreamError("Invalid stream size");
  Resize(NewSize);
  if (position_ > NewSize) position_ = NewSize;
}

void TMemoryStream::Clear() {
  data_.clear();
  data_.shrink_to_fit();
  SetPointer(nullptr, 0);
  position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream* Stream) {
  Stream->SetPosition(0);
  const std::int64_t count = Stream->Size();
  SetSize(count);
  if (count != 0) Stream->ReadBuffer(data_.data(), count);
}

void TMemoryStream::LoadFromFile(const std::string& FileName) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&stream);
}

// ---------------------------------------------------------------------------
// TStringStream

TStringStream::TStringStream(const std::string& AString) {
  WriteString(AString);
  SetPosition(0);
}

std::string TStringStream::DataString() const {
  const auto* p = static_cast<const char*>(Memory());
  return p ? std::string(p, static_cast<std::size_t>(const_cast<TStringStream*>(this)->Size())) : std::string();
}

std::string TStringStream::ReadString(std::int64_t Count) {
  std::string s(static_cast<std::size_t>(std::clamp<std::int64_t>(Count, 0, std::max<std::int64_t>(0, Size() - Position()))), '\0');
  s.resize(static_cast<std::size_t>(Read(s.data(), static_cast<std::int64_t>(s.size()))));
  return s;
}

void TStringStream::WriteString(const std::string& AString) {
  WriteBuffer(AString.data(), static_cast<std::int64_t>(AString.size()));
}

// ---------------------------------------------------------------------------
// TFileStream

TFileStream::TFileStream(const std::string& FileName, unsigned Mode) : fileName_(FileName) {
  if ((Mode & fmCreate) == fmCreate) {
    // Only a regular file is made anew: what else has the name is refused, never opened.
    struct stat st{};
    if (::stat(FileName.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
      throw EFCreateError(Format("Cannot create file \"%s\". %s", FileName, "It is not a regular file"));
    handle_ = ::open(FileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
    if (handle_ < 0) throw EFCreateError(Format("Cannot create file \"%s\". %s", FileName, OSErrorText(errno)));
    if (::fstat(handle_, &st) != 0 || !S_ISREG(st.st_mode)) {
      ::close(handle_);
      handle_ = -1;
      throw EFCreateError(Format("Cannot create file \"%s\". %s", FileName, "It is not a regular file"));
    }
    ::fcntl(handle_, F_SETFL, ::fcntl(handle_, F_GETFL) & ~O_NONBLOCK);
    return;
  }
  TRegularFile::TMode mode = TRegularFile::ReadOnly;
  if ((Mode & 3) == fmOpenWrite) mode = TRegularFile::WriteOnly;
  if ((Mode & 3) == fmOpenReadWrite) mode = TRegularFile::ReadWrite;
  TRegularFile file(FileName, mode);
  if (!file.IsOpen()) throw EFOpenError(Format("Cannot open file \"%s\". %s", FileName, file.Why()));
  handle_ = file.Release();
}

TFileStream::~TFileStream() {
  if (handle_ >= 0) ::close(handle_);
}

std::int64_t TFileStream::Read(void* Buffer, std::int64_t Count) {
  std::int64_t done = 0;
  auto* p = static_cast<std::uint8_t*>(Buffer);
  while (done < Count) {
    const ssize_t n = ::read(handle_, p + done, static_cast<std::size_t>(Count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

std::int64_t TFileStream::Write(const void* Buffer, std::int64_t Count) {
  std::int64_t done = 0;
  const auto* p = static_cast<const std::uint8_t*>(Buffer);
  while (done < Count) {
    const ssize_t n = ::write(handle_, p + done, static_cast<std::size_t>(Count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

std::int64_t TFileStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  const int whence = Origin == soBeginning ? SEEK_SET : Origin == soCurrent ? SEEK_CUR : SEEK_END;
  return ::lseek(handle_, static_cast<off_t>(Offset), whence);
}

void TFileStream::SetSize(std::int64_t NewSize) {
  if (NewSize < 0 || ::ftruncate(handle_, static_cast<off_t>(NewSize)) != 0) {
    const int code = NewSize < 0 ? EINVAL : errno;
    throw EOSError(OSErrorText(code), code);
  }
  Seek(NewSize, soBeginning);
}

// ---------------------------------------------------------------------------
// Resources

namespace {

struct TResourceRegistry {
  std::mutex Lock;
  std::map<std::string, std::pair<const void*, std::size_t>> Entries;
};

TResourceRegistry& Registry() {
  static TResourceRegistry registry;
  return registry;
}

}  // namespace

void RegisterResource(const std::string& Name, const void* Data, std::size_t Size) {
  TResourceRegistry& r = Registry();
  std::lock_guard<std::mutex> lock(r.Lock);
  r.Entries[UpperCase(Name)] = {Data, Size};
}

bool FindResourceData(const std::string& Name, const void*& Data, std::size_t& Size) {
  TResourceRegistry& r = Registry();
  std::lock_guard<std::mutex> lock(r.Lock);
  const auto it = r.Entries.find(UpperCase(Name));
  if (it == r.Entries.end()) return false;
  Data = it->second.first;
  Size = it->second.second;
  return true;
}

TResourceStream::TResourceStream(const std::string& ResName) {
  const void* data = nullptr;
  std::size_t size = 0;
  if (!FindResourceData(ResName, data, size)) throw EResNotFound(Format("Resource %s not found", ResName));
  SetPointer(data, static_cast<std::int64_t>(size));
}

std::int64_t TResourceStream::Write(const void*, std::int64_t) {
  throw EStreamError("Can't write to a read-only resource stream");
}

}  // namespace rtl
