// The display's pixels: a form's frame put on its window, the window's own pixels, and the
// part of the screen that windows may take.
#include <SDL.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/win/Display.h"

namespace win {

void PresentToWindow(SDL_Window* Window, const std::uint32_t* Bits, int Width, int Height,
                     const std::vector<TRect>& Rects) {
  // A window another client destroyed shows nothing (each update would be an X error), nor does
  // any once the display's connection broke.
  if (!FormWindowUsable(Window)) return;
  SDL_Surface* dst = SDL_GetWindowSurface(Window);
  if (!dst) return;
  SDL_Surface* src = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<std::uint32_t*>(Bits), Width, Height, 32,
                                                        Width * 4, SDL_PIXELFORMAT_ARGB8888);
  if (!src) return;
  SDL_SetSurfaceBlendMode(src, SDL_BLENDMODE_NONE);
  std::vector<SDL_Rect> shown;
  for (const TRect& r : Rects) {
    SDL_Rect s{r.Left, r.Top, r.Width(), r.Height()};
    SDL_Rect d = s;
    SDL_BlitSurface(src, &s, dst, &d);
    shown.push_back(s);
  }
  SDL_FreeSurface(src);
  SDL_UpdateWindowSurfaceRects(Window, shown.data(), static_cast<int>(shown.size()));
}

std::uint32_t* WindowPixels(SDL_Window* Window, int Width, int Height, int& Stride) {
  SDL_Surface* s = FormWindowUsable(Window) ? SDL_GetWindowSurface(Window) : nullptr;
  if (!s || !s->pixels || s->w != Width || s->h != Height || s->format->BytesPerPixel != 4 ||
      s->format->Rmask != 0x00FF0000u || s->format->Gmask != 0x0000FF00u || s->format->Bmask != 0x000000FFu ||
      s->pitch % 4 != 0 || SDL_MUSTLOCK(s))
    return nullptr;
  Stride = s->pitch / 4;
  return static_cast<std::uint32_t*>(s->pixels);
}

void ShowWindowRects(SDL_Window* Window, const std::vector<TRect>& Rects) {
  if (!FormWindowUsable(Window)) return;
  std::vector<SDL_Rect> shown;
  shown.reserve(Rects.size());
  for (const TRect& r : Rects) shown.push_back({r.Left, r.Top, r.Width(), r.Height()});
  if (!shown.empty()) SDL_UpdateWindowSurfaceRects(Window, shown.data(), static_cast<int>(shown.size()));
}

std::uint32_t ReadWindowPixel(SDL_Window* Window, int X, int Y) {
  SDL_Surface* s = FormWindowUsable(Window) ? SDL_GetWindowSurface(Window) : nullptr;
  if (!s || X < 0 || Y < 0 || X >= s->w || Y >= s->h || s->format->BytesPerPixel != 4) return 0;
  const auto* row = static_cast<const std::uint8_t*>(s->pixels) + static_cast<size_t>(Y) * static_cast<size_t>(s->pitch);
  Uint32 px = 0;
  std::memcpy(&px, row + static_cast<size_t>(X) * 4, 4);
  Uint8 r = 0, g = 0, b = 0;
  SDL_GetRGB(px, s->format, &r, &g, &b);
  return 0xFF000000u | (static_cast<std::uint32_t>(r) << 16) | (static_cast<std::uint32_t>(g) << 8) | b;
}

TRect ScreenWorkArea() {
  DisplayNeeded();
  SDL_Rect r{};
  // (The usable bounds are asked of the X server; the whole bounds are SDL's own.)
  if (SDL_GetNumVideoDisplays() > 0 &&
      ((!DisplayLost() && SDL_GetDisplayUsableBounds(0, &r) == 0) || SDL_GetDisplayBounds(0, &r) == 0) && r.w > 0 &&
      r.h > 0)
    return {r.x, r.y, r.x + r.w, r.y + r.h};
  return {0, 0, 1024, 768};
}

TRect KeepOnScreen(const TRect& R) {
  const TRect area = ScreenWorkArea();
  const int w = R.Width(), h = R.Height();
  const int x = std::max(area.Left, std::min(R.Left, area.Right - w));
  const int y = std::max(area.Top, std::min(R.Top, area.Bottom - h));
  return {x, y, x + w, y + h};
}

}  // namespace win
