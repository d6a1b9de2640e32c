// Images: any bytes decode through the codec's public functions (under the program's pixel
// limit) or are refused; a small decoded image saves as PNG and loads back to the same
// pixels.
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "platform/gfx2d/ImageCodec.h"
#include "vg2d/core/Bitmaps.h"

// Under AddressSanitizer a single allocation above 300 MB (the pixels of the largest
// picture the program takes are 256 MB) stops the run as a finding, so that an image that
// makes a decoder ask for more than its size allows fails the replay at once instead of
// taking the machine's memory. ASAN_OPTIONS may still override it.
extern "C" const char* __asan_default_options() { return "max_allocation_size_mb=300:allocator_may_return_null=0"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  gfx2d::SniffImageFormat(Data, Size);
  int width = 0, height = 0;
  const bool sized = gfx2d::ReadImageSize(Data, Size, vg::MaxPicturePixels, width, height);
  gfx2d::DecodedImage image;
  if (!gfx2d::DecodeImage(Data, Size, vg::MaxPicturePixels, image)) return 0;
  fuzz::Check(image.Width > 0 && image.Height > 0 &&
                  image.Bits.size() == static_cast<size_t>(image.Width) * static_cast<size_t>(image.Height),
              "a decoded image's pixels do not match its size");
  fuzz::Check(!sized || (width == image.Width && height == image.Height),
              "the size probe and the decoder disagree on an image's size");
  if (int64_t{image.Width} * image.Height > 64 * 64) return 0;
  // Decoded straight into a target, the same pixels come premultiplied.
  std::vector<uint32_t> target;
  fuzz::Check(gfx2d::DecodePremultiplied(Data, Size, vg::MaxPicturePixels,
                                         [&](int W, int H) {
                                           target.assign(static_cast<size_t>(W) * static_cast<size_t>(H), 0);
                                           return target.data();
                                         }),
              "an image that decodes does not decode into a target");
  fuzz::Check(target.size() == image.Bits.size(), "an image decodes into a target at another size");
  for (size_t i = 0; i < target.size() && !image.Premultiplied; ++i)
    fuzz::Check(target[i] == gfx2d::PremultiplyPixel(image.Bits[i]), "an image decodes into a target with other pixels");
  if (image.Premultiplied) return 0;
  std::vector<uint8_t> png;
  fuzz::Check(gfx2d::EncodeImage(image.Bits.data(), image.Width, image.Height, "png", -1, png),
              "a decoded image cannot be saved as PNG");
  gfx2d::DecodedImage back;
  fuzz::Check(gfx2d::DecodeImage(png.data(), png.size(), vg::MaxPicturePixels, back),
              "an image saved as PNG does not load");
  fuzz::Check(back.Width == image.Width && back.Height == image.Height, "a PNG loads back at another size");
  for (size_t i = 0; i < image.Bits.size(); ++i) {
    const uint32_t a = image.Bits[i], b = back.Bits[i];
    // A transparent pixel keeps no colour.
    fuzz::Check((a >> 24) == 0 ? (b >> 24) == 0 : a == b, "a PNG loads back with other pixels");
  }
  return 0;
}
