#include "scene3d/GlyphRaster.h"

#include <sys/mman.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>

#include "platform/gfx2d/Fonts.h"
#include "platform/rtl/FileReader.h"

namespace dx {

namespace {

// The file and face index fontconfig chooses for the family, weight and slant.
bool FindFontFile(const std::string& Family, bool Bold, bool Italic, std::string& File, int& Index) {
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(Family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, Bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, Italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  bool found = false;
  if (FcPattern* match = FcFontMatch(nullptr, pattern, &result)) {
    FcChar8* file = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
      File = reinterpret_cast<const char*>(file);
      Index = 0;
      FcPatternGetInteger(match, FC_INDEX, 0, &Index);
      found = true;
    }
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pattern);
  return found;
}

// A font file as FreeType reads it: mapped into memory from a descriptor of a regular file,
// opened the way every file of the program is (never a FIFO or a device that would hold the
// thread); the mapping lives as long as the face.
struct TFontFile {
  void* Data = MAP_FAILED;
  std::size_t Size = 0;
  ~TFontFile() {
    if (Data != MAP_FAILED) ::munmap(Data, Size);
  }
  // False when the file is no regular file or cannot be mapped.
  bool Open(const std::string& File) {
    rtl::TRegularFile file(File);
    if (!file.IsOpen() || file.Stamp().Size <= 0) return false;
    Size = static_cast<std::size_t>(file.Stamp().Size);
    Data = ::mmap(nullptr, Size, PROT_READ, MAP_PRIVATE, file.Handle(), 0);
    return Data != MAP_FAILED;
  }
};

class TFreeTypeFace final : public IdxGlyphFace {
public:
  TFreeTypeFace(FT_Face Face, std::unique_ptr<TFontFile> File, int PixelSize) : face_(Face), file_(std::move(File)) {
    FT_Set_Pixel_Sizes(face_, 0, static_cast<FT_UInt>(PixelSize));
    // The cell is the font's Windows ascent plus descent where it has them, as on the system the
    // sizes were designed for; otherwise the size's own ascender and descender.
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2));
    if (os2 && face_->units_per_EM > 0 && os2->usWinAscent + os2->usWinDescent > 0) {
      const double scale = static_cast<double>(PixelSize) / face_->units_per_EM;
      ascent_ = static_cast<int>(std::ceil(os2->usWinAscent * scale));
      height_ = ascent_ + static_cast<int>(std::ceil(os2->usWinDescent * scale));
    } else {
      ascent_ = static_cast<int>(face_->size->metrics.ascender >> 6);
      height_ = ascent_ + static_cast<int>((-face_->size->metrics.descender) >> 6);
    }
  }
  ~TFreeTypeFace() override { FT_Done_Face(face_); }

  int LineHeight() override { return height_; }

  TdxGlyphSpacing Spacing(char16_t Char) override {
    if (!Load(Char)) return {};
    const FT_GlyphSlot g = face_->glyph;
    const float a = static_cast<float>(g->bitmap_left);
    const float b = static_cast<float>(g->bitmap.width);
    const float advance = static_cast<float>(g->advance.x) / 64.0f;
    return {a, b, advance - a - b};
  }

  void Draw(char16_t Char, int X, int Y, std::uint8_t* Pixels, int Width, int Height) override {
    if (!Load(Char)) return;
    const FT_GlyphSlot g = face_->glyph;
    const FT_Bitmap& bm = g->bitmap;
    const int left = X + g->bitmap_left;
    const int top = Y + ascent_ - g->bitmap_top;
    for (unsigned row = 0; row < bm.rows; ++row) {
      const int y = top + static_cast<int>(row);
      if (y < 0 || y >= Height) continue;
      const unsigned char* src = bm.buffer + static_cast<std::ptrdiff_t>(row) * bm.pitch;
      for (unsigned col = 0; col < bm.width; ++col) {
        const int x = left + static_cast<int>(col);
        if (x < 0 || x >= Width) continue;
        std::uint8_t& p = Pixels[static_cast<size_t>(y) * static_cast<size_t>(Width) + static_cast<size_t>(x)];
        p = static_cast<std::uint8_t>(std::min(255, p + src[col]));
      }
    }
  }

private:
  bool Load(char16_t Char) {
    const FT_UInt index = FT_Get_Char_Index(face_, Char);
    if (FT_Load_Glyph(face_, index, FT_LOAD_NO_BITMAP) != 0) return false;
    if (face_->glyph->format != FT_GLYPH_FORMAT_BITMAP &&
        FT_Render_Glyph(face_->glyph, FT_RENDER_MODE_NORMAL) != 0)
      return false;
    return face_->glyph->bitmap.pixel_mode == FT_PIXEL_MODE_GRAY || face_->glyph->bitmap.width == 0;
  }

  FT_Face face_;
  std::unique_ptr<TFontFile> file_;  // unmapped after the face is done
  int ascent_ = 0;
  int height_ = 0;
};

class TFreeTypeRasterizer final : public IdxGlyphRasterizer {
public:
  ~TFreeTypeRasterizer() override {
    if (library_) FT_Done_FreeType(library_);
  }

  std::unique_ptr<IdxGlyphFace> OpenFace(const std::string& Family, int PixelSize, bool Bold, bool Italic) override {
    if (PixelSize < 1) return nullptr;
    if (!library_ && FT_Init_FreeType(&library_) != 0) {
      library_ = nullptr;
      return nullptr;
    }
    gfx2d::RegisterDefaultFonts();
    std::string file;
    int index = 0;
    if (!FindFontFile(gfx2d::ResolveFontFamily(Family), Bold, Italic, file, index)) return nullptr;
    auto font = std::make_unique<TFontFile>();
    if (!font->Open(file)) return nullptr;
    FT_Face face = nullptr;
    if (FT_New_Memory_Face(library_, static_cast<const FT_Byte*>(font->Data), static_cast<FT_Long>(font->Size), index,
                           &face) != 0)
      return nullptr;
    return std::make_unique<TFreeTypeFace>(face, std::move(font), PixelSize);
  }

private:
  FT_Library library_ = nullptr;
};

}  // namespace

IdxGlyphRasterizer& dxFreeTypeRasterizer() {
  static TFreeTypeRasterizer rasterizer;
  return rasterizer;
}

}  // namespace dx
