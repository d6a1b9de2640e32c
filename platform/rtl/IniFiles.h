// INI files: "[Section]" lines followed by "Key=Value" lines. Sections and keys compare
// without regard to case; comments (";" lines) and other lines are kept as they are.
// TMemIniFile holds the whole file in memory and writes it at UpdateFile; TIniFile reads
// the file at every call and writes it at every change. Files are replaced atomically: the
// new text goes to a temporary file in the same folder, which is then renamed over the old.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Object.h"

namespace rtl {

class TStrings;
class TRegistry;

// A section, key or value that the file format cannot hold (a line break, a key with "=").
RTL_EXCEPTION(EIniFileException, Exception);

class TCustomIniFile : public TObject {
  RTL_CLASS(TCustomIniFile, TObject)
public:
  explicit TCustomIniFile(std::string FileName) : fileName_(std::move(FileName)) {}
  const std::string& FileName() const { return fileName_; }

  virtual std::string ReadString(const std::string& Section, const std::string& Ident,
                                 const std::string& Default) = 0;
  virtual void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) = 0;
  // Decimal or hexadecimal ("$1F", "0x1F"); the default when missing or not a number.
  virtual int ReadInteger(const std::string& Section, const std::string& Ident, int Default);
  virtual void WriteInteger(const std::string& Section, const std::string& Ident, int Value);
  // A number, non-zero meaning true; written as "1" or "0".
  virtual bool ReadBool(const std::string& Section, const std::string& Ident, bool Default);
  virtual void WriteBool(const std::string& Section, const std::string& Ident, bool Value);
  // "." as decimal separator whatever the locale; the default when missing or not a number.
  virtual double ReadFloat(const std::string& Section, const std::string& Ident, double Default);
  virtual void WriteFloat(const std::string& Section, const std::string& Ident, double Value);

  virtual bool SectionExists(const std::string& Section) = 0;
  virtual bool ValueExists(const std::string& Section, const std::string& Ident) = 0;
  // The keys of a section / the section names / the "Key=Value" lines of a section, each
  // replacing the list's contents.
  virtual void ReadSection(const std::string& Section, TStrings* Strings) = 0;
  virtual void ReadSections(TStrings* Strings) = 0;
  virtual void ReadSectionValues(const std::string& Section, TStrings* Strings) = 0;
  virtual void EraseSection(const std::string& Section) = 0;
  virtual void DeleteKey(const std::string& Section, const std::string& Ident) = 0;
  // Writes pending changes to the file; EFCreateError or EWriteError when it cannot, and
  // the old file is then left as it was.
  virtual void UpdateFile() = 0;

private:
  std::string fileName_;
};

// The whole file in memory, read by the constructor (a missing file reads as empty; one
// that exists but cannot be read raises EFOpenError) and written by UpdateFile only.
class TMemIniFile : public TCustomIniFile {
  RTL_CLASS(TMemIniFile, TCustomIniFile)
public:
  explicit TMemIniFile(const std::string& FileName);
  ~TMemIniFile() override;

  std::string ReadString(const std::string& Section, const std::string& Ident, const std::string& Default) override;
  void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) override;
  bool SectionExists(const std::string& Section) override;
  bool ValueExists(const std::string& Section, const std::string& Ident) override;
  void ReadSection(const std::string& Section, TStrings* Strings) override;
  void ReadSections(TStrings* Strings) override;
  void ReadSectionValues(const std::string& Section, TStrings* Strings) override;
  void EraseSection(const std::string& Section) override;
  void DeleteKey(const std::string& Section, const std::string& Ident) override;
  void UpdateFile() override;

private:
  friend class TIniFile;
  friend class TRegistry;
  struct TLine;
  struct TSection;
  // Replaces the contents with the file's current text.
  void LoadFile();
  TSection* FindSection(const std::string& Section);
  // The section, appended at the end when missing.
  TSection& AddSection(const std::string& Section);
  std::vector<TSection> sections_;  // the first holds the lines before any section line
};

// The file itself: every read sees the file as it is now, every change is written at once.
class TIniFile : public TCustomIniFile {
  RTL_CLASS(TIniFile, TCustomIniFile)
public:
  explicit TIniFile(const std::string& FileName);
  ~TIniFile() override;

  std::string ReadString(const std::string& Section, const std::string& Ident, const std::string& Default) override;
  void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) override;
  bool SectionExists(const std::string& Section) override;
  bool ValueExists(const std::string& Section, const std::string& Ident) override;
  void ReadSection(const std::string& Section, TStrings* Strings) override;
  void ReadSections(TStrings* Strings) override;
  void ReadSectionValues(const std::string& Section, TStrings* Strings) override;
  void EraseSection(const std::string& Section) override;
  void DeleteKey(const std::string& Section, const std::string& Ident) override;
  // Nothing is ever pending: every change has been written already.
  void UpdateFile() override {}

private:
  TMemIniFile& Current();
  std::unique_ptr<TMemIniFile> file_;
};

}  // namespace rtl
