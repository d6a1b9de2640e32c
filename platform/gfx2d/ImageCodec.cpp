#include "platform/gfx2d/ImageCodec.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include <gdk-pixbuf/gdk-pixbuf.h>

#include "platform/gfx2d/GifWriter.h"

namespace gfx2d {

namespace {

bool StartsWith(const uint8_t* Data, size_t Size, const char* Magic, size_t Length) {
  return Size >= Length && std::memcmp(Data, Magic, Length) == 0;
}

// A loader for one format that learns the announced size before anything is allocated
// and can refuse it there: told a size of 0 x 0 in its "size-prepared" signal, a
// gdk-pixbuf module stops before it makes its pixel buffer. (An icon cannot announce more
// than 256 x 256.)
struct Loader {
  GdkPixbufLoader* loader = nullptr;
  int64_t maxPixels = 0;
  bool sizeOnly = false;  // stop at the size in any case
  int width = 0;
  int height = 0;
  bool sized = false;
  bool refused = false;  // the announced size is empty or over maxPixels
  bool whole = false;    // fed in one write

  Loader(const std::string& Format, int64_t MaxPixels, bool SizeOnly)
      : maxPixels(MaxPixels), sizeOnly(SizeOnly), whole(Format == "gif") {
    loader = gdk_pixbuf_loader_new_with_type(Format.c_str(), nullptr);
    if (loader) g_signal_connect(loader, "size-prepared", G_CALLBACK(&Loader::SizePrepared), this);
  }
  ~Loader() {
    if (!loader) return;
    // Closing an unfinished or stopped loader reports an error; it is of no interest here.
    Close();
    g_object_unref(loader);
  }
  Loader(const Loader&) = delete;
  Loader& operator=(const Loader&) = delete;

  static void SizePrepared(GdkPixbufLoader* L, gint Width, gint Height, gpointer Self) {
    auto* self = static_cast<Loader*>(Self);
    if (!self->sized) {  // the first size is the image's; any size over the limit refuses it
      self->width = Width;
      self->height = Height;
      self->sized = true;
    }
    if (Width <= 0 || Height <= 0 || int64_t{Width} * Height > self->maxPixels) self->refused = true;
    if (self->refused || self->sizeOnly) gdk_pixbuf_loader_set_size(L, 0, 0);
  }

  bool Stopped() const { return refused || (sizeOnly && sized); }

  // Feeds the data in pieces until it is all written or the size stops the loader.
  // False on a decoder error.
  bool Feed(const uint8_t* Data, size_t Size) {
    // A GIF goes in whole: its module reads some blocks differently when they reach across
    // two writes, and the walk that bounds its frames reads the data as one piece.
    const size_t piece = whole ? std::max<size_t>(Size, 1) : 64 * 1024;
    for (size_t at = 0; at < Size && !Stopped(); at += piece) {
      GError* error = nullptr;
      const size_t n = Size - at < piece ? Size - at : piece;
      const bool ok = gdk_pixbuf_loader_write(loader, Data + at, n, &error);
      if (error) g_error_free(error);
      if (!ok) return Stopped();
    }
    return true;
  }

  // Finishes the image; some modules (TIFF) learn the size only here.
  bool Close() {
    if (closed) return closeOk;
    closed = true;
    GError* error = nullptr;
    closeOk = gdk_pixbuf_loader_close(loader, &error);
    if (error) g_error_free(error);
    return closeOk;
  }

private:
  bool closed = false;
  bool closeOk = false;
};

uint32_t Le32At(const uint8_t* Data, size_t At) {
  return Data[At] | Data[At + 1] << 8 | Data[At + 2] << 16 | uint32_t{Data[At + 3]} << 24;
}

// Where the info header of a bitmap that begins at At ends, with its colour table: the
// header's size comes first, and a header long enough to hold it gives the number of
// colours at 32, four bytes each. The icon module reads that number whatever the header's
// size says (AnySize) and takes a buffer for the colours it names (in 32 bits, so a few
// bytes can ask for a gigabyte).
uint64_t InfoHeaderEnd(const uint8_t* Data, size_t Size, uint64_t At, bool AnySize = false) {
  if (At + 4 > Size) return UINT64_MAX;
  const uint64_t headerSize = Le32At(Data, At);
  uint64_t end = At + headerSize;
  // A header shorter than the data holds is past its end anyway.
  if ((headerSize >= 36 || AnySize) && At + 36 <= Size) end += uint64_t{Le32At(Data, At + 32)} * 4;
  return end;
}

// True when the header places a part of the file beyond the end of the data. The BMP and
// ICO modules take a buffer reaching to the place their header names (a BMP's pixels, the
// end of a bitmap's info header and colour table, an icon's bitmap) before they announce a
// size, so a few bytes could make them ask for gigabytes; such a file cannot decode from
// this data anyway.
bool PointsPastTheData(const std::string& Format, const uint8_t* Data, size_t Size) {
  if (Format == "bmp") {
    // File header: pixel offset at 10; the info header follows it, at 14.
    if (Size < 18) return false;  // the module refuses it as too short
    return Le32At(Data, 10) > Size || InfoHeaderEnd(Data, Size, 14) > Size;
  }
  if (Format == "ico") {
    // Directory: entry count at 4, then 16 bytes an entry with its bitmap's offset at 12.
    // The module reads 40 bytes of an info header at every entry it looks at, whatever they
    // hold (a PNG too), and passes over one whose compression (at 16) is not 0: a real PNG
    // has its width there. Any other is read as an info header with its colour table.
    if (Size < 6) return false;
    const size_t count = Data[4] | Data[5] << 8;
    if (6 + 16 * count > Size) return true;
    for (size_t i = 0; i < count; ++i) {
      const uint64_t at = Le32At(Data, 6 + 16 * i + 12);
      if (at + 40 > Size) return true;
      if (Le32At(Data, at + 16) == 0 && InfoHeaderEnd(Data, Size, at, true) > Size) return true;
    }
  }
  return false;
}

// True when a frame of a GIF announces more than Limit pixels. The GIF module takes a buffer
// for each frame at the frame's own size, which the size signal (the logical screen's)
// does not tell, so every image descriptor is looked at before the module sees the data,
// walking the blocks as the module does. A structure that breaks off ends the walk.
bool GifFrameOverLimit(const uint8_t* Data, size_t Size, int64_t Limit) {
  const auto le16 = [&](size_t At) { return static_cast<int64_t>(Data[At] | Data[At + 1] << 8); };
  const auto tableSize = [](uint8_t Flags) { return (Flags & 0x80) ? size_t{3} << ((Flags & 7) + 1) : size_t{0}; };
  // Skips the data sub-blocks at At; Size when they run past the end.
  const auto skipBlocks = [&](size_t At) {
    while (At < Size && Data[At] != 0) At += size_t{Data[At]} + 1;
    return At < Size ? At + 1 : Size;
  };
  if (Size < 13) return false;
  size_t at = 13 + tableSize(Data[10]);
  while (at < Size) {
    const uint8_t kind = Data[at];
    if (kind == 0x3B) return false;  // the trailer
    if (kind == 0x21) {               // an extension: its label, then sub-blocks
      if (at + 2 > Size) return false;
      at += 2;
      // A graphic control or application extension has its first sub-block read as a block
      // even when its length is 0: the module then reads on to the next empty one, so the
      // bytes after such a 0 are sub-blocks still, never a frame.
      if ((Data[at - 1] == 0xF9 || Data[at - 1] == 0xFF) && at < Size) at += size_t{Data[at]} + 1;
      at = skipBlocks(at);
    } else if (kind == 0x2C) {  // an image: its descriptor, a colour table, the code size, sub-blocks
      if (at + 10 > Size) return false;
      if (le16(at + 5) * le16(at + 7) > Limit) return true;
      const size_t codeSize = at + 10 + tableSize(Data[at + 9]);
      // A code size no decoder can start from: the module gives the frame up and reads on
      // from the bytes that were to be its data, where this walk would not look.
      if (codeSize < Size && (Data[codeSize] == 0 || Data[codeSize] > 11)) return true;
      at = skipBlocks(codeSize + 1);
    } else {
      ++at;  // the module passes over a byte that starts no block: so does this walk
    }
  }
  return false;
}

}  // namespace

uint32_t PremultiplyPixel(uint32_t Straight) {
  const uint32_t a = Straight >> 24;
  if (a == 0) return 0;
  if (a == 255) return Straight;
  uint32_t out = a << 24;
  for (int shift = 0; shift < 24; shift += 8) out |= (((Straight >> shift) & 255) * a + 127) / 255 << shift;
  return out;
}

uint32_t UnpremultiplyPixel(uint32_t Premultiplied) {
  const uint32_t a = Premultiplied >> 24;
  if (a == 0) return 0;
  if (a == 255) return Premultiplied;
  uint32_t out = a << 24;
  for (int shift = 0; shift < 24; shift += 8) {
    const uint32_t c = (((Premultiplied >> shift) & 255) * 255 + a / 2) / a;
    out |= (c > 255 ? 255 : c) << shift;
  }
  return out;
}

std::string SniffImageFormat(const uint8_t* Data, size_t Size) {
  if (!Data) return {};
  if (StartsWith(Data, Size, "\x89PNG\r\n\x1a\n", 8)) return "png";
  if (StartsWith(Data, Size, "\xff\xd8\xff", 3)) return "jpeg";
  if (StartsWith(Data, Size, "GIF87a", 6) || StartsWith(Data, Size, "GIF89a", 6)) return "gif";
  if (StartsWith(Data, Size, "BM", 2)) return "bmp";
  if (StartsWith(Data, Size, "II*\0", 4) || StartsWith(Data, Size, "MM\0*", 4)) return "tiff";
  if (StartsWith(Data, Size, "\0\0\1\0", 4)) return "ico";
  return {};
}

int64_t ImagePixelLimit(size_t Size, int64_t MaxPixels) {
  const int64_t bySize = Size > static_cast<size_t>(INT64_MAX / MaxPixelsPerByte)
                             ? INT64_MAX
                             : static_cast<int64_t>(Size) * MaxPixelsPerByte;
  return std::min(MaxPixels, bySize);
}

namespace {

// Decodes the first image of the data and hands the finished pixbuf, with its format, to
// Deliver, whose answer is the result; false when the data is refused or does not decode.
template <class F>
bool DecodeFirstImage(const uint8_t* Data, size_t Size, int64_t MaxPixels, F&& Deliver) {
  const std::string format = SniffImageFormat(Data, Size);
  if (format.empty() || PointsPastTheData(format, Data, Size)) return false;
  const int64_t limit = ImagePixelLimit(Size, MaxPixels);
  if (format == "gif" && GifFrameOverLimit(Data, Size, limit)) return false;
  Loader l(format, limit, false);
  if (!l.loader) return false;
  if (!l.Feed(Data, Size) || l.refused || !l.Close() || l.refused) return false;
  GdkPixbuf* pixbuf = gdk_pixbuf_loader_get_pixbuf(l.loader);
  if (!pixbuf || gdk_pixbuf_get_colorspace(pixbuf) != GDK_COLORSPACE_RGB ||
      gdk_pixbuf_get_bits_per_sample(pixbuf) != 8)
    return false;
  const int w = gdk_pixbuf_get_width(pixbuf);
  const int h = gdk_pixbuf_get_height(pixbuf);
  const int channels = gdk_pixbuf_get_n_channels(pixbuf);
  const bool alpha = gdk_pixbuf_get_has_alpha(pixbuf);
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  if (w <= 0 || h <= 0 || int64_t{w} * h > limit || channels < (alpha ? 4 : 3) || stride < w * channels)
    return false;
  return Deliver(pixbuf, format);
}

// Copies the pixbuf's pixels into Bits (Width x Height, no padding) as B, G, R, A words,
// each passed through Convert.
template <class F>
void CopyPixbuf(GdkPixbuf* Pixbuf, uint32_t* Bits, F&& Convert) {
  const int w = gdk_pixbuf_get_width(Pixbuf);
  const int h = gdk_pixbuf_get_height(Pixbuf);
  const int channels = gdk_pixbuf_get_n_channels(Pixbuf);
  const bool alpha = gdk_pixbuf_get_has_alpha(Pixbuf);
  const int stride = gdk_pixbuf_get_rowstride(Pixbuf);
  const guint8* src = gdk_pixbuf_read_pixels(Pixbuf);
  for (int y = 0; y < h; ++y) {
    const guint8* p = src + static_cast<size_t>(y) * stride;
    uint32_t* row = Bits + static_cast<size_t>(y) * w;
    for (int x = 0; x < w; ++x, p += channels) {
      const uint32_t a = alpha ? p[3] : 255u;
      row[x] = Convert((a << 24) | (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2]);
    }
  }
}

// The TIFF reader hands over associated (premultiplied) alpha as it is.
bool DeliversPremultiplied(GdkPixbuf* Pixbuf, const std::string& Format) {
  return gdk_pixbuf_get_has_alpha(Pixbuf) && Format == "tiff";
}

}  // namespace

bool DecodeImage(const uint8_t* Data, size_t Size, int64_t MaxPixels, DecodedImage& Out) {
  return DecodeFirstImage(Data, Size, MaxPixels, [&](GdkPixbuf* pixbuf, const std::string& format) {
    const int w = gdk_pixbuf_get_width(pixbuf);
    const int h = gdk_pixbuf_get_height(pixbuf);
    std::vector<uint32_t> bits(static_cast<size_t>(w) * h);
    CopyPixbuf(pixbuf, bits.data(), [](uint32_t p) { return p; });
    Out.Width = w;
    Out.Height = h;
    Out.Bits = std::move(bits);
    Out.Premultiplied = DeliversPremultiplied(pixbuf, format);
    Out.Format = format;
    return true;
  });
}

bool DecodePremultiplied(const uint8_t* Data, size_t Size, int64_t MaxPixels, const ImageTarget& Target) {
  return DecodeFirstImage(Data, Size, MaxPixels, [&](GdkPixbuf* pixbuf, const std::string& format) {
    uint32_t* bits = Target(gdk_pixbuf_get_width(pixbuf), gdk_pixbuf_get_height(pixbuf));
    if (!bits) return false;
    if (DeliversPremultiplied(pixbuf, format)) {
      // No channel above its alpha, whatever the file says.
      CopyPixbuf(pixbuf, bits, [](uint32_t p) {
        const uint32_t a = p >> 24;
        uint32_t out = a << 24;
        for (int shift = 0; shift < 24; shift += 8) out |= std::min((p >> shift) & 255, a) << shift;
        return out;
      });
    } else {
      CopyPixbuf(pixbuf, bits, [](uint32_t p) { return PremultiplyPixel(p); });
    }
    return true;
  });
}

bool ReadImageSize(const uint8_t* Data, size_t Size, int64_t MaxPixels, int& Width, int& Height) {
  const std::string format = SniffImageFormat(Data, Size);
  if (format.empty() || PointsPastTheData(format, Data, Size)) return false;
  const int64_t limit = ImagePixelLimit(Size, MaxPixels);
  if (format == "gif" && GifFrameOverLimit(Data, Size, limit)) return false;
  Loader l(format, limit, true);
  if (!l.loader || !l.Feed(Data, Size)) return false;
  if (!l.sized) l.Close();
  if (!l.sized || l.refused) return false;
  Width = l.width;
  Height = l.height;
  return true;
}

const std::vector<ImageEncoder>& ImageEncoders() {
  static const std::vector<ImageEncoder> encoders = [] {
    std::vector<ImageEncoder> list;
    GSList* formats = gdk_pixbuf_get_formats();
    for (GSList* f = formats; f; f = f->next) {
      auto* format = static_cast<GdkPixbufFormat*>(f->data);
      if (!gdk_pixbuf_format_is_writable(format)) continue;
      gchar* name = gdk_pixbuf_format_get_name(format);
      gchar** mimes = gdk_pixbuf_format_get_mime_types(format);
      for (gchar** m = mimes; m && *m; ++m) list.push_back({*m, name});
      g_strfreev(mimes);
      g_free(name);
    }
    g_slist_free(formats);
    // gdk-pixbuf reads GIF only; giflib writes it.
    if (std::none_of(list.begin(), list.end(), [](const ImageEncoder& E) { return E.Format == "gif"; }))
      list.push_back({"image/gif", "gif"});
    return list;
  }();
  return encoders;
}

namespace {
gboolean AppendBytes(const gchar* Buffer, gsize Count, GError**, gpointer Target) {
  auto* out = static_cast<std::vector<uint8_t>*>(Target);
  out->insert(out->end(), reinterpret_cast<const uint8_t*>(Buffer), reinterpret_cast<const uint8_t*>(Buffer) + Count);
  return TRUE;
}
}  // namespace

bool EncodeImage(const uint32_t* Bits, int Width, int Height, const std::string& Format, int Quality,
                 std::vector<uint8_t>& Out) {
  if (!Bits || Width <= 0 || Height <= 0) return false;
  if (Format == "gif") return EncodeGif(Bits, Width, Height, Out);
  GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, Width, Height);
  if (!pixbuf) return false;
  guint8* dst = gdk_pixbuf_get_pixels(pixbuf);
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  for (int y = 0; y < Height; ++y) {
    guint8* p = dst + static_cast<size_t>(y) * stride;
    const uint32_t* row = Bits + static_cast<size_t>(y) * Width;
    for (int x = 0; x < Width; ++x, p += 4) {
      p[0] = static_cast<guint8>(row[x] >> 16);
      p[1] = static_cast<guint8>(row[x] >> 8);
      p[2] = static_cast<guint8>(row[x]);
      p[3] = static_cast<guint8>(row[x] >> 24);
    }
  }
  const std::string quality = std::to_string(Quality);
  char* keys[2] = {const_cast<char*>("quality"), nullptr};
  char* values[2] = {const_cast<char*>(quality.c_str()), nullptr};
  const bool withQuality = Quality >= 0 && Format == "jpeg";
  std::vector<uint8_t> bytes;
  GError* error = nullptr;
  const bool ok = gdk_pixbuf_save_to_callbackv(pixbuf, &AppendBytes, &bytes, Format.c_str(),
                                               withQuality ? keys : nullptr, withQuality ? values : nullptr, &error);
  if (error) g_error_free(error);
  g_object_unref(pixbuf);
  if (!ok) return false;
  Out.insert(Out.end(), bytes.begin(), bytes.end());
  return true;
}

bool DrawPixels(const uint32_t* Src, int SrcWidth, int SrcHeight, uint32_t* Dst, int DstWidth, int DstHeight,
                const Matrix& M) {
  if (!Src || !Dst || SrcWidth <= 0 || SrcHeight <= 0 || DstWidth <= 0 || DstHeight <= 0 || !IsUsable(M))
    return false;
  cairo_surface_t* src = cairo_image_surface_create_for_data(
      reinterpret_cast<unsigned char*>(const_cast<uint32_t*>(Src)), CAIRO_FORMAT_ARGB32, SrcWidth, SrcHeight,
      SrcWidth * 4);
  cairo_surface_t* dst = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(Dst),
                                                             CAIRO_FORMAT_ARGB32, DstWidth, DstHeight, DstWidth * 4);
  bool ok = cairo_surface_status(src) == CAIRO_STATUS_SUCCESS && cairo_surface_status(dst) == CAIRO_STATUS_SUCCESS;
  if (ok) {
    cairo_t* cr = cairo_create(dst);
    const cairo_matrix_t m = ToCairo(M);
    cairo_set_matrix(cr, &m);
    cairo_set_source_surface(cr, src, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_rectangle(cr, 0, 0, SrcWidth, SrcHeight);
    cairo_fill(cr);
    ok = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(cr);
    cairo_surface_flush(dst);
  }
  cairo_surface_destroy(src);
  cairo_surface_destroy(dst);
  return ok;
}

}  // namespace gfx2d
