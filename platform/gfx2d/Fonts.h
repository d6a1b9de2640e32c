// Font families for the text code: which families exist (fontconfig substitutes a
// missing family silently, so existence is checked explicitly), the generic fallback,
// private fonts from memory and the fonts that ship outside fontconfig's folders.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct _cairo;
struct _PangoContext;

namespace gfx2d {

// The generic family asked of fontconfig when a named one does not exist.
inline constexpr const char* GenericSansSerif = "sans-serif";
// Wine's folder, which holds a Tahoma with the metrics the 2D library is designed for.
inline constexpr const char* WineFontDir = "/usr/share/wine/fonts";

// A pango context for text on Cr (the caller owns the reference). The font map behind it
// is brought down at Shutdown once the last such context is gone.
_PangoContext* MakeTextContext(_cairo* Cr);
// Makes the fonts of Dir known to the text code; false when Dir does not exist or
// cannot be added. Adding a folder twice adds it once.
bool AddFontDir(const std::string& Dir);
// Adds WineFontDir when it is there; true when Tahoma is then available. The text code
// calls it before it looks up its first family; harmless to call again.
bool RegisterDefaultFonts();
// An installed or added family of exactly this name (letter case and blanks aside).
bool FontFamilyExists(const std::string& Family);
// The installed family fontconfig chooses for GenericSansSerif; GenericSansSerif itself
// when there is no font at all.
std::string GenericSansSerifFamily();
// The installed and added families, each once under its first (primary) name, sorted with
// letter case ignored; the list a font chooser offers.
std::vector<std::string> FontFamilies();
// Family when it exists, else GenericSansSerifFamily().
std::string ResolveFontFamily(const std::string& Family);
// Whether Family has a face of that weight and slant; a font that has only a regular
// face does not count as bold or italic.
bool FontStyleAvailable(const std::string& Family, bool Bold, bool Italic);
// A font file added from memory: the families it brings, and the key its users give back.
struct MemoryFont {
  std::string Key;
  std::vector<std::string> Families;  // empty when the data was refused
};
// Adds the font file in Data (TrueType, OpenType or another format FreeType reads). Data
// FreeType cannot read as a font is refused before anything is written, and so is a font
// whose family, style or full names hold a control character or whose style begins with a
// blank (fontconfig mishandles both). The bytes go to a
// temporary file, one per distinct content: adding the same bytes again reuses that file
// and counts one user more. The file lives until its last user calls ReleaseMemoryFont,
// or until Shutdown or the end of the process.
MemoryFont AddFontFromMemory(const uint8_t* Data, size_t Size);
// One user fewer for the font of Key (a key from before a Shutdown is ignored); the last
// one takes the font out of the fonts the text code knows and deletes its file.
void ReleaseMemoryFont(const std::string& Key);

}  // namespace gfx2d
