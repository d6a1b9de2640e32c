#include "platform/win/Clipboard.h"

#include <SDL.h>

#include <cstdint>

#include "platform/win/Display.h"

namespace win {

namespace {

void PutCodePoint(std::string& Out, std::uint32_t C) {
  if (C < 0x80) {
    Out += static_cast<char>(C);
  } else if (C < 0x800) {
    Out += static_cast<char>(0xC0 | (C >> 6));
    Out += static_cast<char>(0x80 | (C & 0x3F));
  } else if (C < 0x10000) {
    Out += static_cast<char>(0xE0 | (C >> 12));
    Out += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (C & 0x3F));
  } else {
    Out += static_cast<char>(0xF0 | (C >> 18));
    Out += static_cast<char>(0x80 | ((C >> 12) & 0x3F));
    Out += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (C & 0x3F));
  }
}

bool IsHigh(std::uint32_t U) { return U >= 0xD800 && U < 0xDC00; }
bool IsLow(std::uint32_t U) { return U >= 0xDC00 && U < 0xE000; }

}  // namespace

std::string WideToClipboardUtf8(const std::u16string& Text) {
  std::string out;
  out.reserve(Text.size() * 3);
  for (std::size_t i = 0; i < Text.size(); ++i) {
    const std::uint32_t u = Text[i];
    if (IsHigh(u) && i + 1 < Text.size() && IsLow(Text[i + 1])) {
      PutCodePoint(out, 0x10000 + ((u - 0xD800) << 10) + (Text[i + 1] - 0xDC00u));
      ++i;
    } else {
      PutCodePoint(out, u);  // a lone surrogate keeps its own three-byte form
    }
  }
  return out;
}

std::u16string ClipboardUtf8ToWide(const std::string& Bytes) {
  std::u16string out;
  out.reserve(Bytes.size());
  const std::size_t n = Bytes.size();
  std::size_t i = 0;
  while (i < n) {
    const auto b0 = static_cast<unsigned char>(Bytes[i]);
    int extra = 0;
    std::uint32_t c = 0, least = 0;
    if (b0 < 0x80) {
      out += static_cast<char16_t>(b0);
      ++i;
      continue;
    }
    if (b0 >= 0xC2 && b0 < 0xE0) {
      extra = 1, c = b0 & 0x1Fu, least = 0x80;
    } else if (b0 >= 0xE0 && b0 < 0xF0) {
      extra = 2, c = b0 & 0x0Fu, least = 0x800;
    } else if (b0 >= 0xF0 && b0 < 0xF5) {
      extra = 3, c = b0 & 0x07u, least = 0x10000;
    }
    bool ok = extra > 0;
    for (int k = 1; ok && k <= extra; ++k) {
      if (i + static_cast<std::size_t>(k) >= n) {
        ok = false;
        break;
      }
      const auto b = static_cast<unsigned char>(Bytes[i + static_cast<std::size_t>(k)]);
      if ((b & 0xC0) != 0x80)
        ok = false;
      else
        c = (c << 6) | (b & 0x3Fu);
    }
    if (!ok || c < least || c > 0x10FFFF) {
      out += u'\uFFFD';
      ++i;
      continue;
    }
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

void ClipboardSetText(const std::u16string& Text) {
  DisplayNeeded();
  SDL_SetClipboardText(WideToClipboardUtf8(Text).c_str());
}

std::u16string ClipboardGetText() {
  DisplayNeeded();
  if (SDL_HasClipboardText() != SDL_TRUE) return {};
  char* t = SDL_GetClipboardText();
  std::u16string r = t ? ClipboardUtf8ToWide(t) : std::u16string();
  SDL_free(t);
  return r;
}

bool ClipboardHasText() { return !ClipboardGetText().empty(); }

}  // namespace win
