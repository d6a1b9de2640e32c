// A 3D tree on the fake host, drawn on a recording canvas: objects are added at the top of the
// tree, and one object is drawn as a frame draws it.
#pragma once

#include "RecordingCanvas.h"
#include "SceneFakes.h"
#include "scene3d/VisualObjects.h"

namespace dxtest {

struct Stage {
  Stage() { scene.canvas = &canvas; }
  // A new object of class T at the top of the tree.
  template <class T>
  T* Add() {
    auto* o = new T(nullptr);
    scene.AddObject(o);
    return o;
  }
  // The paint steps one object gets in a frame.
  static void Paint(dx::TdxVisualObject* O) {
    O->BeforePaint();
    O->Render();
    O->AfterPaint();
  }
  // One object as a frame draws it: its matrix on the canvas, then its paint steps.
  void Draw(dx::TdxVisualObject* O) {
    canvas.SetMatrix(O->GetAbsoluteMatrix());
    Paint(O);
  }

  // The canvas outlives the tree, which the host frees.
  RecordingCanvas canvas;
  FakeScene scene;
};

}  // namespace dxtest
