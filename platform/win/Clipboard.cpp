#include "platform/win/Clipboard.h"

#include <SDL.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "platform/gfx2d/ImageCodec.h"
#include "platform/loop/Application.h"
#include "platform/win/Display.h"
#include "platform/win/Graphics.h"
#include "platform/win/X11Selection.h"

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

namespace {

constexpr const char* PictureTarget = "image/png";

// The pictures' side of the clipboard, on the GUI thread.
struct TPictures {
  // The picture the program put on the clipboard, until a text or another program's
  // content takes its place.
  std::unique_ptr<TBitmap> own;
  // Counts the pictures put there, so that news about an older one changes nothing.
  int generation = 0;
  // The display's clipboard, on an X display.
  std::unique_ptr<TSelectionAgent> agent;
  bool agentTried = false;
  // Requests waiting for the display's answer, by number.
  std::vector<std::pair<int, const void*>> waiting;
  int nextRequest = 0;
};

TPictures& Pictures() {
  static TPictures p;
  return p;
}

void DropOwnPicture() {
  TPictures& p = Pictures();
  p.own.reset();
  ++p.generation;
}

TSelectionAgent* Agent() {
  TPictures& p = Pictures();
  if (!p.agentTried) {
    DisplayNeeded();
    p.agentTried = true;
    if (VideoDriver() == "x11") p.agent = TSelectionAgent::Open();
  }
  return p.agent.get();
}

// Whether the request is still wanted; it is forgotten either way.
bool TakeRequest(int Id) {
  auto& waiting = Pictures().waiting;
  const auto at = std::find_if(waiting.begin(), waiting.end(), [Id](const auto& W) { return W.first == Id; });
  if (at == waiting.end()) return false;
  waiting.erase(at);
  return true;
}

// Asks the display's clipboard for Target; Answer runs unless the request is cancelled.
void AskDisplay(TSelectionAgent* Agent, const void* Owner, const std::string& Target,
                std::function<void(TSelectionAgent::TFetchResult&)> Answer) {
  TPictures& p = Pictures();
  const int id = ++p.nextRequest;
  p.waiting.emplace_back(id, Owner);
  Agent->Fetch(Target, [id, Answer = std::move(Answer)](TSelectionAgent::TFetchResult R) {
    if (TakeRequest(id)) Answer(R);
  });
}

}  // namespace

bool EncodeClipboardPicture(const TBitmap& Picture, std::vector<std::uint8_t>& Png) {
  const std::uint32_t* bits = Picture.Bits();
  if (!bits) return false;
  std::vector<std::uint32_t> straight(bits, bits + static_cast<std::size_t>(Picture.Width()) * Picture.Height());
  for (std::uint32_t& px : straight) px = gfx2d::UnpremultiplyPixel(px);
  Png.clear();
  return gfx2d::EncodeImage(straight.data(), Picture.Width(), Picture.Height(), "png", -1, Png);
}

bool DecodeClipboardPicture(const std::uint8_t* Data, std::size_t Size, TBitmap& Picture) {
  // The decoder asks for the pixels only once the whole picture has decoded.
  return Data && gfx2d::DecodePremultiplied(Data, Size, ClipboardMaxPicturePixels, [&](int W, int H) {
           Picture.SetSize(W, H);
           return Picture.ScanLine(0);
         });
}

void ClipboardSetPicture(const TBitmap& Picture) {
  DisplayNeeded();
  SDL_SetClipboardText("");
  DropOwnPicture();
  if (!Picture.Bits()) return;
  TPictures& p = Pictures();
  p.own = std::make_unique<TBitmap>();
  p.own->SetSize(Picture.Width(), Picture.Height());
  std::copy(Picture.Bits(), Picture.Bits() + static_cast<std::size_t>(Picture.Width()) * Picture.Height(),
            p.own->ScanLine(0));
  TSelectionAgent* agent = Agent();
  if (!agent) return;
  auto png = std::make_shared<std::vector<std::uint8_t>>();
  if (!EncodeClipboardPicture(*p.own, *png)) return;
  // Another program taking the clipboard takes the picture's place.
  agent->Own(PictureTarget, std::move(png), [generation = p.generation] {
    if (Pictures().generation == generation) DropOwnPicture();
  });
}

void ClipboardRequestPicture(const void* Owner, TClipboardPictureProc Done) {
  TSelectionAgent* agent = Agent();
  if (!agent) {
    Done(Pictures().own.get());
    return;
  }
  AskDisplay(agent, Owner, PictureTarget, [Done = std::move(Done)](TSelectionAgent::TFetchResult& R) {
    if (R.Found == TSelectionAgent::TFound::Ours) return Done(Pictures().own.get());
    TBitmap picture;
    const bool ok = R.Found == TSelectionAgent::TFound::Data &&
                    DecodeClipboardPicture(R.Data.data(), R.Data.size(), picture);
    Done(ok ? &picture : nullptr);
  });
}

void ClipboardRequestHasPicture(const void* Owner, std::function<void(bool)> Done) {
  TSelectionAgent* agent = Agent();
  if (!agent) {
    Done(Pictures().own != nullptr);
    return;
  }
  AskDisplay(agent, Owner, "TARGETS", [Done = std::move(Done)](TSelectionAgent::TFetchResult& R) {
    if (R.Found == TSelectionAgent::TFound::Ours) return Done(Pictures().own != nullptr);
    Done(std::find(R.Targets.begin(), R.Targets.end(), PictureTarget) != R.Targets.end());
  });
}

void ClipboardCancelRequests(const void* Owner) {
  std::erase_if(Pictures().waiting, [Owner](const auto& W) { return W.second == Owner; });
}

void ClipboardDisplayClosing() {
  TPictures& p = Pictures();
  p.agent.reset();
  p.agentTried = false;
  p.waiting.clear();
}

void ClipboardSetText(const std::u16string& Text) {
  DisplayNeeded();
  DropOwnPicture();
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
