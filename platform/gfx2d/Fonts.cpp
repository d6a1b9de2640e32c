#include "platform/gfx2d/Fonts.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <tuple>

#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_MULTIPLE_MASTERS_H
#include FT_SFNT_NAMES_H
#include FT_TRUETYPE_IDS_H
#include <fontconfig/fontconfig.h>
#include <fontconfig/fcfreetype.h>
#include <glib.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>
#include <unistd.h>

#include "platform/gfx2d/Backend.h"

namespace gfx2d {

namespace {

// Font files written from memory, by key; those left are deleted when the state is reset
// and at the end of the process.
struct MemoryFontFiles {
  struct Entry {
    std::filesystem::path file;
    std::vector<std::string> families;
    int users = 0;
  };
  std::map<std::string, Entry> byKey;

  MemoryFontFiles() = default;
  MemoryFontFiles(const MemoryFontFiles&) = delete;
  MemoryFontFiles& operator=(const MemoryFontFiles&) = delete;
  MemoryFontFiles(MemoryFontFiles&&) = default;
  MemoryFontFiles& operator=(MemoryFontFiles&& Other) {
    RemoveAll();
    byKey = std::move(Other.byKey);
    return *this;
  }
  ~MemoryFontFiles() { RemoveAll(); }
  void RemoveAll() {
    std::error_code ec;
    for (const auto& [key, entry] : byKey) std::filesystem::remove(entry.file, ec);
    byKey.clear();
  }
};

struct FontState {
  std::set<std::string> dirs;
  MemoryFontFiles memoryFonts;
  // Counts the Shutdowns, so that a key handed out before one is not taken for a new one.
  unsigned generation = 0;
  bool releaseRegistered = false;
  // Answers of fontconfig, kept until the set of fonts changes: text objects look up
  // their family before every paint.
  std::map<std::string, bool> exists;
  std::map<std::tuple<std::string, bool, bool>, bool> styles;
  std::string generic;
  std::vector<std::string> families;
  bool fontMapUsed = false;  // pango's font map was made for text
};

FontState& State() {
  static FontState state;
  return state;
}

// The end of pango's font map, told by the map's finalisation on whichever thread lets
// go of it last. Never destroyed: that may happen after static destruction has begun.
struct TMapEnd {
  std::mutex lock;
  std::condition_variable changed;
  bool gone = false;
};
TMapEnd& MapEnd() {
  static TMapEnd* end = new TMapEnd;
  return *end;
}

// Text contexts made by MakeTextContext and not yet finalised.
std::atomic<int>& LiveTextContexts() {
  static std::atomic<int> count{0};
  return count;
}

// Frees fontconfig's and pango's caches and the temporary font files at Shutdown.
void EnsureRelease() {
  FontState& s = State();
  if (s.releaseRegistered) return;
  s.releaseRegistered = true;
  AddReleaseHandler([] {
    FontState& st = State();
    // Fontconfig and cairo keep caches until told to let go, which they can only do once
    // no font is alive. pango loads fontconfig on a thread of its own when its font map is
    // made: listing the families waits for that thread to be done. Then the map goes with
    // its last reference. While one of our text contexts is alive it cannot: the caches
    // are left to the end of the process at once. Otherwise only pango's own workers can
    // still hold it, for as long as their work takes: the map's end is waited for (it
    // notifies), with a bound against a library that never lets go.
    bool released = true;
    if (st.fontMapUsed) {
      TMapEnd& end = MapEnd();
      {
        std::lock_guard<std::mutex> hold(end.lock);
        end.gone = false;
      }
      PangoFontMap* map = pango_cairo_font_map_get_default();
      PangoFontFamily** families = nullptr;
      int count = 0;
      pango_font_map_list_families(map, &families, &count);  // returns once the loading thread is done
      g_free(families);
      // Object data is let go at the very end of finalisation, after the map's own cleanup.
      static GQuark key = g_quark_from_static_string("gascal-font-map-gone");
      g_object_set_qdata_full(G_OBJECT(map), key, &end, [](gpointer data) {
        auto* e = static_cast<TMapEnd*>(data);
        std::lock_guard<std::mutex> hold(e->lock);
        e->gone = true;
        e->changed.notify_all();
      });
      pango_cairo_font_map_set_default(nullptr);  // finalises the map when ours was the last reference
      std::unique_lock<std::mutex> hold(end.lock);
      if (!end.gone && LiveTextContexts() == 0)
        end.changed.wait_for(hold, std::chrono::seconds(5), [&end] { return end.gone; });
      released = end.gone;
    }
    if (released) {
      cairo_debug_reset_static_data();
      FcFini();
    }
    const unsigned generation = st.generation + 1;
    st = FontState{};  // deletes the files of fonts from memory
    st.generation = generation;
  });
}

// Tells pango that fontconfig's set of fonts changed, and forgets the answers.
void FontsChanged() {
  FontState& s = State();
  s.exists.clear();
  s.styles.clear();
  s.generic.clear();
  s.families.clear();
  if (!s.fontMapUsed) return;  // a map made later reads the fonts as they are then
  PangoFontMap* map = pango_cairo_font_map_get_default();
  if (PANGO_IS_FC_FONT_MAP(map)) pango_fc_font_map_config_changed(PANGO_FC_FONT_MAP(map));
}

}  // namespace

PangoContext* MakeTextContext(cairo_t* Cr) {
  EnsureRelease();
  State().fontMapUsed = true;
  PangoContext* context = pango_cairo_create_context(Cr);
  ++LiveTextContexts();
  static GQuark key = g_quark_from_static_string("gascal-text-context");
  g_object_set_qdata_full(G_OBJECT(context), key, &LiveTextContexts(),
                          [](gpointer count) { --*static_cast<std::atomic<int>*>(count); });
  return context;
}

bool AddFontDir(const std::string& Dir) {
  FontState& s = State();
  if (s.dirs.count(Dir)) return true;
  std::error_code ec;
  if (!std::filesystem::is_directory(Dir, ec)) return false;
  EnsureRelease();
  if (!FcConfigAppFontAddDir(nullptr, reinterpret_cast<const FcChar8*>(Dir.c_str()))) return false;
  s.dirs.insert(Dir);
  FontsChanged();
  return true;
}

bool RegisterDefaultFonts() {
  AddFontDir(WineFontDir);
  return FontFamilyExists("Tahoma");
}

bool FontFamilyExists(const std::string& Family) {
  if (Family.empty()) return false;
  EnsureRelease();
  FontState& s = State();
  if (auto it = s.exists.find(Family); it != s.exists.end()) return it->second;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(Family.c_str()));
  FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
  FcFontSet* set = FcFontList(nullptr, pattern, objects);
  const bool found = set && set->nfont > 0;
  if (set) FcFontSetDestroy(set);
  FcObjectSetDestroy(objects);
  FcPatternDestroy(pattern);
  s.exists.emplace(Family, found);
  return found;
}

std::string GenericSansSerifFamily() {
  EnsureRelease();
  FontState& s = State();
  if (!s.generic.empty()) return s.generic;
  std::string family = GenericSansSerif;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(GenericSansSerif));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  if (FcPattern* match = FcFontMatch(nullptr, pattern, &result)) {
    FcChar8* name = nullptr;
    if (FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch && name)
      family = reinterpret_cast<const char*>(name);
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pattern);
  s.generic = family;
  return family;
}

std::vector<std::string> FontFamilies() {
  EnsureRelease();
  FontState& s = State();
  if (!s.families.empty()) return s.families;
  FcPattern* pattern = FcPatternCreate();
  FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
  FcFontSet* set = FcFontList(nullptr, pattern, objects);
  std::vector<std::string> names;
  for (int i = 0; set && i < set->nfont; ++i) {
    FcChar8* name = nullptr;
    if (FcPatternGetString(set->fonts[i], FC_FAMILY, 0, &name) != FcResultMatch || !name || !*name) continue;
    names.emplace_back(reinterpret_cast<const char*>(name));
  }
  if (set) FcFontSetDestroy(set);
  FcObjectSetDestroy(objects);
  FcPatternDestroy(pattern);
  const auto lower = [](const std::string& Text) {
    std::string l = Text;
    for (char& c : l) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return l;
  };
  std::sort(names.begin(), names.end(), [&](const std::string& A, const std::string& B) {
    const std::string a = lower(A), b = lower(B);
    return a != b ? a < b : A < B;
  });
  names.erase(std::unique(names.begin(), names.end(),
                          [&](const std::string& A, const std::string& B) { return lower(A) == lower(B); }),
              names.end());
  s.families = names;
  return names;
}

std::string ResolveFontFamily(const std::string& Family) {
  return FontFamilyExists(Family) ? Family : GenericSansSerifFamily();
}

bool FontStyleAvailable(const std::string& Family, bool Bold, bool Italic) {
  EnsureRelease();
  FontState& s = State();
  const auto key = std::make_tuple(Family, Bold, Italic);
  if (auto it = s.styles.find(key); it != s.styles.end()) return it->second;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(Family.c_str()));
  FcObjectSet* objects = FcObjectSetBuild(FC_WEIGHT, FC_SLANT, nullptr);
  FcFontSet* set = FcFontList(nullptr, pattern, objects);
  bool found = false;
  for (int i = 0; set && i < set->nfont && !found; ++i) {
    int weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
    FcPatternGetInteger(set->fonts[i], FC_WEIGHT, 0, &weight);
    FcPatternGetInteger(set->fonts[i], FC_SLANT, 0, &slant);
    found = (weight >= FC_WEIGHT_DEMIBOLD) == Bold && (slant != FC_SLANT_ROMAN) == Italic;
  }
  if (set) FcFontSetDestroy(set);
  FcObjectSetDestroy(objects);
  FcPatternDestroy(pattern);
  s.styles.emplace(key, found);
  return found;
}

namespace {

bool IsControl(unsigned Char) { return Char < 0x20 || Char == 0x7F; }

// True when a character of the text, before its end (a NUL), is a control character.
bool HoldsControl(const char* Text) {
  for (const char* p = Text; p && *p; ++p)
    if (IsControl(static_cast<unsigned char>(*p))) return true;
  return false;
}

// Whether a name record's text is UTF-16 (big-endian): on the Unicode and Windows platforms
// and for ISO 10646; elsewhere one byte a character (or multi-byte codes whose bytes are no
// controls and no blanks).
bool IsWideName(const FT_SfntName& Name) {
  return Name.platform_id == TT_PLATFORM_APPLE_UNICODE || Name.platform_id == TT_PLATFORM_MICROSOFT ||
         (Name.platform_id == TT_PLATFORM_ISO && Name.encoding_id == TT_ISO_ID_10646);
}

// The character at Index of a name record's text (UTF-16 code unit or byte); 0 past its end.
unsigned NameChar(const FT_SfntName& Name, FT_UInt Index) {
  const FT_UInt step = IsWideName(Name) ? 2 : 1;
  const FT_UInt at = Index * step;
  if (at + step > Name.string_len) return 0;
  return step == 2 ? (unsigned{Name.string[at]} << 8 | Name.string[at + 1]) : Name.string[at];
}

// True when a character of a name record's text, before its end (a NUL), is a control.
bool HoldsControl(const FT_SfntName& Name) {
  for (FT_UInt i = 0;; ++i) {
    const unsigned c = NameChar(Name, i);
    if (c == 0) return false;
    if (IsControl(c)) return true;
  }
}

// The names fontconfig reads of a face (family, style and full names), and among them those
// it takes as a style: the fixed ones, and the style and PostScript names of a variable
// font's named instances (fontconfig adds each instance as a font of its own when the file
// is added; an instance's style is its name). Copyright and licence texts may hold line
// breaks and are not among them.
struct NamesRead {
  std::vector<FT_UShort> all;
  std::vector<FT_UShort> styles;
};
NamesRead NameIdsRead(FT_Library Library, FT_Face Face) {
  NamesRead ids;
  ids.styles = {TT_NAME_ID_FONT_SUBFAMILY, TT_NAME_ID_TYPOGRAPHIC_SUBFAMILY, TT_NAME_ID_WWS_SUBFAMILY};
  FT_MM_Var* variations = nullptr;
  if (FT_HAS_MULTIPLE_MASTERS(Face) && FT_Get_MM_Var(Face, &variations) == 0) {
    for (FT_UInt i = 0; i < variations->num_namedstyles; ++i) {
      ids.styles.push_back(static_cast<FT_UShort>(variations->namedstyle[i].strid));
      ids.all.push_back(static_cast<FT_UShort>(variations->namedstyle[i].psid));
    }
    FT_Done_MM_Var(Library, variations);
  }
  ids.all.insert(ids.all.end(),
                 {TT_NAME_ID_FONT_FAMILY, TT_NAME_ID_FULL_NAME, TT_NAME_ID_TYPOGRAPHIC_FAMILY, TT_NAME_ID_WWS_FAMILY});
  ids.all.insert(ids.all.end(), ids.styles.begin(), ids.styles.end());
  return ids;
}

// True when fontconfig would mishandle the face's names: a name it reads (NameIdsRead) holds
// a control character, or a name it may take as the style begins with a blank. No real font
// has either. Building the full name of a face that has none, fontconfig moves the style's
// text over its leading white space with memcpy, the text overlapping itself (the sanitizers
// stop the program there): a style that begins with a tab or a line break does so, and one
// that begins with a blank where fontconfig does not trim it first (it trims the names it
// decodes, not UTF-16 of an odd length or with an unpaired surrogate). Such data is refused
// as no font.
bool NamesMisleadFontconfig(FT_Library Library, FT_Face Face) {
  if (HoldsControl(Face->family_name) || HoldsControl(Face->style_name)) return true;
  if (Face->style_name && Face->style_name[0] == ' ') return true;
  const NamesRead ids = NameIdsRead(Library, Face);
  const auto among = [](const std::vector<FT_UShort>& Ids, FT_UShort Id) {
    return std::find(Ids.begin(), Ids.end(), Id) != Ids.end();
  };
  const FT_UInt count = FT_Get_Sfnt_Name_Count(Face);
  for (FT_UInt i = 0; i < count; ++i) {
    FT_SfntName name;
    if (FT_Get_Sfnt_Name(Face, i, &name) != 0 || !among(ids.all, name.name_id)) continue;
    if (HoldsControl(name) || (among(ids.styles, name.name_id) && NameChar(name, 0) == ' ')) return true;
  }
  return false;
}

// The families of the font file in Data, read by FreeType from memory; empty when it is no
// font, or when fontconfig would mishandle a face's names (NamesMisleadFontconfig). Each face is
// checked before fontconfig reads it.
std::vector<std::string> MemoryFontFamilies(const uint8_t* Data, size_t Size) {
  std::vector<std::string> families;
  FT_Library library = nullptr;
  if (FT_Init_FreeType(&library) != 0) return families;
  long count = 1;
  for (long index = 0; index < count; ++index) {
    FT_Face face = nullptr;
    if (FT_New_Memory_Face(library, Data, static_cast<FT_Long>(Size), index, &face) != 0) break;
    if (index == 0) count = face->num_faces;
    if (NamesMisleadFontconfig(library, face)) {
      FT_Done_Face(face);
      families.clear();
      break;
    }
    if (FcPattern* p = FcFreeTypeQueryFace(face, reinterpret_cast<const FcChar8*>(""), static_cast<unsigned>(index),
                                           nullptr)) {
      FcChar8* family = nullptr;
      if (FcPatternGetString(p, FC_FAMILY, 0, &family) == FcResultMatch && family)
        families.emplace_back(reinterpret_cast<const char*>(family));
      FcPatternDestroy(p);
    }
    FT_Done_Face(face);
  }
  FT_Done_FreeType(library);
  return families;
}

// Writes Data to a fresh temporary file; empty when that fails.
std::filesystem::path WriteTempFont(const uint8_t* Data, size_t Size) {
  std::error_code ec;
  // A fresh file of a name nobody can guess: the folder is shared with other users, and
  // a name planted there in advance must not be written through.
  std::string name = (std::filesystem::temp_directory_path(ec) / "gascal-font-XXXXXX.ttf").string();
  const int fd = ::mkstemps(name.data(), 4);
  if (fd < 0) return {};
  bool written = true;
  for (size_t done = 0; done < Size && written;) {
    const ssize_t n = ::write(fd, Data + done, Size - done);
    if (n > 0) done += static_cast<size_t>(n);
    else written = n < 0 && errno == EINTR;
  }
  if (::close(fd) != 0) written = false;
  if (!written) {
    std::filesystem::remove(name, ec);
    return {};
  }
  return name;
}

// Makes fontconfig's application fonts again from the folders and the files from memory
// still in use: fontconfig cannot forget a single file.
void RebuildAppFonts() {
  FontState& s = State();
  FcConfigAppFontClear(nullptr);
  for (const auto& dir : s.dirs) FcConfigAppFontAddDir(nullptr, reinterpret_cast<const FcChar8*>(dir.c_str()));
  for (const auto& [key, entry] : s.memoryFonts.byKey)
    FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(entry.file.c_str()));
  FontsChanged();
}

}  // namespace

MemoryFont AddFontFromMemory(const uint8_t* Data, size_t Size) {
  if (!Data || Size == 0) return {};
  EnsureRelease();
  std::vector<std::string> families = MemoryFontFamilies(Data, Size);
  if (families.empty()) return {};
  FontState& s = State();
  gchar* digest = g_compute_checksum_for_data(G_CHECKSUM_SHA256, Data, Size);
  const std::string key = std::string(digest) + "/" + std::to_string(s.generation);
  g_free(digest);
  if (auto it = s.memoryFonts.byKey.find(key); it != s.memoryFonts.byKey.end()) {
    ++it->second.users;
    return {key, it->second.families};
  }
  const std::filesystem::path file = WriteTempFont(Data, Size);
  if (file.empty()) return {};
  if (!FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(file.c_str()))) {
    std::error_code ec;
    std::filesystem::remove(file, ec);
    return {};
  }
  s.memoryFonts.byKey.emplace(key, MemoryFontFiles::Entry{file, families, 1});
  FontsChanged();
  return {key, families};
}

void ReleaseMemoryFont(const std::string& Key) {
  FontState& s = State();
  auto it = s.memoryFonts.byKey.find(Key);
  if (it == s.memoryFonts.byKey.end() || --it->second.users > 0) return;
  const std::filesystem::path file = it->second.file;
  s.memoryFonts.byKey.erase(it);
  RebuildAppFonts();
  std::error_code ec;
  std::filesystem::remove(file, ec);
}

}  // namespace gfx2d
