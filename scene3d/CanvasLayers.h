// Canvas layers: buffer layers whose content an application handler paints with the class
// library's canvas. Every frame, before the layer is drawn, OnLayerPaint gets a canvas on a
// 32-bit bitmap of the buffer's pixel size and the rectangle (0, 0, BufferWidth,
// BufferHeight); when the handler sets Update the bitmap goes into the buffer in one pass that
// also makes every pixel opaque, and the two top and two bottom rows become transparent grey
// (0x00707070; rows outside a buffer of fewer than four rows are not written). Otherwise the
// buffer keeps what it had. A buffer that is new or resized, or that has no handler to paint
// it, is opaque white: it is whitened (and uploaded) only when it is not white already.
#pragma once

#include <memory>

#include "platform/rtl/Events.h"
#include "platform/win/Graphics.h"
#include "scene3d/Layers.h"

namespace dx {

using TCanvasPaintEvent =
    rtl::TEvent<void(rtl::TObject* Sender, win::TCanvas* Canvas, const win::TRect& ARect, bool& Update)>;

// The colour of the two top and two bottom rows after a copy.
inline constexpr std::uint32_t CanvasLayerEdgeColor = 0x00707070;

class TdxCustomCanvasLayer : public TdxCustomBufferLayer {
  RTL_CLASS(TdxCustomCanvasLayer, TdxCustomBufferLayer)
public:
  // The buffer layer's: 4 x 3 units at Resolution 60, a white 240 x 180 buffer.
  explicit TdxCustomCanvasLayer(rtl::TComponent* AOwner);
  ~TdxCustomCanvasLayer() override;

  // The class library bitmap the handler paints on; nil before the first paint with a handler.
  win::TBitmap* PaintBitmap() const { return bitmap_.get(); }
  // The handler, its copy, or the white buffer; then the buffer layer's sizing and
  // OnBeforePaint.
  void BeforePaint() override;

  TCanvasPaintEvent OnLayerPaint;

private:
  // The bitmap at the buffer's size, made when missing.
  win::TCanvas* PrepareCanvas();
  // The buffer at its size; a new or resized one is white.
  TdxBitmap* SizedBuffer();
  void Whiten(TdxBitmap& Buffer);
  void CopyBitmap(TdxBitmap& Buffer);

  std::unique_ptr<win::TBitmap> bitmap_;
  bool white_ = false;
};

// A canvas layer placed in the scene like any shape.
class TdxCanvasLayer : public TdxCustomCanvasLayer {
  RTL_CLASS(TdxCanvasLayer, TdxCustomCanvasLayer)
public:
  using TdxCustomCanvasLayer::TdxCustomCanvasLayer;
};

// A canvas layer in screen space, placed among the window's layers by LayerAlign: 256 x 256
// pixels when made.
class TdxGUICanvasLayer : public TdxCustomCanvasLayer {
  RTL_CLASS(TdxGUICanvasLayer, TdxCustomCanvasLayer)
public:
  explicit TdxGUICanvasLayer(rtl::TComponent* AOwner);
};

// TdxCanvasLayer under "Shapes", TdxGUICanvasLayer under "GUI".
void RegisterDxCanvasLayerClasses();

}  // namespace dx
