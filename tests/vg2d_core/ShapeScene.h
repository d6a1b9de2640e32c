// A small painted scene for shape and effect tests: a canvas of the library's own class,
// the recording host and a root object covering the canvas; shapes are added as children
// of the root and the whole scene is painted on demand.
#pragma once

#include <cstdint>
#include <memory>

#include "FakeScene.h"
#include "vg2d/core/CanvasGdiPlus.h"
#include "vg2d/core/Colors.h"
#include "vg2d/core/VisualObjects.h"

namespace vgtest {

// Makes the library's canvas class the one bitmaps draw with, for the scope.
struct DefaultCanvas {
  DefaultCanvas() { vg::DefaultCanvasClass = vg::TvxCanvasGdiPlus::ClassRef(); }
  ~DefaultCanvas() { vg::DefaultCanvasClass = nullptr; }
  DefaultCanvas(const DefaultCanvas&) = delete;
  DefaultCanvas& operator=(const DefaultCanvas&) = delete;
};

class ShapeScene {
public:
  ShapeScene(int Width, int Height)
      : canvas(vg::TvxCanvasGdiPlus::ClassRef()->Create(Width, Height)), scene(canvas.get()),
        root(new vg::TvxVisualObject(nullptr)) {
    root->Visual()->SetBounds(0, 0, static_cast<float>(Width), static_cast<float>(Height));
    scene.AddObject(root.get());
  }

  // Adds Object (owned by the root) at X, Y with the given size.
  template <class T> T* Add(T* Object, float X, float Y, float W, float H) {
    root->AddObject(Object);
    Object->SetBounds(X, Y, W, H);
    return Object;
  }

  // Clears the canvas to transparent and paints the whole tree.
  void Paint() {
    canvas->Clear(0);
    scene.dirty.assign(1, vg::MakeRect(0, 0, static_cast<float>(canvas->Width()),
                                       static_cast<float>(canvas->Height())));
    scene.Paint();
  }

  uint32_t At(int X, int Y) const { return canvas->BufferBits()[Y * canvas->Width() + X]; }
  uint8_t Alpha(int X, int Y) const { return vg::AlphaOf(At(X, Y)); }

  DefaultCanvas useCanvas;
  std::unique_ptr<vg::TvxCanvas> canvas;
  FakeScene scene;
  vg::TvxObjectPtr root;
};

}  // namespace vgtest
