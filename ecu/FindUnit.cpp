#include "ecu/FindUnit.h"

#include <algorithm>
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

// The reader works on views of the file's bytes and copies only what it keeps.
std::string_view TrimmedView(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsBlankOrControl(s[b])) ++b;
  while (e > b && IsBlankOrControl(s[e - 1])) --e;
  return s.substr(b, e - b);
}

std::string TrimBlanks(std::string_view s) { return std::string(TrimmedView(s)); }

std::string UpperASCII(std::string_view s) {
  std::string upper(s);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return upper;
}

// KeyFileKeyForm of a view, as a view into it.
std::string_view KeyFormView(std::string_view Key) {
  std::size_t b = 0;
  while (b < Key.size() && IsBlankOrControl(Key[b])) ++b;
  if (b == Key.size() || Key[b] == '{' || Key[b] == '[') return {};
  std::size_t e = std::min({Key.find_first_of(" =", b), Key.size(), b + KeyFileKeyWidth});
  while (e > b && IsBlankOrControl(Key[e - 1])) --e;
  return Key.substr(b, e - b);
}

void ClearStore() {
  Session().Files.KeyFileKeys.clear();
  Session().Files.KeyFileValues.clear();
  Session().Files.KeyFileComments.clear();
  Session().Files.KeyFileIndex.clear();
  Session().Files.KeyFileRepeatedKeys.clear();
  Session().Files.KeyFileRepeatedValues.clear();
  Session().Files.KeyFileCutKeys.clear();
  Session().Files.KeyFileKeylessLines.clear();
  Session().Files.KeyFileShortenedLines.clear();
  Session().Files.KeyFileSkippedLines.clear();
  Session().Files.StorePresent = false;
}

// Splits the text into lines ending at CR, LF or CR LF.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0, i = 0;
  while (i < text.size()) {
    if (text[i] == '\r' || text[i] == '\n') {
      lines.push_back(text.substr(start, i - start));
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      start = ++i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

// Where the comment of a line's rest begins: the "{" that opens the braced group ending the
// line, so that a value may hold braces of its own (a written line is the value, a blank and
// the comment in braces, and the writer keeps braces out of comments). A rest that does not
// end in such a group takes its first "{"; npos when it holds none.
std::size_t CommentBrace(std::string_view rest) {
  if (!rest.empty() && rest.back() == '}') {
    int depth = 0;
    for (std::size_t i = rest.size(); i-- > 0;) {
      if (rest[i] == '}') {
        ++depth;
      } else if (rest[i] == '{' && --depth == 0) {
        return i;
      }
    }
  }
  return rest.find('{');
}

void ParseLine(TFileState& Files, std::string_view raw) {
  std::size_t b = 0;
  while (b < raw.size() && IsBlankOrControl(raw[b])) ++b;
  // An empty line, a note or a section head: kept for the save as it is.
  if (b == raw.size() || raw[b] == '{' || raw[b] == '[') {
    Files.KeyFileSkippedLines.push_back({Files.KeyFileKeys.size(), std::string(raw)});
    return;
  }
  const std::string_view line = raw.substr(b);

  const std::size_t sep = line.find_first_of(" =");
  std::string_view rest;
  if (sep != std::string_view::npos) rest = line[sep] == '=' ? line.substr(sep + 1) : line.substr(sep);
  const std::string_view key = KeyFormView(line);
  if (key.empty()) {  // "=..." names nothing; written back it would name its value
    Files.KeyFileKeylessLines.emplace_back(line);
    return;
  }
  // A key longer than the key column is held cut to it, as a written line gives it back.
  std::size_t keyEnd = std::min(sep, line.size());
  while (keyEnd > 0 && IsBlankOrControl(line[keyEnd - 1])) --keyEnd;
  if (keyEnd > KeyFileKeyWidth) Files.KeyFileCutKeys.push_back(UpperASCII(line.substr(0, keyEnd)));
  rest = TrimmedView(rest);
  const std::string blank(1, ' ');
  std::string value = blank, comment = blank;
  bool shortened = false;
  if (!rest.empty()) {
    const std::size_t brace = CommentBrace(rest);
    if (brace == std::string_view::npos) {
      value = rest;
    } else {
      // The writer puts one blank before "{"; that character is dropped unseen, and so is
      // the last character of the line (the closing "}").
      value = TrimBlanks(rest.substr(0, brace == 0 ? 0 : brace - 1));
      const std::size_t from = brace + 1;
      comment = TrimBlanks(rest.substr(from, rest.size() > from ? rest.size() - from - 1 : 0));
      // What those drops cost a line not written so, and the braces the writer makes round.
      shortened = (brace > 0 && !IsBlankOrControl(rest[brace - 1])) || rest.back() != '}' ||
                  comment.find_first_of("{}") != std::string::npos;
    }
  }
  // The first line of a key is the one every reader sees; a later one would come back to
  // life when the first is deleted, so it is dropped (and noted for the caller to report).
  if (Files.KeyFileIndex.find(key) != Files.KeyFileIndex.end()) {
    Files.KeyFileRepeatedKeys.push_back(UpperASCII(key));
    Files.KeyFileRepeatedValues.push_back(std::move(value));
    return;
  }
  if (shortened) Files.KeyFileShortenedLines.emplace_back(line);
  Files.KeyFileIndex.emplace(key, Files.KeyFileKeys.size());
  Files.KeyFileKeys.emplace_back(key);
  Files.KeyFileValues.push_back(std::move(value));
  Files.KeyFileComments.push_back(std::move(comment));
}

// Reads a whole regular file; false when there is none under that name (a FIFO, a device or a
// folder of that name is none, and is never opened).
bool ReadWholeFile(const std::string& name, std::string& bytes) { return rtl::ReadRegularFile(name, bytes); }

// Appends a value or comment as one line: a line break (CR, LF or CR LF) becomes one blank;
// for a comment (Comment true) "{" and "}" become "(" and ")", so that the braced group ending
// the line is the comment's and every brace before it belongs to the value.
void AppendOneLine(std::string& out, const std::string& s, bool Comment) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c == '\r' || c == '\n') {
      c = ' ';
      if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
    } else if (Comment && (c == '{' || c == '}')) {
      c = c == '{' ? '(' : ')';
    }
    out += c;
  }
}

// Appends the key as a written line begins (KeyFilePadKey).
void AppendPaddedKey(std::string& out, const std::string& Key) {
  out.append(Key, 0, KeyFileKeyWidth);
  out.append(Key.size() >= KeyFileKeyWidth ? 1 : KeyFileKeyWidth - Key.size(), ' ');
}

// Appends a line as the writer puts it, ended by CR LF. Value and comment as they are held; a
// comment of one blank stands for a line without braces, which is written so where its
// value can stand without them, the key alone when the value is one blank too (a line that
// held only its key), since those are the lines that read back so.
void AppendWrittenLine(std::string& out, const std::string& key, const std::string& value, const std::string& comment) {
  if (comment == " " && value == " ") {
    out += KeyFormView(key);
    out += "\r\n";
    return;
  }
  AppendPaddedKey(out, key);
  if (comment == " ") {
    const bool bare = !value.empty() && TrimmedView(value).size() == value.size() &&
                      value.find_first_of("{\r\n") == std::string::npos;
    if (bare) {
      out += value;
      out += "\r\n";
      return;
    }
    AppendOneLine(out, value, false);
    out += " {}\r\n";
    return;
  }
  AppendOneLine(out, value, false);
  out += " {";
  AppendOneLine(out, comment, true);
  out += "}\r\n";
}

// The index of the entry whose key is Key (without regard to case), -1 when none is.
std::int32_t IndexOfKey(const std::string& key) {
  const auto found = Session().Files.KeyFileIndex.find(std::string_view(key));
  return found == Session().Files.KeyFileIndex.end() ? -1 : static_cast<std::int32_t>(found->second);
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

std::size_t TKeyHash::operator()(std::string_view Key) const {
  std::size_t hash = 14695981039346656037ull;  // FNV-1a over the upper-cased letters
  for (const char c : Key) {
    hash ^= static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    hash *= 1099511628211ull;
  }
  return hash;
}

bool TKeyEqual::operator()(std::string_view A, std::string_view B) const {
  if (A.size() != B.size()) return false;
  for (std::size_t i = 0; i < A.size(); ++i) {
    const char a = A[i], b = B[i];
    if (a != b && (a >= 'a' && a <= 'z' ? a - 'a' + 'A' : a) != (b >= 'a' && b <= 'z' ? b - 'a' + 'A' : b))
      return false;
  }
  return true;
}

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
  Session().Files.StorePresent = true;
  TFileState& files = Session().Files;
  for (const std::string_view line : SplitLines(bytes)) ParseLine(files, line);
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
  Session().Files.KeyFileFoundIndex = IndexOfKey(Key);
  if (Session().Files.KeyFileFoundIndex < 0) return false;
  Session().Files.KeyFileValue =
      Session().Files.KeyFileValues[static_cast<std::size_t>(Session().Files.KeyFileFoundIndex)];
  return true;
}

bool KeyFileReadInt(const std::string& Key) {
  if (!KeyFileFind(Key)) return false;
  return StrictStrToInt(Session().Files.KeyFileValue, Session().Files.KeyFileInt);
}

bool KeyFileReadBool(const std::string& Key) {
  if (!KeyFileFind(Key)) return false;
  Session().Files.KeyFileValue = UpperASCII(Session().Files.KeyFileValue);
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
  Session().Files.StorePresent = true;
  const std::string key = KeyFileKeyForm(Key);
  if (key.empty()) return;
  Session().Files.KeyFileFoundIndex = IndexOfKey(key);
  if (Session().Files.KeyFileFoundIndex >= 0) {
    const auto i = static_cast<std::size_t>(Session().Files.KeyFileFoundIndex);
    Session().Files.KeyFileKeys[i] = key;
    Session().Files.KeyFileValues[i] = Value;
    Session().Files.KeyFileComments[i] = Comment;
    return;
  }
  Session().Files.KeyFileIndex.emplace(key, Session().Files.KeyFileKeys.size());
  Session().Files.KeyFileKeys.push_back(key);
  Session().Files.KeyFileValues.push_back(Value);
  Session().Files.KeyFileComments.push_back(Comment);
}

bool KeyFileDelete(const std::string& Key) {
  if (!KeyFileFind(Key)) return false;
  const auto i = static_cast<std::ptrdiff_t>(Session().Files.KeyFileFoundIndex);
  Session().Files.KeyFileIndex.erase(
      Session().Files.KeyFileIndex.find(std::string_view(Session().Files.KeyFileKeys[static_cast<std::size_t>(i)])));
  for (auto& [upper, index] : Session().Files.KeyFileIndex)
    if (index > static_cast<std::size_t>(i)) --index;
  Session().Files.KeyFileKeys.erase(Session().Files.KeyFileKeys.begin() + i);
  Session().Files.KeyFileValues.erase(Session().Files.KeyFileValues.begin() + i);
  Session().Files.KeyFileComments.erase(Session().Files.KeyFileComments.begin() + i);
  // The lines that stood before the entry now stand before the one that followed it.
  for (TFileState::TSkippedLine& s : Session().Files.KeyFileSkippedLines)
    if (s.Before > static_cast<std::size_t>(i)) --s.Before;
  Session().Files.KeyFileFoundIndex = -1;
  return true;
}

std::string KeyFilePadKey(const std::string& Key) {
  std::string padded;
  AppendPaddedKey(padded, Key);
  return padded;
}

void KeyFileSave(const std::string& FileName) {
  const TFileState& f = Session().Files;
  std::string text;
  std::size_t skipped = 0;
  const auto skippedLinesBefore = [&](std::size_t entry) {
    for (; skipped < f.KeyFileSkippedLines.size() && f.KeyFileSkippedLines[skipped].Before <= entry; ++skipped)
      text += f.KeyFileSkippedLines[skipped].Line + "\r\n";
  };
  for (std::size_t i = 0; i < f.KeyFileKeys.size(); ++i) {
    skippedLinesBefore(i);
    AppendWrittenLine(text, f.KeyFileKeys[i], f.KeyFileValues[i], f.KeyFileComments[i]);
  }
  skippedLinesBefore(f.KeyFileKeys.size());
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
    if (c < 0x20 || c == 0x7F)
      out += rtl::Format("\\x%.2X", c);
    else
      out += Text[i];
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
