// The fixture of the contract every host of a 2D tree keeps, and the two kinds of host it runs
// against: the 2D scene control in a form and the object layer in a 3D host.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "RecordingCanvas.h"
#include "SceneFakes.h"
#include "platform/loop/Application.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/ObjectText.h"
#include "platform/rtl/Streams.h"
#include "platform/win/Forms.h"
#include "platform/win/Menus.h"
#include "scene3d/Library.h"
#include "scene3d/ObjectLayer.h"
#include "tests/loop/Later.h"
#include "tests/vg2d_core/FakeScene.h"
#include "vg2d/controls/Buttons.h"
#include "vg2d/controls/CheckControls.h"
#include "vg2d/controls/ControlsLibrary.h"
#include "vg2d/controls/Layouts.h"
#include "vg2d/controls/ListBox.h"
#include "vg2d/controls/TabOrderEditor.h"
#include "vg2d/controls/TextControls.h"
#include "vg2d/core/Animations.h"
#include "vg2d/core/Bitmaps.h"
#include "vg2d/core/DesignEditor.h"
#include "vg2d/core/FilterGdiPlus.h"
#include "vg2d/core/SceneControl.h"
#include "vg2d/core/Styles.h"
#include "tests/TestOutput.h"

namespace hostcontract {

using namespace vg;
using Editor = TvxDesignEditor;
using vgtest::Box;

const rtl::TShiftState Left{rtl::ssLeft};
const rtl::TShiftState AltLeft{rtl::ssLeft, rtl::ssAlt};

// A scene whose mouse handlers a test may call.
class OpenScene : public TvxScene {
public:
  using TvxCustomScene::MouseDown;
  using TvxCustomScene::MouseMove;
  using TvxCustomScene::MouseUp;
  using TvxScene::TvxScene;
};

// The 2D scene control in a borderless form.
struct SceneKind {
  static constexpr const char* RootClass = "TvxBackground";
  // Snap lines and grips take only an edge strictly closer than their tolerance.
  static constexpr bool SnapsAtTolerance = false;
  std::unique_ptr<win::TForm> form;
  OpenScene* scene = nullptr;
  void Make(int W, int H) {
    form = std::make_unique<win::TForm>(nullptr);
    form->SetBorderStyle(win::bsNone);
    form->SetBounds(10, 20, W, H);
    scene = new OpenScene(form.get());
    scene->SetParent(form.get());
    scene->SetAlign(win::alClient);
    form->Show();
    rtl::Application->ProcessMessages();
  }
  void Free() { form.reset(); }
  TvxSceneHost* Host() { return scene; }
  rtl::TComponent* Owner() { return form.get(); }
  void Down(rtl::TMouseButton B, rtl::TShiftState S, float X, float Y) {
    scene->MouseDown(B, S, static_cast<int>(X), static_cast<int>(Y));
  }
  void Move(rtl::TShiftState S, float X, float Y) { scene->MouseMove(S, static_cast<int>(X), static_cast<int>(Y)); }
  void Up(rtl::TMouseButton B, float X, float Y) { scene->MouseUp(B, {}, static_cast<int>(X), static_cast<int>(Y)); }
  void KeyUp(std::uint16_t Key) {
    char16_t ch = 0;
    scene->KeyUp(Key, ch, {});
  }
  void Settle() { rtl::Application->ProcessMessages(); }
  void Load(const std::string& Props) {
    rtl::TStringStream text("object Host: TvxScene\r\n" + Props + "end\r\n");
    rtl::TMemoryStream bin;
    rtl::ObjectTextToBinary(&text, &bin);
    bin.SetPosition(0);
    rtl::TReader(&bin, 1024).ReadRootComponent(scene);
  }
};

// The object layer of a window, in a 3D host that records what it is told.
struct LayerKind {
  static constexpr const char* RootClass = "TvxLayout";
  // Snap lines and grips take an edge at exactly their tolerance too.
  static constexpr bool SnapsAtTolerance = true;
  std::unique_ptr<dxtest::FakeScene> host3d;
  std::unique_ptr<dxtest::RecordingCanvas> canvas;
  std::unique_ptr<rtl::TComponent> owner;
  dx::TdxGUIObjectLayer* layer = nullptr;
  void Make(int W, int H) {
    host3d = std::make_unique<dxtest::FakeScene>();
    canvas = std::make_unique<dxtest::RecordingCanvas>(800, 600);
    host3d->canvas = canvas.get();
    owner = std::make_unique<rtl::TComponent>(nullptr);
    layer = new dx::TdxGUIObjectLayer(owner.get());
    host3d->AddObject(layer);
    layer->SetWidth(static_cast<float>(W));
    layer->SetHeight(static_cast<float>(H));
    layer->Position()->SetPoint({W / 2.0f, H / 2.0f, 0});
    Settle();
  }
  void Free() {
    host3d.reset();
    owner.reset();
    canvas.reset();
  }
  TvxSceneHost* Host() { return layer; }
  rtl::TComponent* Owner() { return owner.get(); }
  void Down(rtl::TMouseButton B, rtl::TShiftState S, float X, float Y) { layer->LayerMouseDown(B, S, X, Y); }
  void Move(rtl::TShiftState S, float X, float Y) { layer->LayerMouseMove(S, X, Y); }
  void Up(rtl::TMouseButton B, float X, float Y) { layer->LayerMouseUp(B, {}, X, Y); }
  void KeyUp(std::uint16_t Key) {
    char16_t ch = 0;
    layer->KeyUp(Key, ch, {});
  }
  void Settle() {
    rtl::Application->ProcessMessages();
    layer->BeforePaint();
    layer->Render();
  }
  void Load(const std::string& Props) {
    rtl::TStringStream text("object Host: TdxGUIObjectLayer\r\n" + Props + "end\r\n");
    rtl::TMemoryStream bin;
    rtl::ObjectTextToBinary(&text, &bin);
    bin.SetPosition(0);
    rtl::TReader(&bin, 1024).ReadRootComponent(layer);
  }
};

template <class Kind>
class HostContract : public ::testing::Test {
protected:
  void SetUp() override {
    rtl::Application->Reset();
    ControlsStartup();
    dx::SceneLibraryStartup();
    DesignClipboard().clear();
    kind.Make(400, 300);
  }
  void TearDown() override {
    if (auto* m = Designer().Menu()) m->CloseMenu();
    kind.Free();
    other.Free();
    rtl::Application->ProcessMessages();
    FreeAniThread();
    dx::SceneLibraryShutdown();
    ControlsShutdown();
  }
  TvxSceneHost* H() { return kind.Host(); }
  Editor& Designer() { return kind.Host()->Designer(); }
  // A root over the whole host that presses pass through.
  TvxVisualObject* Root() {
    auto* root = new TvxVisualObject(kind.Owner());
    H()->AddObject(root);
    return root;
  }
  template <class T = Box>
  T* Add(TvxObject* Parent, float X, float Y, float W, float H) {
    auto* o = new T(kind.Owner());
    Parent->AddObject(o);
    o->SetBounds(X, Y, W, H);
    return o;
  }
  void Design() { H()->SetDesignTime(true); }
  // A left press at (X0, Y0), moves to (X1, Y1) with Shift, and the release there.
  void Drag(float X0, float Y0, float X1, float Y1, rtl::TShiftState Shift = Left) {
    kind.Down(rtl::mbLeft, {}, X0, Y0);
    kind.Move(Shift, X1, Y1);
    kind.Up(rtl::mbLeft, X1, Y1);
  }
  void Click(float X, float Y) {
    kind.Down(rtl::mbLeft, {}, X, Y);
    kind.Up(rtl::mbLeft, X, Y);
  }
  // The painted pixel at (X, Y) of the host's canvas.
  std::uint32_t Pixel(int X, int Y) {
    TvxCanvas* c = H()->GetCanvas();
    return c->BufferBits()[Y * c->Width() + X];
  }
  // The host's picture, kept in the build tree's test-output folder for a look.
  void SavePicture(const std::string& Name) {
    TvxCanvas* c = H()->GetCanvas();
    TvxBitmap b;
    b.SetSize(c->Width(), c->Height());
    std::copy(c->BufferBits(), c->BufferBits() + c->Width() * c->Height(), b.Bits());
    TvxFilterGdiPlus png;
    png.SaveToFile(testout::Path(Name), b, "");
  }
  void RepaintAll() {
    H()->AddUpdateRect(MakeRect(0, 0, 400, 300));
    kind.Settle();
  }
  Kind kind;
  Kind other;
};

// Close to the colour (channels within 40), premultiplied pixels of opaque colours.
inline bool Near(std::uint32_t A, std::uint32_t B) {
  for (int s = 0; s < 32; s += 8)
    if (std::abs(static_cast<int>((A >> s) & 0xFF) - static_cast<int>((B >> s) & 0xFF)) > 40) return false;
  return true;
}

// The hosts the contract runs against; a new host joins this list.
using HostKinds = ::testing::Types<SceneKind, LayerKind>;

}  // namespace hostcontract
