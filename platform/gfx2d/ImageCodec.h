// Image files on gdk-pixbuf: BMP, JPEG, PNG, TIFF, GIF and ICO decoded from memory into
// 32-bit ARGB pixels, and pixels encoded into the writable formats (GIF through giflib). Pixels here are
// straight (not premultiplied) unless a function says otherwise, bytes B, G, R, A.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/gfx2d/Types.h"

namespace gfx2d {

struct DecodedImage {
  int Width = 0;
  int Height = 0;
  // Width x Height pixels, top row first.
  std::vector<uint32_t> Bits;
  // The decoder delivered premultiplied colour (TIFF with alpha does).
  bool Premultiplied = false;
  // "bmp", "jpeg", "png", "tiff", "gif" or "ico".
  std::string Format;
};

// Straight colour to premultiplied and back, both rounded to the nearest value, so that
// PremultiplyPixel(UnpremultiplyPixel(P)) == P for every premultiplied P (no channel above
// its alpha): a picture saved and loaded again keeps its pixels. Alpha 0 gives 0; a channel
// above its alpha un-premultiplies to 255.
uint32_t PremultiplyPixel(uint32_t Straight);
uint32_t UnpremultiplyPixel(uint32_t Premultiplied);

// The format the data starts like, one of DecodedImage's format names, or empty.
std::string SniffImageFormat(const uint8_t* Data, size_t Size);

// No format read here packs more pixels than this into one byte of its file (deflate's best,
// 1032 to 1, at one bit a pixel, is about 8,300), so data that announces more pixels than
// its size times this only names a size it cannot fill (a GIF's logical screen of millions
// of pixels around a frame of one).
constexpr int64_t MaxPixelsPerByte = 16384;
// The most pixels data of Size bytes may announce: MaxPixels, and no more than
// MaxPixelsPerByte for each byte of the data.
int64_t ImagePixelLimit(size_t Size, int64_t MaxPixels);

// Decodes the first image of the data. False (Out untouched) when the format is not one
// of the six, the data cannot be decoded, or the image announces more pixels than
// ImagePixelLimit(Size, MaxPixels); such an image is refused as soon as its header is
// read, before any pixel memory is taken. A header that places a part of the file past the
// end of the data (a BMP's pixels or info header, an icon's bitmap), or a GIF frame of more
// pixels than that limit, is refused before the decoder sees it.
bool DecodeImage(const uint8_t* Data, size_t Size, int64_t MaxPixels, DecodedImage& Out);

// Where DecodePremultiplied puts the pixels: asked once, with the image's size, after the
// whole image has decoded; answers Width x Height pixels (top row first, no padding) to
// fill, or nil to refuse the image.
using ImageTarget = std::function<uint32_t*(int Width, int Height)>;
// Decodes as DecodeImage does, straight into the pixels Target answers, premultiplied
// (rounded to nearest, as PremultiplyPixel), with no copy of the picture in between.
// False, with Target never asked, when DecodeImage would refuse the data.
bool DecodePremultiplied(const uint8_t* Data, size_t Size, int64_t MaxPixels, const ImageTarget& Target);

// The image's size from its header, without decoding the pixels; false when the data is
// not an image of the six, announces an empty size or more pixels than ImagePixelLimit, or
// places a part past the end of the data as DecodeImage refuses it.
bool ReadImageSize(const uint8_t* Data, size_t Size, int64_t MaxPixels, int& Width, int& Height);

// A writable format of the back end under one of its MIME types.
struct ImageEncoder {
  std::string MimeType;
  std::string Format;
};
// Every (MIME type, format) pair the back end can write, in its own order.
const std::vector<ImageEncoder>& ImageEncoders();

// Encodes Width x Height straight ARGB pixels in Format (an ImageEncoder's Format).
// Quality 0..100 is passed to encoders that take it (JPEG); -1 leaves the default.
// Appends the bytes to Out; false (Out untouched) when the encoder fails.
bool EncodeImage(const uint32_t* Bits, int Width, int Height, const std::string& Format, int Quality,
                 std::vector<uint8_t>& Out);

// Draws a SrcWidth x SrcHeight premultiplied image over a DstWidth x DstHeight
// premultiplied buffer (no row padding) through M (source to target), with good
// filtering. False when a size is not positive or M cannot be used.
bool DrawPixels(const uint32_t* Src, int SrcWidth, int SrcHeight, uint32_t* Dst, int DstWidth, int DstHeight,
                const Matrix& M);

}  // namespace gfx2d
