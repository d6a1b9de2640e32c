// Premultiplied ARGB pixels laid over others, without a division per channel: what a window
// composes its frames with and what a scene composes its layers with. Every channel, alpha
// too, becomes Src + Dst * (255 - Src alpha) / 255, rounded to nearest and held at 255.
#pragma once

#include <cstddef>
#include <cstdint>

namespace gfx2d {

// X / 255 rounded to nearest, for X up to 65279 (a product of two channels plus 254).
constexpr uint32_t Div255(uint32_t X) {
  X += 128;
  return (X + (X >> 8)) >> 8;
}

// Src over Dst, both premultiplied.
constexpr uint32_t BlendOver(uint32_t Src, uint32_t Dst) {
  const uint32_t inv = 255 - (Src >> 24);
  if (inv == 0) return Src;
  // Two channels at a time, 16 bits apart: red and blue, then alpha and green.
  uint32_t rb = (Dst & 0x00FF00FFu) * inv + 0x00800080u;
  rb = ((rb + ((rb >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
  uint32_t ag = ((Dst >> 8) & 0x00FF00FFu) * inv + 0x00800080u;
  ag = ((ag + ((ag >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
  rb += Src & 0x00FF00FFu;
  ag += (Src >> 8) & 0x00FF00FFu;
  // A channel that went past 255 has its bit 8 set: it becomes 255.
  const uint32_t rbOver = rb & 0x01000100u, agOver = ag & 0x01000100u;
  rb = (rb | (rbOver - (rbOver >> 8))) & 0x00FF00FFu;
  ag = (ag | (agOver - (agOver >> 8))) & 0x00FF00FFu;
  return rb | (ag << 8);
}

// Count pixels of Src over the pixels at Dst, in place; a source pixel without alpha leaves
// its destination as it is (as the device's alpha test does).
void BlendRowOver(uint32_t* Dst, const uint32_t* Src, size_t Count);
// Count pixels of Src over the opaque colour Back (its alpha is ignored), written to Dst
// opaque.
void BlendRowOverColor(uint32_t* Dst, const uint32_t* Src, uint32_t Back, size_t Count);

}  // namespace gfx2d
