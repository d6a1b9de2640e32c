// The recording fake of the 3D device, for tests of the code that drives a device. It logs
// every call with its arguments, in order, and answers with scripted results: device-lost and
// not-reset results of TestCooperativeLevel, failing creations and locks, a missing extended
// entry point. Buffers, textures and system-memory surfaces hold real memory, so locks hand
// out usable pointers; nothing is drawn.
//
// Log entries: Name is the method ("SetRenderState", "Texture.LockRect", ...), Args its
// arguments joined by commas. Resources appear by label: vb1, ib1, tex1, surf1, block1 (one
// counter per kind), the back buffer as "backbuffer", a missing resource as "null". Numbers
// are decimal, flags too; rectangles as "[left top right bottom]"; matrices as their 16 values, present parameters as
// "W x H, format, samples, swap effect, window, windowed, auto depth, depth format, interval".
#pragma once

#include <deque>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gfx3d/Device.h"

namespace gfx3d {

struct FakeCall {
  std::string Name;
  std::string Args;
  std::string Text() const { return Name + "(" + Args + ")"; }
};

// The log and the script, shared by the fake process object, its devices and their resources.
class FakeRecorder {
 public:
  std::vector<FakeCall> Calls;
  // What the fake process object reports.
  D3DCAPS9 Caps{D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_PUREDEVICE, 16384, 16384, 8};
  uint32_t MaxSamples = 4;
  // What GetRenderTargetRect writes into every pixel of the rectangle it reads (nothing is drawn).
  uint32_t ReadBackPixel = 0;

  // The next results of Method (a log name), in order; once they are used up it succeeds.
  // For "Direct3DCreate9" a failure means no object.
  void Script(const std::string& Method, std::initializer_list<HRESULT> Results);
  HRESULT NextResult(const std::string& Method);

  void Log(std::string Name, std::string Args) { Calls.push_back({std::move(Name), std::move(Args)}); }
  std::string NewLabel(const std::string& Kind) { return Kind + std::to_string(++labels_[Kind]); }

  // Calls of that name, and every call as "Name(Args)".
  int Count(std::string_view Name) const;
  std::vector<std::string> Texts() const;
  // Texts of the calls of those names only, in order.
  std::vector<std::string> TextsOf(std::initializer_list<std::string_view> Names) const;
  void Clear() { Calls.clear(); }

 private:
  std::map<std::string, std::deque<HRESULT>> script_;
  std::map<std::string, int> labels_;
};

// A recorded state block of the fake: the calls made while it was recorded.
class FakeStateBlock final : public IStateBlock {
 public:
  FakeStateBlock(std::shared_ptr<FakeRecorder> Recorder, std::string Label)
      : recorder_(std::move(Recorder)), label_(std::move(Label)) {}
  HRESULT Apply() override;
  const std::string& Label() const { return label_; }
  std::vector<FakeCall> Recorded;

 private:
  std::shared_ptr<FakeRecorder> recorder_;
  std::string label_;
};

// The entry points of the fake library, as Availability would have them (see GlDevice.h):
// Ex gives both, Plain only Create9, Absent neither.
Direct3DEntries FakeDirect3D(std::shared_ptr<FakeRecorder> Recorder, Availability Mode);

}  // namespace gfx3d
