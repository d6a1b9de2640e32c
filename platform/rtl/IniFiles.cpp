#include "platform/rtl/IniFiles.h"

#include "platform/rtl/FileReader.h"
#include "platform/rtl/FileWriter.h"
#include "platform/rtl/Lists.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TypInfo.h"

namespace rtl {

// A line of the file: its text as written, and for "Key=Value" lines the key and value.
struct TMemIniFile::TLine {
  std::string Text;
  std::string Key;    // empty for comments, blank and other lines
  std::string Value;  // without the quotes that protect outer blanks
};

struct TMemIniFile::TSection {
  std::string Name;
  bool Header = true;  // false only for the lines before the first section line
  std::string HeaderText;
  std::vector<TLine> Lines;
};

namespace {

bool HasLineBreak(const std::string& S) { return S.find_first_of("\r\n") != std::string::npos; }

std::string CheckedSection(const std::string& Section) {
  if (HasLineBreak(Section) || Section.find(']') != std::string::npos)
    throw EIniFileException(Format("Invalid section name '%s'", Section));
  return Trim(Section);
}

std::string CheckedKey(const std::string& Ident) {
  const std::string key = Trim(Ident);
  if (key.empty() || HasLineBreak(key) || key.find('=') != std::string::npos || key[0] == '[' || key[0] == ';')
    throw EIniFileException(Format("Invalid key name '%s'", Ident));
  return key;
}

bool Quoted(const std::string& S) { return S.size() >= 2 && S.front() == '"' && S.back() == '"'; }

// Values are trimmed when read, so outer blanks (and outer quotes of the value itself)
// survive only inside a pair of quotes, which reading removes again.
std::string ValueText(const std::string& Value) {
  if (HasLineBreak(Value)) throw EIniFileException("Value with a line break: '" + Value + "'");
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  if (!Value.empty() && (blank(Value.front()) || blank(Value.back()) || Quoted(Value)))
    return '"' + Value + '"';
  return Value;
}

}  // namespace

// ---- TCustomIniFile --------------------------------------------------------------------

TClass TCustomIniFile::StaticClass() {
  static const TClassInfo info = DefineClass<TCustomIniFile>().Build();
  return &info;
}

int TCustomIniFile::ReadInteger(const std::string& Section, const std::string& Ident, int Default) {
  return StrToIntDef(ReadString(Section, Ident, ""), Default);
}

void TCustomIniFile::WriteInteger(const std::string& Section, const std::string& Ident, int Value) {
  WriteString(Section, Ident, IntToStr(Value));
}

bool TCustomIniFile::ReadBool(const std::string& Section, const std::string& Ident, bool Default) {
  return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const std::string& Section, const std::string& Ident, bool Value) {
  WriteString(Section, Ident, Value ? "1" : "0");
}

double TCustomIniFile::ReadFloat(const std::string& Section, const std::string& Ident, double Default) {
  const std::string text = ReadString(Section, Ident, "");
  double value = 0;
  return !text.empty() && TryStrToFloat(text, value) ? value : Default;
}

void TCustomIniFile::WriteFloat(const std::string& Section, const std::string& Ident, double Value) {
  WriteString(Section, Ident, FloatToStr(Value));
}

// ---- TMemIniFile -----------------------------------------------------------------------

TClass TMemIniFile::StaticClass() {
  static const TClassInfo info = DefineClass<TMemIniFile>().Build();
  return &info;
}

TMemIniFile::TMemIniFile(const std::string& FileName) : TCustomIniFile(FileName) { LoadFile(); }

TMemIniFile::~TMemIniFile() = default;

void TMemIniFile::LoadFile() {
  sections_.clear();
  sections_.push_back(TSection{"", false, "", {}});
  // A name that holds no regular file (nothing, a folder, a FIFO, a device) is an empty file.
  std::string text;
  if (!ReadRegularFile(FileName(), text)) return;

  // A line ends at CR, LF or CR LF: a lone CR ends one too, as the writer, which refuses
  // line breaks in values, expects.
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (end < text.size() && text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
    const std::string trimmed = Trim(line);
    const std::size_t close = trimmed.find(']');
    if (!trimmed.empty() && trimmed[0] == '[' && close != std::string::npos) {
      sections_.push_back(TSection{Trim(trimmed.substr(1, close - 1)), true, line, {}});
      continue;
    }
    TLine entry{line, "", ""};
    const std::size_t eq = trimmed.find('=');
    // A comment, or a line that begins like a section without being one, holds no key
    // (the writer refuses such keys too).
    if (!trimmed.empty() && trimmed[0] != ';' && trimmed[0] != '[' && eq != std::string::npos && eq > 0) {
      entry.Key = Trim(trimmed.substr(0, eq));
      entry.Value = Trim(trimmed.substr(eq + 1));
      if (Quoted(entry.Value)) entry.Value = entry.Value.substr(1, entry.Value.size() - 2);
    }
    sections_.back().Lines.push_back(std::move(entry));
  }
}

TMemIniFile::TSection* TMemIniFile::FindSection(const std::string& Section) {
  const std::string name = Trim(Section);
  for (TSection& s : sections_)
    if (s.Header && SameText(s.Name, name)) return &s;
  return nullptr;
}

TMemIniFile::TSection& TMemIniFile::AddSection(const std::string& Section) {
  const std::string name = CheckedSection(Section);
  if (TSection* s = FindSection(name)) return *s;
  // A blank line between the previous section and the new one.
  const TSection& last = sections_.back();
  const bool empty = sections_.size() == 1 && last.Lines.empty();
  if (!empty && (last.Lines.empty() ? last.Header : !Trim(last.Lines.back().Text).empty()))
    sections_.back().Lines.push_back(TLine{"", "", ""});
  sections_.push_back(TSection{name, true, "[" + name + "]", {}});
  return sections_.back();
}

std::string TMemIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                    const std::string& Default) {
  if (TSection* s = FindSection(Section)) {
    const std::string key = Trim(Ident);
    for (const TLine& line : s->Lines)
      if (!line.Key.empty() && SameText(line.Key, key)) return line.Value;
  }
  return Default;
}

void TMemIniFile::WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) {
  const std::string key = CheckedKey(Ident);
  const std::string text = ValueText(Value);
  TSection& s = AddSection(Section);
  for (TLine& line : s.Lines) {
    if (!line.Key.empty() && SameText(line.Key, key)) {
      line.Value = Value;
      line.Text = line.Key + "=" + text;
      return;
    }
  }
  // After the section's last line that is not blank, so that blank separators stay last.
  auto at = s.Lines.end();
  while (at != s.Lines.begin() && Trim((at - 1)->Text).empty()) --at;
  s.Lines.insert(at, TLine{key + "=" + text, key, Value});
}

bool TMemIniFile::SectionExists(const std::string& Section) { return FindSection(Section) != nullptr; }

bool TMemIniFile::ValueExists(const std::string& Section, const std::string& Ident) {
  TSection* s = FindSection(Section);
  if (!s) return false;
  const std::string key = Trim(Ident);
  for (const TLine& line : s->Lines)
    if (!line.Key.empty() && SameText(line.Key, key)) return true;
  return false;
}

void TMemIniFile::ReadSection(const std::string& Section, TStrings* Strings) {
  Strings->BeginUpdate();
  try {
    Strings->Clear();
    if (TSection* s = FindSection(Section))
      for (const TLine& line : s->Lines)
        if (!line.Key.empty()) Strings->Add(line.Key);
  } catch (...) {
    Strings->EndUpdate();
    throw;
  }
  Strings->EndUpdate();
}

void TMemIniFile::ReadSections(TStrings* Strings) {
  Strings->BeginUpdate();
  try {
    Strings->Clear();
    for (const TSection& s : sections_)
      if (s.Header) Strings->Add(s.Name);
  } catch (...) {
    Strings->EndUpdate();
    throw;
  }
  Strings->EndUpdate();
}

void TMemIniFile::ReadSectionValues(const std::string& Section, TStrings* Strings) {
  Strings->BeginUpdate();
  try {
    Strings->Clear();
    if (TSection* s = FindSection(Section))
      for (const TLine& line : s->Lines)
        if (!line.Key.empty()) Strings->Add(line.Key + "=" + line.Value);
  } catch (...) {
    Strings->EndUpdate();
    throw;
  }
  Strings->EndUpdate();
}

void TMemIniFile::EraseSection(const std::string& Section) {
  const std::string name = Trim(Section);
  std::erase_if(sections_, [&](const TSection& s) { return s.Header && SameText(s.Name, name); });
}

void TMemIniFile::DeleteKey(const std::string& Section, const std::string& Ident) {
  if (TSection* s = FindSection(Section)) {
    const std::string key = Trim(Ident);
    std::erase_if(s->Lines, [&](const TLine& line) { return !line.Key.empty() && SameText(line.Key, key); });
  }
}

void TMemIniFile::UpdateFile() {
  std::string text;
  for (const TSection& s : sections_) {
    if (s.Header) text += s.HeaderText + "\r\n";
    for (const TLine& line : s.Lines) text += line.Text + "\r\n";
  }
  // No blank lines at the end (a separator left behind by an erased last section).
  while (text.ends_with("\r\n\r\n")) text.resize(text.size() - 2);
  if (text == "\r\n") text.clear();
  WriteFileAtomic(FileName(), text);
}

// ---- TIniFile --------------------------------------------------------------------------

TClass TIniFile::StaticClass() {
  static const TClassInfo info = DefineClass<TIniFile>().Build();
  return &info;
}

TIniFile::TIniFile(const std::string& FileName)
    : TCustomIniFile(FileName), file_(std::make_unique<TMemIniFile>(FileName)) {}

TIniFile::~TIniFile() = default;

TMemIniFile& TIniFile::Current() {
  file_->LoadFile();
  return *file_;
}

std::string TIniFile::ReadString(const std::string& Section, const std::string& Ident, const std::string& Default) {
  return Current().ReadString(Section, Ident, Default);
}

void TIniFile::WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) {
  TMemIniFile& file = Current();
  file.WriteString(Section, Ident, Value);
  file.UpdateFile();
}

bool TIniFile::SectionExists(const std::string& Section) { return Current().SectionExists(Section); }

bool TIniFile::ValueExists(const std::string& Section, const std::string& Ident) {
  return Current().ValueExists(Section, Ident);
}

void TIniFile::ReadSection(const std::string& Section, TStrings* Strings) { Current().ReadSection(Section, Strings); }

void TIniFile::ReadSections(TStrings* Strings) { Current().ReadSections(Strings); }

void TIniFile::ReadSectionValues(const std::string& Section, TStrings* Strings) {
  Current().ReadSectionValues(Section, Strings);
}

void TIniFile::EraseSection(const std::string& Section) {
  TMemIniFile& file = Current();
  if (!file.SectionExists(Section)) return;
  file.EraseSection(Section);
  file.UpdateFile();
}

void TIniFile::DeleteKey(const std::string& Section, const std::string& Ident) {
  TMemIniFile& file = Current();
  if (!file.ValueExists(Section, Ident)) return;
  file.DeleteKey(Section, Ident);
  file.UpdateFile();
}

}  // namespace rtl
