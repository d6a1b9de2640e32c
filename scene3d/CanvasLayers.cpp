#include "scene3d/CanvasLayers.h"

#include <algorithm>

#include "scene3d/PublishedLayout.h"

namespace dx {

// ---- classes ----------------------------------------------------------------------------------------

rtl::TClass TdxCustomCanvasLayer::StaticClass() {
  using L = TdxCustomCanvasLayer;
  static const rtl::TClassInfo info = rtl::DefineClass<L>()
                                          .Property("Resolution", &L::Resolution, &L::SetResolution)
                                          .Default(60)
                                          .Event("OnLayerPaint", &L::OnLayerPaint)
                                          .Build();
  return &info;
}

rtl::TClass TdxCanvasLayer::StaticClass() {
  static const rtl::TClassInfo info = PublishLayout(rtl::DefineClass<TdxCanvasLayer>()).Build();
  return &info;
}

rtl::TClass TdxGUICanvasLayer::StaticClass() {
  using L = TdxGUICanvasLayer;
  static const rtl::TClassInfo info =
      rtl::DefineClass<L>().Property("LayerAlign", &L::LayerAlign, &L::SetLayerAlign).Default(dxLayerNone).Build();
  return &info;
}

void RegisterDxCanvasLayerClasses() {
  rtl::RegisterClasses<TdxCustomCanvasLayer>();
  RegisterDxClasses("Shapes", {TdxCanvasLayer::StaticClass()});
  RegisterDxClasses("GUI", {TdxGUICanvasLayer::StaticClass()});
}

// ---- life ---------------------------------------------------------------------------------------------

TdxCustomCanvasLayer::TdxCustomCanvasLayer(rtl::TComponent* AOwner) : TdxCustomBufferLayer(AOwner) {
  if (TdxBitmap* buffer = GetBuffer()) Whiten(*buffer);
}

TdxCustomCanvasLayer::~TdxCustomCanvasLayer() = default;

TdxGUICanvasLayer::TdxGUICanvasLayer(rtl::TComponent* AOwner) : TdxCustomCanvasLayer(AOwner) {
  SetProjection(dxProjectionScreen);
  SetWidth(256);
  SetHeight(256);
}

// ---- painting -----------------------------------------------------------------------------------------

win::TCanvas* TdxCustomCanvasLayer::PrepareCanvas() {
  if (!bitmap_) bitmap_ = std::make_unique<win::TBitmap>();
  bitmap_->SetSize(BufferWidth(), BufferHeight());
  return bitmap_->Canvas();
}

void TdxCustomCanvasLayer::Whiten(TdxBitmap& Buffer) {
  Buffer.Clear(0xFFFFFFFFu);
  white_ = true;
}

TdxBitmap* TdxCustomCanvasLayer::SizedBuffer() {
  TdxBitmap* buffer = GetBuffer();
  if (!buffer) return nullptr;
  if (buffer->Width() != BufferWidth() || buffer->Height() != BufferHeight()) {
    buffer->SetSize(BufferWidth(), BufferHeight());
    Whiten(*buffer);
  }
  return buffer;
}

void TdxCustomCanvasLayer::CopyBitmap(TdxBitmap& Buffer) {
  std::uint32_t* out = nullptr;
  if (!Buffer.Map(out, true)) return;  // a buffer without pixels takes no copy
  const int w = Buffer.Width(), h = Buffer.Height();
  const std::uint32_t* in = bitmap_->Bits();
  const size_t row = static_cast<size_t>(w);
  // One pass: the pixels as the bitmap holds them, each made opaque.
  if (in && bitmap_->Width() == w && bitmap_->Height() == h) {
    const size_t n = row * static_cast<size_t>(h);
    for (size_t i = 0; i < n; ++i) out[i] = in[i] | 0xFF000000u;
  }
  // The two top and two bottom rows, where the buffer has them.
  for (int y : {0, 1, h - 2, h - 1})
    if (y >= 0 && y < h) std::fill_n(out + static_cast<size_t>(y) * row, row, CanvasLayerEdgeColor);
  Buffer.Unmap();
  white_ = false;
}

void TdxCustomCanvasLayer::BeforePaint() {
  TdxBitmap* buffer = SizedBuffer();
  if (OnLayerPaint) {
    bool update = false;
    const win::TRect rect{0, 0, BufferWidth(), BufferHeight()};
    win::TCanvas* canvas = PrepareCanvas();
    TdxFreeWatch watch(this);
    OnLayerPaint(this, canvas, rect, update);
    if (watch.Gone()) return;
    // The handler may have changed the layer's size meanwhile: the copy is made only when the
    // bitmap it painted still has the buffer's size.
    buffer = SizedBuffer();
    if (update && buffer && bitmap_->Width() == buffer->Width() && bitmap_->Height() == buffer->Height())
      CopyBitmap(*buffer);
  } else if (buffer && !white_) {
    Whiten(*buffer);
  }
  TdxCustomBufferLayer::BeforePaint();
}

}  // namespace dx
