// The class library's streams: the abstract TStream, memory, file and string streams,
// and read-only streams over the resources compiled into the program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/rtl/Object.h"

namespace rtl {

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
  RTL_CLASS(TStream, TObject)
public:
  // Transfer up to Count bytes; return how many were transferred.
  virtual std::int64_t Read(void* Buffer, std::int64_t Count) = 0;
  virtual std::int64_t Write(const void* Buffer, std::int64_t Count) = 0;
  // Returns the new position.
  virtual std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) = 0;

  // Transfer exactly Count bytes or raise EReadError "Stream read error" /
  // EWriteError "Stream write error".
  void ReadBuffer(void* Buffer, std::int64_t Count);
  void WriteBuffer(const void* Buffer, std::int64_t Count);
  // Copies Count bytes from Source's position; Count 0 copies all of Source from its
  // start. Returns the number of bytes copied.
  std::int64_t CopyFrom(TStream* Source, std::int64_t Count);

  std::int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(std::int64_t Pos) { Seek(Pos, soBeginning); }
  virtual std::int64_t Size();
  virtual void SetSize(std::int64_t NewSize);
};

// A stream over a block of memory: reading and seeking.
class TCustomMemoryStream : public TStream {
  RTL_CLASS(TCustomMemoryStream, TStream)
public:
  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  std::int64_t Size() override { return size_; }
  void SaveToStream(TStream* Stream);
  void SaveToFile(const std::string& FileName);
  const void* Memory() const { return memory_; }

protected:
  void SetPointer(const void* Ptr, std::int64_t Size) {
    memory_ = static_cast<const std::uint8_t*>(Ptr);
    size_ = Size;
  }
  std::int64_t position_ = 0;

private:
  const std::uint8_t* memory_ = nullptr;
  std::int64_t size_ = 0;
};

// A stream that keeps its bytes in memory and grows as it is written.
class TMemoryStream : public TCustomMemoryStream {
  RTL_CLASS(TMemoryStream, TCustomMemoryStream)
public:
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  void SetSize(std::int64_t NewSize) override;
  void* Memory() { return data_.data(); }
  const void* Memory() const { return data_.data(); }
  void Clear();
  // Replaces the contents with all of Stream (read from its start).
  void LoadFromStream(TStream* Stream);
  void LoadFromFile(const std::string& FileName);

private:
  void Resize(std::int64_t NewSize);
  std::vector<std::uint8_t> data_;
};

// A memory stream whose contents are a string of bytes.
class TStringStream : public TMemoryStream {
  RTL_CLASS(TStringStream, TMemoryStream)
public:
  explicit TStringStream(const std::string& AString = std::string());
  std::string DataString() const;
  // Reads up to Count bytes from the position.
  std::string ReadString(std::int64_t Count);
  void WriteString(const std::string& AString);
};

// File modes; the sharing flags are accepted and ignored.
enum : unsigned {
  fmOpenRead = 0x0000,
  fmOpenWrite = 0x0001,
  fmOpenReadWrite = 0x0002,
  fmShareExclusive = 0x0010,
  fmShareDenyWrite = 0x0020,
  fmShareDenyRead = 0x0030,
  fmShareDenyNone = 0x0040,
  fmCreate = 0xFF00,
};

// A stream over an operating-system file. Opening raises EFOpenError
// ("Cannot open file \"%s\". %s") or, for fmCreate, EFCreateError.
class TFileStream : public TStream {
  RTL_CLASS(TFileStream, TStream)
public:
  TFileStream(const std::string& FileName, unsigned Mode);
  ~TFileStream() override;
  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  void SetSize(std::int64_t NewSize) override;
  const std::string& FileName() const { return fileName_; }
  int Handle() const { return handle_; }

private:
  std::string fileName_;
  int handle_ = -1;
};

// Registers bytes compiled into the program under a resource name (names compare
// case-insensitively). Data must stay valid for the life of the program. Called from
// the code that gascal_resources() generates.
void RegisterResource(const std::string& Name, const void* Data, std::size_t Size);
// Looks a resource up: false when there is none of that name.
bool FindResourceData(const std::string& Name, const void*& Data, std::size_t& Size);

// A read-only stream over a registered resource; EResNotFound ("Resource %s not
// found") when the name is unknown.
class TResourceStream : public TCustomMemoryStream {
  RTL_CLASS(TResourceStream, TCustomMemoryStream)
public:
  explicit TResourceStream(const std::string& ResName);
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
};

}  // namespace rtl
