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
// Family when it exists, else GenericSansSerifFamily().
std::string ResolveFontFamily(const std::string& Family);
// Whether Family has a face of that weight and slant; a font that has only a regular
// face does not count as bold or italic.
bool FontStyleAvailable(const std::string& Family, bool Bold, bool Italic);
// Adds the font file in Data (TrueType, OpenType): the bytes are written to a temporary
// file that lives until Shutdown. Returns the families it brings, empty when the data is
// not a font (nothing is added then).
std::vector<std::string> AddFontFromMemory(const uint8_t* Data, size_t Size);

}  // namespace gfx2d
