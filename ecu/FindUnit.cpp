#include "ecu/FindUnit.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <string_view>

#include "ecu/Session.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/FileReader.h"
#include "platform/rtl/FileWriter.h"
#include "platform/rtl/SysUtils.h"

namespace ecu {

namespace {

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

// The reader and writer work on views of the bytes with pointers, copy only what they keep,
// and leave the search for a byte to memchr: a file is loaded and saved several times for
// each configuration saved.

// The first byte of [p, e) that is no blank or control byte (e when none is); the key
// column's padding is passed eight blanks at a time.
const char* SkipBlanks(const char* p, const char* e) {
  constexpr std::uint64_t EightBlanks = 0x2020202020202020ull;
  for (std::uint64_t word = 0; e - p >= 8; p += 8) {
    std::memcpy(&word, p, sizeof word);
    if (word != EightBlanks) break;
  }
  while (p != e && IsBlankOrControl(*p)) ++p;
  return p;
}

// The end of [b, e) without the blanks and control bytes that end it.
const char* SkipBlanksBack(const char* b, const char* e) {
  while (e != b && IsBlankOrControl(e[-1])) --e;
  return e;
}

// The first c in [p, e), or e.
const char* FindByte(const char* p, const char* e, char c) {
  const void* found = p == e ? nullptr : std::memchr(p, c, static_cast<std::size_t>(e - p));
  return found ? static_cast<const char*>(found) : e;
}

bool SameBytes(std::string_view A, std::string_view B) {
  return A.size() == B.size() && (A.empty() || std::memcmp(A.data(), B.data(), A.size()) == 0);
}

std::string_view View(const char* b, const char* e) { return {b, static_cast<std::size_t>(e - b)}; }

std::string_view TrimmedView(std::string_view s) {
  const char* b = SkipBlanks(s.data(), s.data() + s.size());
  return View(b, SkipBlanksBack(b, s.data() + s.size()));
}

std::string TrimBlanks(std::string_view s) { return std::string(TrimmedView(s)); }

// KeyFileKeyForm of a view, as a view into it.
std::string_view KeyFormView(std::string_view Key) {
  const char* const e = Key.data() + Key.size();
  const char* const b = SkipBlanks(Key.data(), e);
  if (b == e || *b == '{' || *b == '[') return {};
  const char* end = FindByte(b, e, ' ');
  end = FindByte(b, end, '=');
  if (end - b > static_cast<std::ptrdiff_t>(KeyFileKeyWidth)) end = b + KeyFileKeyWidth;
  return View(b, SkipBlanksBack(b, end));
}

void ClearStore() {
  TFileState& f = Session().Files;
  f.KeyFileKeys.clear();
  f.KeyFileValues.clear();
  f.KeyFileComments.clear();
  f.KeyFileIndex.Clear();
  f.KeyFileRepeatedKeys.clear();
  f.KeyFileRepeatedValues.clear();
  f.KeyFileCutKeys.clear();
  f.KeyFileKeylessLines.clear();
  f.KeyFileShortenedLines.clear();
  f.KeyFileSkippedLines.clear();
  f.StorePresent = false;
}

// Where the comment of a line's rest [b, e) begins: the "{" that opens the braced group
// ending the line, so that a value may hold braces of its own (a written line is the value, a
// blank and the comment in braces, and the writer keeps braces out of comments). A rest that
// does not end in such a group takes its first "{"; e when it holds none.
const char* CommentBrace(const char* b, const char* e) {
  if (e != b && e[-1] == '}') {
    int depth = 0;
    for (const char* p = e; p != b;) {
      --p;
      if (*p == '}') {
        ++depth;
      } else if (*p == '{' && --depth == 0) {
        return p;
      }
    }
  }
  return FindByte(b, e, '{');
}

bool HoldsBrace(std::string_view s) {
  const char* const e = s.data() + s.size();
  return FindByte(s.data(), e, '{') != e || FindByte(s.data(), e, '}') != e;
}

// The value and comment of a line that holds only its key (and of a line without braces, the
// comment): one blank.
constexpr std::string_view LoneBlank = " ";

void ParseLine(TFileState& Files, std::string_view raw) {
  const char* const e = raw.data() + raw.size();
  const char* const b = SkipBlanks(raw.data(), e);
  // An empty line, a note or a section head: kept for the save as it is.
  if (b == e || *b == '{' || *b == '[') {
    Files.KeyFileSkippedLines.push_back({Files.KeyFileKeys.size(), std::string(raw)});
    return;
  }
  const std::string_view line = View(b, e);
  // The key ends at the first blank or "="; the rest follows the blank, or the "=".
  const char* const blank = FindByte(b, e, ' ');
  const char* const sep = FindByte(b, blank, '=');
  if (sep == b) {  // "=..." names nothing; written back it would name its value
    Files.KeyFileKeylessLines.emplace_back(line);
    return;
  }
  // A key longer than the key column is held cut to it, as a written line gives it back.
  const char* const keyEnd = SkipBlanksBack(b, sep);
  std::string_view key = View(b, keyEnd);
  if (key.size() > KeyFileKeyWidth) {
    Files.KeyFileCutKeys.push_back(rtl::UpperCase(key));
    key = View(b, SkipBlanksBack(b, b + KeyFileKeyWidth));
  }
  const char* const rb = SkipBlanks(sep == e ? e : sep + 1, e);
  const char* const re = SkipBlanksBack(rb, e);
  std::string_view value = LoneBlank, comment = LoneBlank;
  bool shortened = false;
  if (rb != re) {
    const char* const brace = CommentBrace(rb, re);
    if (brace == re) {
      value = View(rb, re);
    } else {
      // The writer puts one blank before "{"; that character is dropped unseen, and so is
      // the last character of the line (the closing "}").
      value = TrimmedView(View(rb, brace == rb ? rb : brace - 1));
      const char* const from = brace + 1;
      comment = TrimmedView(View(from, re > from ? re - 1 : from));
      // What those drops cost a line not written so, and the braces the writer makes round.
      shortened = (brace != rb && !IsBlankOrControl(brace[-1])) || re[-1] != '}' || HoldsBrace(comment);
    }
  }
  // The first line of a key is the one every reader sees; a later one would come back to
  // life when the first is deleted, so it is dropped (and noted for the caller to report).
  const std::uint32_t hash = TKeyFileIndex::Hash(key);
  if (Files.KeyFileIndex.Find(key, hash, Files.KeyFileKeys) != TKeyFileIndex::None) {
    Files.KeyFileRepeatedKeys.push_back(rtl::UpperCase(key));
    Files.KeyFileRepeatedValues.emplace_back(value);
    return;
  }
  if (shortened) Files.KeyFileShortenedLines.emplace_back(line);
  Files.KeyFileIndex.Add(hash, Files.KeyFileKeys.size());
  Files.KeyFileKeys.emplace_back(key.data(), key.size());
  Files.KeyFileValues.emplace_back(value.data(), value.size());
  Files.KeyFileComments.emplace_back(comment.data(), comment.size());
}

// Reads the lines of the text, each ending at CR, LF or CR LF, into the store.
void ParseLines(TFileState& Files, std::string_view text) {
  const char* p = text.data();
  const char* const end = p + text.size();
  // The next CR and the next LF at or after p (end when there is none).
  const char *cr = FindByte(p, end, '\r'), *lf = FindByte(p, end, '\n');
  while (p != end) {
    if (cr < p) cr = FindByte(p, end, '\r');
    if (lf < p) lf = FindByte(p, end, '\n');
    const char* const stop = std::min(cr, lf);
    ParseLine(Files, View(p, stop));
    if (stop == end) break;
    p = stop + 1;
    if (*stop == '\r' && p != end && *p == '\n') ++p;
  }
}

// Reads a whole regular file; false when there is none under that name (a FIFO, a device or a
// folder of that name is none, and is never opened).
bool ReadWholeFile(const std::string& name, std::string& bytes) { return rtl::ReadRegularFile(name, bytes); }

// What the writer does with each byte of a value or comment: a line break (CR or LF) becomes a
// blank, a brace of a comment round; a value without these and without blanks at its ends is
// written bare.
enum : unsigned char { LineBreakByte = 1, OpenBraceByte = 2, CloseBraceByte = 4 };
constexpr std::array<unsigned char, 256> WrittenByteKind = [] {
  std::array<unsigned char, 256> kind{};
  kind['\r'] = kind['\n'] = LineBreakByte;
  kind['{'] = OpenBraceByte;
  kind['}'] = CloseBraceByte;
  return kind;
}();

unsigned char ByteKind(char c) { return WrittenByteKind[static_cast<unsigned char>(c)]; }

// The writer puts a file's text through a pointer into a text sized beforehand for the
// longest it can be (WrittenSizeBound), and cuts it to what was written.
struct TTextWriter {
  char* p;
  void Put(const char* s, std::size_t n) {
    if (n != 0) std::memcpy(p, s, n);
    p += n;
  }
  void Put(std::string_view s) { Put(s.data(), s.size()); }
  void Blanks(std::size_t n) {
    std::memset(p, ' ', n);
    p += n;
  }
};

// Puts a value or comment as one line: a line break (CR, LF or CR LF) becomes one blank; for
// a comment (Comment true) "{" and "}" become "(" and ")", so that the braced group ending the
// line is the comment's and every brace before it belongs to the value. Never longer than s.
void PutOneLine(TTextWriter& out, const std::string& s, bool Comment) {
  const unsigned char rewritten = Comment ? LineBreakByte | OpenBraceByte | CloseBraceByte : LineBreakByte;
  const char* p = s.data();
  const char* const e = p + s.size();
  while (p != e) {
    const char* const run = p;
    while (p != e && (ByteKind(*p) & rewritten) == 0) ++p;
    out.Put(run, static_cast<std::size_t>(p - run));
    if (p == e) break;
    if (ByteKind(*p) == LineBreakByte) {
      *out.p++ = ' ';
      if (*p == '\r' && p + 1 != e && p[1] == '\n') ++p;
    } else {
      *out.p++ = *p == '{' ? '(' : ')';
    }
    ++p;
  }
}

// Puts the key as a written line begins (KeyFilePadKey): at most KeyFileKeyWidth + 1 bytes.
void PutPaddedKey(TTextWriter& out, const std::string& Key) {
  const std::size_t kept = std::min(Key.size(), KeyFileKeyWidth);
  out.Put(Key.data(), kept);
  out.Blanks(Key.size() >= KeyFileKeyWidth ? 1 : KeyFileKeyWidth - Key.size());
}

bool IsLoneBlank(const std::string& s) { return s.size() == 1 && s[0] == ' '; }

// A value that stands without braces as it reads back: not empty, no blanks or control bytes
// at its ends, no "{" or line break.
bool StandsBare(const std::string& value) {
  if (value.empty() || IsBlankOrControl(value.front()) || IsBlankOrControl(value.back())) return false;
  for (const char c : value)
    if ((ByteKind(c) & (LineBreakByte | OpenBraceByte)) != 0) return false;
  return true;
}

// The most bytes PutWrittenLine puts for an entry.
std::size_t WrittenSizeBound(const std::string& key, const std::string& value, const std::string& comment) {
  return KeyFileKeyWidth + 1 + key.size() + value.size() + comment.size() + 5;
}

// Puts a line as the writer writes it, ended by CR LF. Value and comment as they are held; a
// comment of one blank stands for a line without braces, which is written so where its
// value can stand without them, the key alone when the value is one blank too (a line that
// held only its key), since those are the lines that read back so.
void PutWrittenLine(TTextWriter& out, const std::string& key, const std::string& value, const std::string& comment) {
  if (IsLoneBlank(comment) && IsLoneBlank(value)) {
    out.Put(KeyFormView(key));
    out.Put("\r\n", 2);
    return;
  }
  PutPaddedKey(out, key);
  if (IsLoneBlank(comment)) {
    if (StandsBare(value)) {
      out.Put(value);
      out.Put("\r\n", 2);
      return;
    }
    PutOneLine(out, value, false);
    out.Put(" {}\r\n", 5);
    return;
  }
  PutOneLine(out, value, false);
  out.Put(" {", 2);
  PutOneLine(out, comment, true);
  out.Put("}\r\n", 3);
}

// The entry whose key is Key (without regard to case), -1 when none is.
std::int32_t IndexOfKey(const TFileState& Files, std::string_view Key, std::uint32_t KeyHash) {
  const std::size_t found = Files.KeyFileIndex.Find(Key, KeyHash, Files.KeyFileKeys);
  return found == TKeyFileIndex::None ? -1 : static_cast<std::int32_t>(found);
}

bool StrictStrToInt(const std::string& text, std::int32_t& out) {
  // The class library's integer conversion: leading blanks, a sign, digits, nothing after.
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return false;
  std::int64_t v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    v = v * 10 + (text[i] - '0');
    if (v > 2147483648LL) return false;
  }
  if (negative) v = -v;
  if (v > INT32_MAX || v < INT32_MIN) return false;
  out = static_cast<std::int32_t>(v);
  return true;
}

}  // namespace

bool KeyFileStorePresent() { return Session().Files.StorePresent; }

std::string NativeFileName(const std::string& FileName) {
  std::string s = FileName;
  std::replace(s.begin(), s.end(), '\\', '/');
  return s;
}

bool KeyFileLoad(const std::string& FileName) {
  std::string bytes;
  if (!ReadWholeFile(NativeFileName(FileName), bytes)) return false;
  ClearStore();
  TFileState& files = Session().Files;
  files.StorePresent = true;
  ParseLines(files, bytes);
  return true;
}

bool KeyFileOpen(const std::string& FileName) {
  if (KeyFileLoad(FileName)) return true;
  ClearStore();
  Session().Files.StorePresent = true;
  return false;
}

std::string KeyFileKeyForm(const std::string& Key) { return std::string(KeyFormView(Key)); }

bool KeyFileFind(const std::string& Key) {
  TFileState& f = Session().Files;
  f.KeyFileFoundIndex = IndexOfKey(f, Key, TKeyFileIndex::Hash(Key));
  if (f.KeyFileFoundIndex < 0) return false;
  f.KeyFileValue = f.KeyFileValues[static_cast<std::size_t>(f.KeyFileFoundIndex)];
  return true;
}

bool KeyFileReadInt(const std::string& Key) {
  if (!KeyFileFind(Key)) return false;
  return StrictStrToInt(Session().Files.KeyFileValue, Session().Files.KeyFileInt);
}

bool KeyFileReadBool(const std::string& Key) {
  if (!KeyFileFind(Key)) return false;
  Session().Files.KeyFileValue = rtl::UpperCase(Session().Files.KeyFileValue);
  if (Session().Files.KeyFileValue == "TRUE") {
    Session().Files.KeyFileBool = 1;
    return true;
  }
  if (Session().Files.KeyFileValue == "FALSE") {
    Session().Files.KeyFileBool = 0;
    return true;
  }
  return false;
}

void KeyFileSet(const std::string& Key, const std::string& Value, const std::string& Comment) {
  TFileState& f = Session().Files;
  f.StorePresent = true;
  const std::string_view key = KeyFormView(Key);
  if (key.empty()) return;
  const std::uint32_t hash = TKeyFileIndex::Hash(key);
  f.KeyFileFoundIndex = IndexOfKey(f, key, hash);
  if (f.KeyFileFoundIndex >= 0) {
    // A save sets most keys to what they hold already.
    const auto i = static_cast<std::size_t>(f.KeyFileFoundIndex);
    if (!SameBytes(f.KeyFileKeys[i], key)) f.KeyFileKeys[i] = key;
    if (!SameBytes(f.KeyFileValues[i], Value)) f.KeyFileValues[i] = Value;
    if (!SameBytes(f.KeyFileComments[i], Comment)) f.KeyFileComments[i] = Comment;
    return;
  }
  f.KeyFileIndex.Add(hash, f.KeyFileKeys.size());
  f.KeyFileKeys.emplace_back(key);
  f.KeyFileValues.push_back(Value);
  f.KeyFileComments.push_back(Comment);
}

bool KeyFileDelete(const std::string& Key) {
  if (!KeyFileFind(Key)) return false;
  TFileState& f = Session().Files;
  const auto i = static_cast<std::size_t>(f.KeyFileFoundIndex);
  f.KeyFileIndex.Remove(i);
  f.KeyFileKeys.erase(f.KeyFileKeys.begin() + static_cast<std::ptrdiff_t>(i));
  f.KeyFileValues.erase(f.KeyFileValues.begin() + static_cast<std::ptrdiff_t>(i));
  f.KeyFileComments.erase(f.KeyFileComments.begin() + static_cast<std::ptrdiff_t>(i));
  // The lines that stood before the entry now stand before the one that followed it.
  for (TFileState::TSkippedLine& s : f.KeyFileSkippedLines)
    if (s.Before > i) --s.Before;
  f.KeyFileFoundIndex = -1;
  return true;
}

std::vector<std::string> KeyFileKeysBeginning(std::string_view Prefix) {
  std::vector<std::string> keys;
  for (const std::string& key : Session().Files.KeyFileKeys)
    if (key.size() >= Prefix.size() && rtl::SameText(std::string_view(key).substr(0, Prefix.size()), Prefix))
      keys.push_back(key);
  return keys;
}

std::string KeyFilePadKey(const std::string& Key) {
  std::string padded(KeyFileKeyWidth + 1, ' ');
  TTextWriter out{padded.data()};
  PutPaddedKey(out, Key);
  padded.resize(static_cast<std::size_t>(out.p - padded.data()));
  return padded;
}

void KeyFileSave(const std::string& FileName) {
  const TFileState& f = Session().Files;
  std::size_t bound = 0;
  for (std::size_t i = 0; i < f.KeyFileKeys.size(); ++i)
    bound += WrittenSizeBound(f.KeyFileKeys[i], f.KeyFileValues[i], f.KeyFileComments[i]);
  for (const TFileState::TSkippedLine& s : f.KeyFileSkippedLines) bound += s.Line.size() + 2;
  std::string text(bound, '\0');
  TTextWriter out{text.data()};
  std::size_t skipped = 0;
  const auto skippedLinesBefore = [&](std::size_t entry) {
    for (; skipped < f.KeyFileSkippedLines.size() && f.KeyFileSkippedLines[skipped].Before <= entry; ++skipped) {
      out.Put(f.KeyFileSkippedLines[skipped].Line);
      out.Put("\r\n", 2);
    }
  };
  for (std::size_t i = 0; i < f.KeyFileKeys.size(); ++i) {
    skippedLinesBefore(i);
    PutWrittenLine(out, f.KeyFileKeys[i], f.KeyFileValues[i], f.KeyFileComments[i]);
  }
  skippedLinesBefore(f.KeyFileKeys.size());
  text.resize(static_cast<std::size_t>(out.p - text.data()));
  ClearStore();
  rtl::WriteFileAtomic(NativeFileName(FileName), text);
}

void KeyFileClose() { ClearStore(); }

bool KeyFileGetBool(const std::string& FileName, const std::string& Key) {
  if (!KeyFileLoad(FileName)) return false;
  const bool ok = KeyFileReadBool(Key);
  const bool value = ok && Session().Files.KeyFileBool == 1;
  KeyFileClose();
  return value;
}

std::string KeyFileCutText(const std::string& Text, std::size_t Max) {
  return TrimBlanks(Text.substr(0, std::min(Text.find('\0'), Max)));
}

std::vector<std::string> KeyFileLoadChangeLines(const std::vector<std::string>& CutKeys,
                                                const std::vector<std::string>& KeylessLines,
                                                const std::vector<std::string>& ShortenedLines) {
  std::vector<std::string> lines;
  if (!CutKeys.empty())
    lines.push_back("Keys longer than " + std::to_string(KeyFileKeyWidth) +
                    " characters, held as their first ones: " + PrintableFileTexts(CutKeys));
  if (!KeylessLines.empty()) lines.push_back("Lines without a key, dropped: " + PrintableFileTexts(KeylessLines));
  if (!ShortenedLines.empty())
    lines.push_back(
        "Lines held without the character before their \"{\" or the last of a comment not closed by "
        "\"}\", or with braces in their comment, written round: " +
        PrintableFileTexts(ShortenedLines));
  return lines;
}

std::string PrintableFileTexts(const std::vector<std::string>& Texts) {
  constexpr std::size_t Shown = 3;
  std::string out;
  for (std::size_t i = 0; i < Texts.size() && i < Shown; ++i)
    out += (i ? ", \"" : "\"") + PrintableFileText(Texts[i]) + "\"";
  if (Texts.size() > Shown) out += " and " + std::to_string(Texts.size() - Shown) + " more";
  return out;
}

std::string PrintableFileText(const std::string& Text) {
  constexpr std::size_t Longest = 40;
  std::string out;
  for (std::size_t i = 0; i < Text.size() && i < Longest; ++i) {
    const auto c = static_cast<unsigned char>(Text[i]);
    if (c < 0x20 || c == 0x7F) {
      constexpr char Hex[] = "0123456789ABCDEF";
      const char escaped[] = {'\\', 'x', Hex[c >> 4], Hex[c & 15]};
      out.append(escaped, sizeof escaped);
    } else {
      out += Text[i];
    }
  }
  if (Text.size() > Longest) out += "...";
  return out;
}

std::string StripExtension(const std::string& FileName) {
  const std::size_t dot = FileName.rfind('.');
  return dot == std::string::npos ? FileName : FileName.substr(0, dot);
}

int IndexOfText(int Count, const std::string& Text, std::span<const std::string> Table) {
  const int n = std::min({Count, 255, static_cast<int>(Table.size())});
  for (int i = 0; i < n; ++i)
    if (Table[static_cast<std::size_t>(i)] == Text) return i + 1;
  return 0;
}

int ComboIndexOfText(const std::string& Text, std::span<const std::u16string> Items) {
  const std::u16string wide = rtl::CodePageToWide(Text, 1252);
  const std::size_t n = std::min<std::size_t>(Items.size(), 255);
  for (std::size_t i = 0; i < n; ++i)
    if (Items[i] == wide) return static_cast<int>(i) + 1;
  return 0;
}

}  // namespace ecu
