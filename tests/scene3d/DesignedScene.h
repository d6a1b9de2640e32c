// A designed 3D scene in a form on SDL's dummy display, on a canvas that keeps what the
// design frame draws: the fixture of the scene design tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "NullCanvas.h"
#include "ViewAim.h"
#include "platform/loop/Application.h"
#include "platform/rtl/CodePage.h"
#include "platform/win/Clipboard.h"
#include "platform/win/Display.h"
#include "platform/win/Menus.h"
#include "scene3d/Library.h"
#include "scene3d/ObjectLayer.h"
#include "scene3d/SceneControl.h"
#include "scene3d/Shapes.h"
#include "scene3d/Shapes3D.h"
#include "scene3d/ValueText.h"
#include "vg2d/controls/ControlsLibrary.h"
#include "vg2d/core/DesignEditor.h"

namespace scenedesign {

using namespace dx;

// What the design frame draws: every box, wire or filled, with the material's colour then.
class DesignCanvas final : public dxtest::NullCanvas {
public:
  using NullCanvas::NullCanvas;

  struct TBox {
    bool Filled;
    TdxColor Colour;
    TdxVector Centre, Size;
    TdxMatrix World;
  };
  static inline std::vector<TBox> boxes;

  bool BeginScene() override {
    boxes.clear();
    return true;
  }
  void DrawCube(const TdxVector& C, const TdxVector& S, float) override {
    boxes.push_back({false, Material().DiffuseColor(), C, S, World()});
  }
  void FillCube(const TdxVector& C, const TdxVector& S, float) override {
    boxes.push_back({true, Material().DiffuseColor(), C, S, World()});
  }
};

// A scene whose input handlers a test may call.
class OpenScene : public TdxScene {
public:
  using TdxScene::TdxScene;
  using TdxScene::DoMouseWheel;
  using TdxScene::MouseDown;
  using TdxScene::MouseMove;
  using TdxScene::MouseUp;
};

// A cube that writes down the design hooks it gets.
class Probe : public TdxCube {
public:
  using TdxCube::TdxCube;
  void DesignInsert() override { ++inserts; }
  void DesignClick() override { ++clicks; }
  int inserts = 0;
  int clicks = 0;
};

// A 3D object class whose name does not begin with the library's prefix.
class Prism : public TdxCube {
  RTL_CLASS(Prism, TdxCube)
public:
  using TdxCube::TdxCube;
};

const rtl::TShiftState Left{rtl::ssLeft};

inline bool Finite(const TdxMatrix& M) {
  for (const auto& row : M.M)
    for (float v : row)
      if (!std::isfinite(v)) return false;
  return true;
}

inline rtl::TClass Prism::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<Prism>().Build();
  return &info;
}

class DesignedScene : public ::testing::Test {
protected:
  void SetUp() override {
    rtl::Application->Reset();
    vg::ControlsStartup();
    SceneLibraryStartup();
    saved = DefaultCanvasClass;
    DefaultCanvasClass = TdxCanvasClassOf<DesignCanvas>::Instance();
    savedMessage = DesignShowMessage;
    DesignShowMessage = [this](const std::u16string& Text) { messages.push_back(Text); };
    savedOpen = vg::DesignOpenFileDialog;
    form = std::make_unique<win::TForm>(nullptr);
    form->SetBorderStyle(win::bsNone);
    form->SetBounds(10, 20, 400, 300);
    scene = new OpenScene(form.get());
    scene->SetParent(form.get());
    scene->SetAlign(win::alClient);
    scene->SetDesignTime(true);
    form->Show();
    Settle();
  }
  void TearDown() override {
    if (scene && scene->DesignPopupMenu()) scene->DesignPopupMenu()->CloseMenu();
    form.reset();
    rtl::Application->ProcessMessages();
    vg::DesignOpenFileDialog = savedOpen;
    DesignShowMessage = savedMessage;
    DefaultCanvasClass = saved;
    SceneLibraryShutdown();
    vg::ControlsShutdown();
  }
  void Settle() {
    scene->RepaintScene();
    rtl::Application->ProcessMessages();
  }
  TdxCanvas& Canvas() { return *scene->GetCanvas(); }
  TdxVisualObject* AddRoot(TdxProjection P = dxProjectionCamera) {
    auto* r = new TdxVisualObject(form.get());
    r->SetProjection(P);
    scene->AddObject(r);
    return r;
  }
  template <class T = TdxCube> T* AddCube(TdxVisualObject* Parent, TdxVector At, float Side = 2) {
    auto* c = new T(form.get());
    Parent->AddObject(c);
    c->SetWidth(Side);
    c->SetHeight(Side);
    c->SetDepth(Side);
    c->Position()->SetVector(At);
    return c;
  }
  // A screen-space box of the given size with its centre at (X, Y).
  TdxCube* AddScreenBox(TdxVisualObject* Parent, float X, float Y, float W, float H) {
    auto* c = new TdxCube(form.get());
    Parent->AddObject(c);
    c->SetProjection(dxProjectionScreen);
    c->SetWidth(W);
    c->SetHeight(H);
    c->SetDepth(1);
    c->Position()->SetPoint({X, Y, 0});
    return c;
  }
  win::TPoint At(const TdxVisualObject* O, const TdxVector& Local = {0, 0, 0, 1}) {
    return dxtest::ProjectToClient(Canvas(), O->LocalToAbsolute(Local));
  }
  void Down(win::TPoint P, rtl::TShiftState S = {}, rtl::TMouseButton B = rtl::mbLeft) {
    scene->MouseDown(B, S, P.X, P.Y);
  }
  void Move(win::TPoint P, rtl::TShiftState S = Left) { scene->MouseMove(S, P.X, P.Y); }
  void Up(win::TPoint P, rtl::TMouseButton B = rtl::mbLeft) { scene->MouseUp(B, {}, P.X, P.Y); }
  void Click(win::TPoint P, rtl::TShiftState S = {}) {
    Down(P, S);
    Up(P);
  }
  // A drag of the left button from A to B, with the modifiers Mods held throughout.
  void Drag(win::TPoint A, win::TPoint B, rtl::TShiftState Mods = {}) {
    Down(A, Mods);
    rtl::TShiftState held = Mods;
    held.Include(rtl::ssLeft);
    Move(B, held);
    Up(B);
  }
  std::vector<std::u16string> TopCaptions() {
    std::vector<std::u16string> c;
    for (const vg::TvxDesignMenuItem& i : scene->BuildDesignMenu()) c.push_back(i.Caption);
    return c;
  }
  std::string TempFile(const std::string& Name, const std::string& Text) {
    const std::string path = (std::filesystem::temp_directory_path() /
                              (Name + "_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                               std::to_string(reinterpret_cast<std::uintptr_t>(this))))
                                 .string();
    std::ofstream(path, std::ios::binary) << Text;
    files.push_back(path);
    return path;
  }
  void Answer(const std::string& File) {
    vg::DesignOpenFileDialog = [this, File](const std::string& Filter, std::string& FileName) {
      filters.push_back(Filter);
      FileName = File;
      return true;
    };
  }
  ~DesignedScene() override {
    for (const std::string& f : files) std::remove(f.c_str());
  }

  const TdxCanvasClass* saved = nullptr;
  TdxDesignMessageProc savedMessage;
  vg::TvxDesignOpenFileProc savedOpen;
  std::unique_ptr<win::TForm> form;
  OpenScene* scene = nullptr;
  std::vector<std::u16string> messages;
  std::vector<std::string> filters;
  std::vector<std::string> files;
};

}  // namespace scenedesign
