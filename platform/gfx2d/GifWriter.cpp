#include "platform/gfx2d/GifWriter.h"

#include <algorithm>
#include <utility>

#include <gif_lib.h>

namespace gfx2d {

namespace {

// A colour (0xRRGGBB) and how many pixels have it.
struct Count {
  uint32_t rgb;
  uint64_t pixels;
};

int Channel(uint32_t Rgb, int C) { return static_cast<int>((Rgb >> (16 - 8 * C)) & 255); }

// A range [begin, end) of the colours, with its widest channel and that channel's range.
struct Box {
  size_t begin, end;
  int channel = 0;
  int range = 0;
};

Box MakeBox(const std::vector<Count>& Colours, size_t Begin, size_t End) {
  Box box{Begin, End};
  box.range = -1;
  for (int c = 0; c < 3; ++c) {
    int lo = 255, hi = 0;
    for (size_t i = Begin; i < End; ++i) {
      lo = std::min(lo, Channel(Colours[i].rgb, c));
      hi = std::max(hi, Channel(Colours[i].rgb, c));
    }
    if (hi - lo > box.range) box.range = hi - lo, box.channel = c;
  }
  return box;
}

// Median cut: the colours are split into at most MaxColours boxes, always cutting the box
// of the widest channel range across that channel where half of its pixels lie on each
// side. A box of one colour is never cut, so at most MaxColours colours each get a box of
// their own. Reorders Colours.
std::vector<Box> MedianCut(std::vector<Count>& Colours, size_t MaxColours) {
  std::vector<Box> boxes;
  if (Colours.empty()) return boxes;
  boxes.push_back(MakeBox(Colours, 0, Colours.size()));
  while (boxes.size() < MaxColours) {
    const auto pick = std::max_element(boxes.begin(), boxes.end(),
                                       [](const Box& A, const Box& B) { return A.range < B.range; });
    if (pick->range <= 0) break;  // every box holds one colour
    const Box box = *pick;
    const auto first = Colours.begin() + static_cast<std::ptrdiff_t>(box.begin);
    const auto last = Colours.begin() + static_cast<std::ptrdiff_t>(box.end);
    std::sort(first, last, [&](const Count& A, const Count& B) {
      return Channel(A.rgb, box.channel) < Channel(B.rgb, box.channel);
    });
    uint64_t total = 0;
    for (size_t i = box.begin; i < box.end; ++i) total += Colours[i].pixels;
    size_t cut = box.begin + 1;
    for (uint64_t seen = Colours[box.begin].pixels; cut < box.end - 1 && seen * 2 < total; ++cut)
      seen += Colours[cut].pixels;
    *pick = MakeBox(Colours, box.begin, cut);
    boxes.push_back(MakeBox(Colours, cut, box.end));
  }
  return boxes;
}

int AppendBytes(GifFileType* File, const GifByteType* Bytes, int Count) {
  auto* out = static_cast<std::vector<uint8_t>*>(File->UserData);
  out->insert(out->end(), Bytes, Bytes + Count);
  return Count;
}

}  // namespace

bool EncodeGif(const uint32_t* Bits, int Width, int Height, std::vector<uint8_t>& Out) {
  if (!Bits || Width <= 0 || Height <= 0 || Width > 65535 || Height > 65535) return false;
  const size_t n = static_cast<size_t>(Width) * Height;
  auto transparent = [](uint32_t P) { return (P >> 24) < 128; };

  // The colours and their pixel counts.
  std::vector<uint32_t> opaque;
  opaque.reserve(n);
  for (size_t i = 0; i < n; ++i)
    if (!transparent(Bits[i])) opaque.push_back(Bits[i] & 0xFFFFFFu);
  const bool anyTransparent = opaque.size() < n;
  std::sort(opaque.begin(), opaque.end());
  std::vector<Count> colours;
  for (size_t i = 0; i < opaque.size();) {
    size_t j = i + 1;
    while (j < opaque.size() && opaque[j] == opaque[i]) ++j;
    colours.push_back({opaque[i], j - i});
    i = j;
  }
  opaque = {};

  // The palette, and the index of every colour (sorted by colour).
  const size_t room = anyTransparent ? 255 : 256;
  std::vector<GifColorType> palette;
  std::vector<std::pair<uint32_t, uint8_t>> index;
  index.reserve(colours.size());
  for (const Box& box : MedianCut(colours, room)) {
    uint64_t sum[3] = {0, 0, 0}, total = 0;
    for (size_t i = box.begin; i < box.end; ++i) {
      for (int c = 0; c < 3; ++c) sum[c] += Channel(colours[i].rgb, c) * colours[i].pixels;
      total += colours[i].pixels;
      index.emplace_back(colours[i].rgb, static_cast<uint8_t>(palette.size()));
    }
    GifColorType entry;
    entry.Red = static_cast<GifByteType>((sum[0] + total / 2) / total);
    entry.Green = static_cast<GifByteType>((sum[1] + total / 2) / total);
    entry.Blue = static_cast<GifByteType>((sum[2] + total / 2) / total);
    palette.push_back(entry);
  }
  std::sort(index.begin(), index.end());
  auto indexOf = [&](uint32_t Rgb) {
    return std::lower_bound(index.begin(), index.end(), std::make_pair(Rgb, uint8_t{0}))->second;
  };
  const int transparentIndex = anyTransparent ? static_cast<int>(palette.size()) : -1;
  if (anyTransparent) palette.push_back({0, 0, 0});
  size_t tableSize = 2;  // a power of two
  while (tableSize < palette.size()) tableSize *= 2;
  palette.resize(tableSize, GifColorType{0, 0, 0});

  ColorMapObject* map = GifMakeMapObject(static_cast<int>(tableSize), palette.data());
  if (!map) return false;
  std::vector<uint8_t> bytes;
  int error = 0;
  GifFileType* file = EGifOpen(&bytes, &AppendBytes, &error);
  bool ok = file != nullptr;
  if (ok) {
    EGifSetGifVersion(file, true);
    ok = EGifPutScreenDesc(file, Width, Height, 8, 0, map) == GIF_OK;
    if (ok && anyTransparent) {
      GraphicsControlBlock gcb{};
      gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
      gcb.TransparentColor = transparentIndex;
      GifByteType extension[4];
      const size_t length = EGifGCBToExtension(&gcb, extension);
      ok = EGifPutExtension(file, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) == GIF_OK;
    }
    ok = ok && EGifPutImageDesc(file, 0, 0, Width, Height, false, nullptr) == GIF_OK;
    std::vector<GifPixelType> line(static_cast<size_t>(Width));
    for (int y = 0; ok && y < Height; ++y) {
      const uint32_t* row = Bits + static_cast<size_t>(y) * Width;
      for (int x = 0; x < Width; ++x)
        line[x] = transparent(row[x]) ? static_cast<GifPixelType>(transparentIndex) : indexOf(row[x] & 0xFFFFFFu);
      ok = EGifPutLine(file, line.data(), Width) == GIF_OK;
    }
    if (EGifCloseFile(file, &error) != GIF_OK) ok = false;
  }
  GifFreeMapObject(map);
  if (!ok) return false;
  Out.insert(Out.end(), bytes.begin(), bytes.end());
  return true;
}

}  // namespace gfx2d
