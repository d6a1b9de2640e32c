// Text on the Direct3D canvas: glyph atlases per family, size and style, and the quads drawn from
// them.
#include <cmath>
#include <cstring>

#include "platform/rtl/SysUtils.h"
#include "scene3d/DxCanvas.h"

namespace dx {

using namespace gfx3d;

namespace {

constexpr int FirstAtlasSide = 64;
constexpr int MaxAtlasHeight = 1024;

// Round to nearest, halves to even.
int RoundEven(float V) { return static_cast<int>(std::lrint(V)); }

}  // namespace

int TdxDirectXCanvas::FontLookup(const std::u16string& Text, const TdxFont& AFont) {
  if (!DeviceNeeded()) return -1;
  for (size_t i = 0; i < fonts_.size(); ++i) {
    TdxInternalFont& entry = *fonts_[i];
    if (!rtl::SameText(entry.Family, AFont.Family()) || entry.Size != AFont.Size() || entry.Style != AFont.Style())
      continue;
    std::vector<TdxInternalGlyph> chars = entry.Chars;
    bool added = false;
    for (char16_t c : Text) {
      if (c < 32) continue;
      const size_t k = c - 32u;
      if (k >= chars.size()) chars.resize(k + 1);
      if (!chars[k].Wanted) {
        chars[k].Wanted = true;
        added = true;
      }
    }
    if (!added) return static_cast<int>(i);
    // The atlas is rebuilt with the new characters; a failure keeps the old one.
    TdxInternalFont rebuilt;
    rebuilt.Family = entry.Family;
    rebuilt.Size = entry.Size;
    rebuilt.Style = entry.Style;
    rebuilt.Chars = std::move(chars);
    if (!BuildAtlas(rebuilt)) return -1;
    entry = std::move(rebuilt);
    return static_cast<int>(i);
  }
  // A new font starts with the printable ASCII characters; others join at its next lookup.
  auto entry = std::make_unique<TdxInternalFont>();
  entry->Family = AFont.Family();
  entry->Size = AFont.Size();
  entry->Style = AFont.Style();
  entry->Chars.resize(96);
  for (auto& g : entry->Chars) g.Wanted = true;
  if (!BuildAtlas(*entry)) return -1;
  fonts_.push_back(std::move(entry));
  return static_cast<int>(fonts_.size()) - 1;
}

bool TdxDirectXCanvas::BuildAtlas(TdxInternalFont& Entry) {
  if (!rasterizer_) return false;
  const bool bold = Entry.Style == dxFontBold || Entry.Style == dxFontBoldItalic;
  const bool italic = Entry.Style == dxFontItalic || Entry.Style == dxFontBoldItalic;
  std::unique_ptr<IdxGlyphFace> face = rasterizer_->OpenFace(Entry.Family, RoundEven(Entry.Size), bold, italic);
  if (!face) return false;
  const int cellHeight = std::max(face->LineHeight(), 1);

  struct TCell {
    size_t Index;
    TdxGlyphSpacing Spacing;
    int Width;
  };
  std::vector<TCell> cells;
  for (size_t k = 0; k < Entry.Chars.size(); ++k) {
    if (!Entry.Chars[k].Wanted) continue;
    const TdxGlyphSpacing s = face->Spacing(static_cast<char16_t>(k + 32));
    cells.push_back({k, s, std::max(static_cast<int>(std::trunc(s.B)), 0) + 2});
  }

  // One walk sizes the atlas and places the cells, so every cell lies inside it. It grows from
  // 64 x 64 by doubling the width when square, else the height.
  int w = FirstAtlasSide, h = FirstAtlasSide;
  std::vector<std::pair<int, int>> places(cells.size());
  for (;;) {
    bool fits = true;
    int x = 1, y = 1;
    for (size_t n = 0; n < cells.size() && fits; ++n) {
      const int cw = cells[n].Width;
      if (x + cw + 1 > w) {
        x = 1;
        y += cellHeight + 1;
      }
      places[n] = {x, y};
      x += cw + 1;
      fits = cw + 2 <= w && y + cellHeight + 1 <= h;
    }
    if (fits && cellHeight + 2 <= h) break;
    if (w == h)
      w *= 2;
    else
      h *= 2;
    if (h > MaxAtlasHeight) return false;
  }

  std::vector<std::uint8_t> coverage(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
  const auto fw = static_cast<float>(w), fh = static_cast<float>(h);
  for (size_t n = 0; n < cells.size(); ++n) {
    const auto [x, y] = places[n];
    TdxInternalGlyph& g = Entry.Chars[cells[n].Index];
    g.U0 = static_cast<float>(x) / fw;
    g.V0 = static_cast<float>(y) / fh;
    g.U1 = static_cast<float>(x + cells[n].Width) / fw;
    g.V1 = static_cast<float>(y + cellHeight) / fh;
    g.A = static_cast<int>(std::trunc(cells[n].Spacing.A)) - 1;
    g.C = static_cast<int>(std::trunc(cells[n].Spacing.C)) - 1;
    face->Draw(static_cast<char16_t>(cells[n].Index + 32), x - g.A, y, coverage.data(), w, h);
  }

  // White, with the coverage as alpha (straight, not premultiplied).
  auto atlas = std::make_unique<TdxBitmap>(w, h);
  std::uint32_t* bits = nullptr;
  if (atlas->Map(bits, true)) {
    for (size_t i = 0; i < coverage.size(); ++i) bits[i] = (std::uint32_t{coverage[i]} << 24) | 0xFFFFFFu;
    atlas->Unmap();
  }
  Entry.Bitmap = std::move(atlas);
  return true;
}

void TdxDirectXCanvas::FillText(const std::u16string& Text, float X, float Y, float Opacity) {
  if (Text.empty()) return;
  const bool screen = RenderStateSet(rsScreenSpace);
  if (screen) {
    // Whole pixels after the world translation.
    const TdxMatrix& m = World();
    X = static_cast<float>(RoundEven(X + m.M[3][0])) - m.M[3][0];
    Y = static_cast<float>(RoundEven(Y + m.M[3][1])) - m.M[3][1];
  }
  const int index = FontLookup(Text, Font());
  if (index < 0 || !DrawReady()) return;
  const TdxInternalFont& font = *fonts_[static_cast<size_t>(index)];
  const auto aw = static_cast<float>(font.Bitmap->Width()), ah = static_cast<float>(font.Bitmap->Height());
  const TdxColor color = dxOpacityColor(Material().DiffuseColor(), Opacity);

  // A draw's 16-bit indices reach 16,383 quads: longer text goes in as many draws as it needs,
  // from the texture looked up for the first.
  constexpr size_t DrawQuads = 65535 / 4;
  std::vector<TdxCanvasVertex> v;
  std::vector<std::uint16_t> idx;
  std::shared_ptr<ITexture> texture;
  bool looked = false;
  // The quads gathered; false when they could not be written (nothing more is drawn then).
  const auto draw = [&] {
    const auto quads = static_cast<std::uint32_t>(v.size() / 4);
    const std::uint32_t vbytes = quads * 144, ibytes = quads * 12;
    const bool written = Append(true, v.data(), vbytes) && Append(false, idx.data(), ibytes);
    v.clear();
    idx.clear();
    if (!written) return false;
    if (!looked) {
      looked = true;
      UpdateBitmapHandle(font.Bitmap.get());
      texture = std::static_pointer_cast<ITexture>(GetBitmapHandle(font.Bitmap.get()));
      if (texture) {
        SetRenderState(rsTextureModulate);
        Device()->SetTexture(0, texture);
        Device()->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
      }
    }
    if (texture) {
      Draw(D3DPT_TRIANGLELIST, quads * 4, vbytes, ibytes, quads * 2);
    } else {
      vertexPos_ += vbytes;
      indexPos_ += ibytes;
    }
    return true;
  };
  float pen = X;
  for (char16_t c : Text) {
    if (c < 32 || c - 32u >= font.Chars.size() || !font.Chars[c - 32u].Wanted) continue;
    const TdxInternalGlyph& g = font.Chars[c - 32u];
    const float w = (g.U1 - g.U0) * aw, h = (g.V1 - g.V0) * ah;
    // A space draws nothing but advances as MeasureText counts it, so drawn and measured
    // text agree.
    if (c == 32) {
      pen += static_cast<float>(g.A) + w + static_cast<float>(g.C);
      continue;
    }
    pen += static_cast<float>(g.A);
    if (v.size() == 4 * DrawQuads && !draw()) return;
    const auto b = static_cast<std::uint16_t>(v.size());
    if (screen) {
      v.push_back(dxCanvasVertex(pen + 0.5f, Y + 0.5f, 0, 0, 0, 0, color, g.U0, g.V0));
      v.push_back(dxCanvasVertex(pen + w + 0.5f, Y + 0.5f, 0, 0, 0, 0, color, g.U1, g.V0));
      v.push_back(dxCanvasVertex(pen + w + 0.5f, Y + h + 0.5f, 0, 0, 0, 0, color, g.U1, g.V1));
      v.push_back(dxCanvasVertex(pen + 0.5f, Y + h + 0.5f, 0, 0, 0, 0, color, g.U0, g.V1));
    } else {
      // In the X-Z plane at 0.02 units a pixel.
      constexpr float unit = 0.02f;
      v.push_back(dxCanvasVertex(pen * unit, 0, (Y + h) * unit, 0, 0, 0, color, g.U0, g.V0));
      v.push_back(dxCanvasVertex((pen + w) * unit, 0, (Y + h) * unit, 0, 0, 0, color, g.U1, g.V0));
      v.push_back(dxCanvasVertex((pen + w) * unit, 0, Y * unit, 0, 0, 0, color, g.U1, g.V1));
      v.push_back(dxCanvasVertex(pen * unit, 0, Y * unit, 0, 0, 0, color, g.U0, g.V1));
    }
    const std::uint16_t quad[6] = {b, std::uint16_t(b + 1), std::uint16_t(b + 3), std::uint16_t(b + 3),
                                   std::uint16_t(b + 1), std::uint16_t(b + 2)};
    idx.insert(idx.end(), std::begin(quad), std::end(quad));
    pen += static_cast<float>(g.C) + w;
  }
  if (!v.empty()) draw();
}

TdxPoint3D TdxDirectXCanvas::MeasureText(const std::u16string& Text) {
  TdxPoint3D size;
  if (Text.empty()) return size;
  const int index = FontLookup(Text, Font());
  if (index < 0) return size;
  const TdxInternalFont& font = *fonts_[static_cast<size_t>(index)];
  const auto aw = static_cast<float>(font.Bitmap->Width()), ah = static_cast<float>(font.Bitmap->Height());
  size.Y = (font.Chars[0].V1 - font.Chars[0].V0) * ah;
  float sum = 0;
  for (char16_t c : Text) {
    if (c < 32 || c - 32u >= font.Chars.size()) continue;
    const TdxInternalGlyph& g = font.Chars[c - 32u];
    sum += static_cast<float>(g.A) + (g.U1 - g.U0) * aw + static_cast<float>(g.C);
    size.X = std::max(size.X, sum);
  }
  return size;
}

}  // namespace dx
