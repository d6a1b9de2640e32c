// Key-value text files: the one reader and writer of the program's own text files (settings,
// configurations, colour and window keys). A file is a list of lines, each holding a key, its
// value and a comment in braces:
//
//   Work_Gas                     1234 {}
//
// The file is held in a store of three parallel lists while one file is handled; a caller
// loads (or opens) a file, reads or sets keys, then saves or closes it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ecu {

// The index of a store's keys without regard to the case of ASCII letters: an open-addressed
// table of entry numbers, each with the hash of its key upper-cased, so that a search costs the
// same in a file of any length, makes no text of its own, and a load allocates nothing per key.
// A search compares the keys of the store it is given. Kept by the store's operations only.
class TKeyFileIndex {
public:
  static constexpr std::size_t None = static_cast<std::size_t>(-1);
  // The hash of a key upper-cased (ASCII letters only).
  static std::uint32_t Hash(std::string_view Key);
  // The entry of Key, whose hash is KeyHash, among Keys (the store's keys); None when absent.
  std::size_t Find(std::string_view Key, std::uint32_t KeyHash, const std::vector<std::string>& Keys) const;
  // Adds Entry, whose key has the hash KeyHash and is not in the index yet.
  void Add(std::uint32_t KeyHash, std::size_t Entry);
  // Removes Entry; every entry after it moves down by one, as the store's lists close up.
  void Remove(std::size_t Entry);
  void Clear();
  std::size_t Size() const { return count_; }

private:
  struct TSlot {
    std::size_t Entry = 0;  // the entry's number plus one; 0 in a free slot
    std::uint32_t Hash = 0;
  };
  void Rehash(std::size_t Capacity);
  std::vector<TSlot> slots_;  // a power of two long and at most half full (linear probing)
  std::size_t count_ = 0;
};

// The key-file store and the results of its last search and reads. GUI thread only.
struct TFileState {
  // The store. The three lists always have the same length; entry i of each belongs to line
  // i. Keys read from a file keep the file's spelling (so that a save that does not set a key
  // writes it as it found it); a key set by a caller takes the caller's form. Every key is
  // held in its written form (KeyFileKeyForm), and no key is held twice, whatever its case.
  std::vector<std::string> KeyFileKeys;
  std::vector<std::string> KeyFileValues;
  std::vector<std::string> KeyFileComments;
  // The index of each key's entry, by the key without regard to case. Kept by the operations
  // below; the lists are not changed otherwise.
  TKeyFileIndex KeyFileIndex;
  // The lines a load skipped because they are empty or begin with "{" or "[" (blank lines,
  // notes and section heads written by hand), each as the file has it (without its line end),
  // with the index of the entry it stands before
  // (the number of entries when it follows the last); in file order. A save writes them where
  // they stood; an entry deleted leaves its lines before the entry that follows it, and an
  // entry added comes after every line the file had.
  struct TSkippedLine {
    std::size_t Before = 0;
    std::string Line;
  };
  std::vector<TSkippedLine> KeyFileSkippedLines;
  // Keys (upper-cased) of the lines a load dropped because an earlier line had the same key:
  // the first line of a key is the one that counts, for reading and for the save.
  std::vector<std::string> KeyFileRepeatedKeys;
  std::vector<std::string> KeyFileRepeatedValues;  // their values, same index
  // What a load held otherwise than the file has it, for the caller to report: the whole key
  // text (upper-cased) of each line whose key was longer than the key column and is held cut
  // to it, and the lines it dropped because they name no key (a line that begins with "=").
  std::vector<std::string> KeyFileCutKeys;
  std::vector<std::string> KeyFileKeylessLines;
  // The lines whose value or comment is held otherwise than the file writes them, as the line
  // grammar reads them: a value written against its "{" loses its last character, a comment
  // without its closing "}" its last one, and the braces of a comment become "(" and ")" when it
  // is written again.
  std::vector<std::string> KeyFileShortenedLines;
  bool StorePresent = false;                       // between a load (or open) and the save or close
  // Results of the last search and reads; a failed read leaves KeyFileInt and KeyFileBool as
  // they were.
  std::int32_t KeyFileFoundIndex = -1;  // -1 when the key last searched is absent
  std::string KeyFileValue;
  std::int32_t KeyFileInt = 0;
  std::uint8_t KeyFileBool = 0;

  // Everything back to its state at program start (no store).
  void Reset() { *this = TFileState(); }
};

// Column at which a written value starts: keys are padded to this width, a longer key is cut
// to it and followed by one blank.
constexpr std::size_t KeyFileKeyWidth = 29;

// True between a load (or open) and the save or close.
bool KeyFileStorePresent();

// Reads the file into a new store; false (and no store) when the file does not exist. A
// line's comment is the braced group that ends it, so a value may hold braces; a line that
// does not end in one takes its first "{" as the start of the comment. Of several lines with
// the same key only the first is kept (Files.KeyFileRepeatedKeys names the others); keys cut
// to the key column and lines without a key are listed in Files.KeyFileCutKeys and
// Files.KeyFileKeylessLines, lines whose value or comment the grammar does not hold as written
// in Files.KeyFileShortenedLines. Empty lines and lines beginning with "{" or "[" name no key and
// are kept aside for the save (Files.KeyFileSkippedLines).
bool KeyFileLoad(const std::string& FileName);
// KeyFileLoad, or an empty store when the file does not exist (so that keys can be set and
// the file written); true when the file existed.
bool KeyFileOpen(const std::string& FileName);

// A key as a written line gives it back, the one form in which the reader, the writer and
// KeyFileSet hold it: leading blanks and control characters dropped, up to the first blank
// or "=", cut to the key column, trailing blanks and control characters dropped. Empty when
// nothing is left, or when it would begin with "{" or "[" (a line the reader skips).
std::string KeyFileKeyForm(const std::string& Key);

// Searches the store for the key without regard to case. A key that has no written form of
// its own (longer than the key column, or with blanks or control characters at its ends) is
// not found: a file keeps only the written form.
bool KeyFileFind(const std::string& Key);
// Present and the whole value is a decimal integer: Files.KeyFileInt holds it.
bool KeyFileReadInt(const std::string& Key);
// Present and "TRUE" or "FALSE" in any case: Files.KeyFileBool holds 1 or 0, Files.KeyFileValue is left
// upper-cased.
bool KeyFileReadBool(const std::string& Key);

// Replaces the entry of the key's written form (at the same position, with the caller's form
// of the key, cut as written) or appends a new one, so that a key longer than the key column
// replaces its own line instead of adding another. A key with an empty written form is not
// stored.
void KeyFileSet(const std::string& Key, const std::string& Value, const std::string& Comment);
// Removes the key's entry; false when it was absent.
bool KeyFileDelete(const std::string& Key);
// The keys of the store that begin with Prefix without regard to case, as held, in store order:
// one pass over the store for a caller that would otherwise search it for many keys of a name.
std::vector<std::string> KeyFileKeysBeginning(std::string_view Prefix);

// Writes every entry as a line ended by CR LF, in store order, with the skipped lines where
// they stood, then discards the store (also when writing fails). The file is written to a
// temporary file in the same folder and renamed over the old one. A value or comment is
// written as held, on one line (a line break becomes one blank); a value keeps its braces,
// and a comment's braces become "(" and ")", so that the braced group ending a line is always
// the comment and the value reads back as written. A comment of one blank is the reader's
// mark of a line without braces: such a line is written without them (the padded key and the
// value, or the key alone when the value is one blank too), as it reads back; where its value
// could not stand without braces (it holds "{", a line break or blanks at its ends) the braces
// are written empty. So what a load gives, a save writes to bytes that load the same again.
// Raises rtl::EFCreateError or rtl::EWriteError when the file cannot be written.
void KeyFileSave(const std::string& FileName);
// Discards the store without writing.
void KeyFileClose();

// Load, read one boolean, close: false when the file or key is missing or not a boolean.
bool KeyFileGetBool(const std::string& FileName, const std::string& Key);

// The key as a written line begins: padded with blanks to the key column, or cut to it and
// followed by one blank.
std::string KeyFilePadKey(const std::string& Key);

// The name without its last "." and what follows (the last "." anywhere in the text counts);
// a name without "." is returned whole.
std::string StripExtension(const std::string& FileName);

// 1-based position of the first entry of Table[0 .. Count-1] equal to Text (case matters), 0
// when none is. Count is at most 255 and at most the table's size.
int IndexOfText(int Count, const std::string& Text, std::span<const std::string> Table);

// 1-based position of the first item equal to Text, taken as a wide text through the system
// code page; 0 when none is. Positions are counted in a byte: only the first 255 items count.
int ComboIndexOfText(const std::string& Text, std::span<const std::u16string> Items);

// A text cut as a value takes it: up to its first NUL byte (which ends a text for the fonts,
// the file system and the text boxes) and at most Max bytes, without the blanks and control bytes
// the cut leaves at its ends, which a read line would not give back.
std::string KeyFileCutText(const std::string& Text, std::size_t Max = std::string::npos);
// The report lines for what a load held otherwise than its file has it
// (Files.KeyFileCutKeys, Files.KeyFileKeylessLines, Files.KeyFileShortenedLines): each kind on
// one line, none for a kind without any.
std::vector<std::string> KeyFileLoadChangeLines(const std::vector<std::string>& CutKeys,
                                                const std::vector<std::string>& KeylessLines,
                                                const std::vector<std::string>& ShortenedLines = {});

// A file's text as a report shows it: control bytes as \xNN, at most 40 characters (then
// "...").
std::string PrintableFileText(const std::string& Text);
// Texts of a file as a report lists them on one line: the first three quoted as above, then
// how many more there are.
std::string PrintableFileTexts(const std::vector<std::string>& Texts);

// A file name as the file system takes it: a "\" of a name read from a file becomes "/".
std::string NativeFileName(const std::string& FileName);

}  // namespace ecu
