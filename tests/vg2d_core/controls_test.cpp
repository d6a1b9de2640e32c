// Styled controls through a fake host: where a control finds its style (own Resource, the
// host's style, the built-in style, the parent class's part), how the style sits in the
// control, style resources and their hosts, data binding, the filled background, and
// that nothing keeps a freed style, style resource or bound control.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "FakeScene.h"
#include "platform/rtl/Actions.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/Streams.h"
#include "vg2d/core/CanvasGdiPlus.h"
#include "vg2d/core/Controls.h"
#include "vg2d/core/ImageShapes.h"
#include "vg2d/core/Library.h"
#include "vg2d/core/Registry.h"
#include "vg2d/core/Shapes.h"
#include "vg2d/core/Styles.h"
#include "tests/vg2d_core/SavedText.h"

namespace controls_test {

using namespace vg;
using vgtest::FakeScene;

namespace {

// Stand-ins for the controls that come later, named so that their style names are the
// real ones. TvxFancyButton has no part anywhere; TvxFancierButton is one class further.
class TvxButton : public TvxControl {
  RTL_CLASS(TvxButton, TvxControl)
public:
  using TvxControl::TvxControl;
  int freeStyles = 0;
  int applyStyles = 0;
  std::vector<std::string> log;

protected:
  void FreeStyle() override {
    ++freeStyles;
    log.push_back("FreeStyle");
  }
  void ApplyStyle() override {
    ++applyStyles;
    TvxControl::ApplyStyle();
  }
};
class TvxHudButton : public TvxButton {
  RTL_CLASS(TvxHudButton, TvxButton)
public:
  using TvxButton::TvxButton;
};
class TvxFancyButton : public TvxHudButton {
  RTL_CLASS(TvxFancyButton, TvxHudButton)
public:
  using TvxHudButton::TvxHudButton;
};
class TvxFancierButton : public TvxFancyButton {
  RTL_CLASS(TvxFancierButton, TvxFancyButton)
public:
  using TvxFancyButton::TvxFancyButton;
};

// A control with a value that follows its binding source.
class TvxValueBox : public TvxControl {
  RTL_CLASS(TvxValueBox, TvxControl)
public:
  using TvxControl::TvxControl;
  rtl::TPropValue GetData() override { return value; }
  void SetData(const rtl::TPropValue& Value) override { value = Value; }
  rtl::TPropValue value = std::string();
};

}  // namespace

rtl::TClass TvxButton::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxButton>().Build();
  return &info;
}
rtl::TClass TvxHudButton::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxHudButton>().Build();
  return &info;
}
rtl::TClass TvxFancyButton::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxFancyButton>().Build();
  return &info;
}
rtl::TClass TvxFancierButton::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxFancierButton>().Build();
  return &info;
}
rtl::TClass TvxValueBox::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TvxValueBox>().Build();
  return &info;
}

namespace {

// A host with a style of its own, forgotten when the style resource is freed.
class StyledScene : public FakeScene {
public:
  using FakeScene::FakeScene;
  ~StyledScene() override { SetStyle(nullptr); }
  TvxResources* GetStyle() override { return style; }
  void SetStyle(TvxResources* Value) override {
    if (style) {
      style->RemoveSceneRef(this);
      style->RemoveFreeNotification(this);
    }
    style = Value;
    if (style) {
      style->AddSceneRef(this);
      style->FreeNotification(this);
    }
  }
  void UpdateStyle() override {
    ++styleUpdates;
    FakeScene::UpdateStyle();
  }
  void Notification(rtl::TComponent* AComponent, rtl::TOperation Operation) override {
    if (Operation == rtl::opRemove && AComponent == style) style = nullptr;
    FakeScene::Notification(AComponent, Operation);
  }
  TvxResources* style = nullptr;
  int styleUpdates = 0;
};

const char* HostStyleText =
    "object TvxBackground\r\n"
    "  object TvxBackground\r\n"
    "    ResourceName = 'HudButtonstyle'\r\n"
    "    Fill.Color = '#FF112233'\r\n"
    "  end\r\n"
    "end\r\n";

// The library started for each test, as the program starts it.
class Controls : public ::testing::Test {
protected:
  void SetUp() override { LibraryStartup(); }
  void TearDown() override { LibraryShutdown(); }
};

// The fill colour of a style that is a background, the stroke colour of one that is a
// shape (the built-in button styles differ by it), or 0 without a style.
TvxColor StyleColor(TvxControl* C) {
  if (auto* part = dynamic_cast<TvxBackground*>(C->Style())) return part->Fill()->Color();
  if (auto* shape = dynamic_cast<TvxShape*>(C->Style())) return shape->Stroke()->Color();
  return 0;
}

template <class T>
std::unique_ptr<T> Styled(const std::string& Resource = {}) {
  auto c = std::make_unique<T>(nullptr);
  if (!Resource.empty()) c->SetResource(Resource);
  c->ApplyResource();
  return c;
}

using vgtest::TextOf;

TEST_F(Controls, TheBuiltInStyleGivesEachClassThePartNamedAfterIt) {
  EXPECT_EQ(TvxControl::StyleNameOf("TvxButton"), "Buttonstyle");
  EXPECT_EQ(TvxControl::StyleNameOf("TvxHudButton"), "HudButtonstyle");
  // The parts are named in lower case: the look-up ignores case.
  EXPECT_EQ(StyleColor(Styled<TvxButton>().get()), 0xFF9A9A9Au);
  EXPECT_EQ(StyleColor(Styled<TvxHudButton>().get()), 0x60FFFFFFu);
  // No part of its own: its parent class's, one class up only.
  EXPECT_EQ(StyleColor(Styled<TvxFancyButton>().get()), 0x60FFFFFFu);
  EXPECT_EQ(Styled<TvxFancierButton>()->Style(), nullptr);
}

TEST_F(Controls, TheHostsStyleComesFirstButNeverForTheParentClass) {
  StyledScene scene;
  std::unique_ptr<TvxResources> style(new TvxResources(nullptr));
  style->Resource()->SetText(HostStyleText);
  scene.SetStyle(style.get());
  auto make = [&](TvxControl* C) {
    scene.AddObject(C);
    C->ApplyResource();
    return StyleColor(C);
  };
  std::unique_ptr<TvxControl> hud(new TvxHudButton(nullptr)), fancy(new TvxFancyButton(nullptr)),
      plain(new TvxButton(nullptr));
  EXPECT_EQ(make(hud.get()), 0xFF112233u);
  EXPECT_EQ(make(plain.get()), 0xFF9A9A9Au);  // the host has none: the built-in one
  EXPECT_EQ(make(fancy.get()), 0x60FFFFFFu);  // the parent's part of the built-in style
}

TEST_F(Controls, AResourceNameIsLookedUpInTheHostTheBuiltInStyleAndTheLiveResources) {
  EXPECT_EQ(StyleColor(Styled<TvxButton>("HUDBUTTONSTYLE").get()), 0x60FFFFFFu);
  EXPECT_EQ(Styled<TvxButton>("nosuchstyle")->Style(), nullptr);
  // A stored object alive anywhere, found by its resource name, is copied.
  std::unique_ptr<TvxBackground> loose(new TvxBackground(nullptr));
  loose->SetResourceName("loosepart");
  loose->Fill()->SetSolidColor(0xFF445566u);
  auto c = Styled<TvxButton>("loosepart");
  ASSERT_NE(c->Style(), nullptr);
  EXPECT_NE(c->Style(), loose.get());
  EXPECT_EQ(StyleColor(c.get()), 0xFF445566u);
  EXPECT_EQ(c->Style()->ResourceName(), "");
}

TEST_F(Controls, TheStyleIsTheFirstChildFillingTheControlLockedAndNeverStored) {
  FakeScene scene;
  std::unique_ptr<TvxButton> c(new TvxButton(nullptr));
  c->SetBounds(0, 0, 120, 30);
  auto* own = new TvxBackground(nullptr);
  c->AddObject(own);
  c->AddObject(new TvxBackground(nullptr));
  scene.AddObject(c.get());
  EXPECT_EQ(c->Style(), nullptr);  // nothing until it is needed
  EXPECT_EQ(c->GetChildrenCount(), 2);
  c->BeforePaint();  // the first paint applies it
  TvxVisualObject* style = c->Style();
  ASSERT_NE(style, nullptr);
  EXPECT_EQ(c->GetChild(0), style);
  EXPECT_EQ(c->GetChild(1), own);
  EXPECT_EQ(style->Align(), vaContents);
  EXPECT_EQ(style->Width(), 120);
  EXPECT_EQ(style->Height(), 30);
  EXPECT_FALSE(style->Stored());
  EXPECT_FALSE(style->DesignHide());
  EXPECT_TRUE(style->Locked());
  TvxObject* inner = c->FindResource("hover");  // the style's parts are the control's
  ASSERT_NE(inner, nullptr);
  EXPECT_TRUE(inner->Visual()->Locked());
  EXPECT_EQ(style->Owner(), c.get());
  EXPECT_EQ(c->applyStyles, 1);
  // Written without its style: the copy from the built-in style is nowhere in the text.
  const std::string text = TextOf(c.get());
  EXPECT_EQ(text.find("9A9A9A"), std::string::npos) << text;
  EXPECT_EQ(text.find("FAFAFA"), std::string::npos) << text;
  // From outside the control, its parts are not found.
  std::unique_ptr<TvxVisualObject> parent(new TvxVisualObject(nullptr));
  parent->AddObject(c.get());
  EXPECT_EQ(parent->FindResource("hover"), nullptr);
  c->SetParent(nullptr);
}

TEST_F(Controls, SettingTheResourceAgainFreesTheOldStyleAfterFreeStyle) {
  std::unique_ptr<TvxButton> c(new TvxButton(nullptr));
  c->SetResource("buttonstyle");
  TvxVisualObject* first = c->Style();
  ASSERT_NE(first, nullptr);
  // The old tree must still be alive when FreeStyle runs.
  struct Watch : IvxFreeNotification {
    TvxButton* control;
    void FreeNotification(rtl::TObject*) override { control->log.push_back("freed"); }
  } watch;
  watch.control = c.get();
  first->AddFreeNotify(&watch);
  c->SetResource("hudbuttonstyle");
  EXPECT_EQ(c->log, (std::vector<std::string>{"FreeStyle", "freed"}));
  EXPECT_EQ(StyleColor(c.get()), 0x60FFFFFFu);
  EXPECT_EQ(c->GetChildrenCount(), 1);
}

TEST_F(Controls, NothingKeepsAFreedStyleStyleResourceOrBoundControl) {
  StyledScene scene;
  auto* style = new TvxResources(nullptr);
  style->Resource()->SetText(HostStyleText);
  scene.SetStyle(style);
  std::unique_ptr<TvxButton> c(new TvxHudButton(nullptr));
  scene.AddObject(c.get());
  c->ApplyResource();
  ASSERT_EQ(StyleColor(c.get()), 0xFF112233u);
  // The style freed by someone else.
  c->Style()->Free();
  EXPECT_EQ(c->Style(), nullptr);
  EXPECT_EQ(c->freeStyles, 1);
  c->UpdateStyle();
  ASSERT_NE(c->Style(), nullptr);
  c->DeleteChildren();
  EXPECT_EQ(c->Style(), nullptr);
  // The host's style resource freed: the host forgets it, the control falls back.
  delete style;
  EXPECT_EQ(scene.GetStyle(), nullptr);
  c->UpdateStyle();
  EXPECT_EQ(StyleColor(c.get()), 0x60FFFFFFu);
  // A binding source and a bound control freed.
  auto* source = new TvxValueBox(nullptr);
  auto* bound = new TvxValueBox(nullptr);
  std::unique_ptr<TvxValueBox> other(new TvxValueBox(nullptr));
  bound->SetBindingSource(source);
  other->SetBindingSource(source);
  delete bound;
  EXPECT_EQ(source->BindingObjectCount(), 1);
  source->value = std::string("after");
  source->UpdateBindings();
  delete source;
  EXPECT_EQ(other->BindingSource(), nullptr);
  EXPECT_EQ(std::get<std::string>(other->value), "after");
}

TEST_F(Controls, BoundControlsFollowTheirSourcesData) {
  std::unique_ptr<TvxValueBox> source(new TvxValueBox(nullptr)), a(new TvxValueBox(nullptr)),
      b(new TvxValueBox(nullptr));
  source->value = std::string("first");
  a->SetBindingSource(source.get());
  EXPECT_EQ(std::get<std::string>(a->value), "first");  // at once
  b->SetBindingSource(source.get());
  b->SetBindingSource(source.get());
  EXPECT_EQ(source->BindingObjectCount(), 2);
  source->value = std::string("second");
  source->UpdateBindings();
  EXPECT_EQ(std::get<std::string>(a->value), "second");
  EXPECT_EQ(std::get<std::string>(b->value), "second");
  a->SetBindingSource(nullptr);
  source->value = std::string("third");
  source->UpdateBindings();
  EXPECT_EQ(std::get<std::string>(a->value), "second");
  EXPECT_EQ(std::get<std::string>(b->value), "third");
}

TEST_F(Controls, ChangingTheStyleResourceReappliesEveryHostsStyles) {
  StyledScene scene;
  std::unique_ptr<TvxResources> style(new TvxResources(nullptr));
  scene.SetStyle(style.get());
  std::unique_ptr<TvxHudButton> c(new TvxHudButton(nullptr));
  scene.AddObject(c.get());
  c->ApplyResource();
  EXPECT_EQ(StyleColor(c.get()), 0x60FFFFFFu);
  style->Resource()->SetText(HostStyleText);
  EXPECT_EQ(StyleColor(c.get()), 0xFF112233u);
  ASSERT_NE(style->Root(), nullptr);
  // Streamed as the binary "ResourcesBin", read back into a tree.
  std::unique_ptr<TvxResources> copy(new TvxResources(nullptr));
  {
    rtl::TMemoryStream s;
    rtl::TWriter(&s, 1024).WriteRootComponent(style.get());
    s.SetPosition(0);
    EXPECT_NE(std::string(static_cast<const char*>(s.Memory()), static_cast<size_t>(s.Size())).find("ResourcesBin"),
              std::string::npos);
    LoadObjectFromBinaryStream(copy.get(), &s);
  }
  ASSERT_NE(copy->Root(), nullptr);
  ASSERT_NE(copy->Root()->FindResource("hudbuttonstyle"), nullptr);
  // Cleared: the tree goes and the host falls back to the built-in style.
  const int updates = scene.styleUpdates;
  style->Resource()->Clear();
  EXPECT_EQ(style->Root(), nullptr);
  EXPECT_EQ(scene.styleUpdates, updates + 1);
  EXPECT_EQ(StyleColor(c.get()), 0x60FFFFFFu);
  // A text that yields no object leaves no tree.
  style->Resource()->SetText("object\r\n");
  EXPECT_EQ(style->Root(), nullptr);
}

TEST_F(Controls, AContentHasItsCompoundControlLaidOutWhenItsChildrenMove) {
  struct Compound : TvxVisualObject {
    using TvxVisualObject::TvxVisualObject;
    void Realign() override {
      ++realigns;
      TvxVisualObject::Realign();
    }
    int realigns = 0;
  };
  FakeScene scene;
  std::unique_ptr<Compound> compound(new Compound(nullptr));
  compound->SetBounds(0, 0, 100, 60);
  auto* content = new TvxContent(nullptr);
  content->SetAlign(vaClient);
  compound->AddObject(content);
  auto* inner = new TvxVisualObject(nullptr);
  inner->SetAlign(vaTop);
  content->AddObject(inner);
  scene.AddObject(compound.get());
  EXPECT_EQ(content->Width(), 100);
  EXPECT_EQ(inner->Width(), 100);
  const int before = compound->realigns;
  inner->SetHeight(30);
  EXPECT_EQ(compound->realigns, before + 1);
  compound->SetWidth(80);  // and the other way round, without going round in circles
  EXPECT_EQ(inner->Width(), 80);
}

TEST_F(Controls, AnActionsValuesReachTheControlWhileItStillShowsThem) {
  // A control with a text, as the text controls have.
  struct Labelled : TvxControl {
    using TvxControl::TvxControl;
    bool GetActionText(std::u16string& Text) const override {
      Text = text;
      return true;
    }
    void SetActionText(const std::u16string& Value) override { text = Value; }
    std::u16string text;
  };
  std::unique_ptr<rtl::TCustomAction> action(new rtl::TCustomAction(nullptr));
  action->SetCaption("Save");
  action->SetHint("Saves");
  int executed = 0, updated = 0;
  action->OnExecute = [&](rtl::TObject*) { ++executed; };
  action->OnUpdate = [&](rtl::TObject*) { ++updated; };
  std::unique_ptr<Labelled> c(new Labelled(nullptr)), other(new Labelled(nullptr));
  c->SetAction(action.get());
  other->SetAction(action.get());
  EXPECT_EQ(c->text, u"Save");
  EXPECT_EQ(c->Hint(), u"Saves");
  c->OnClick(c.get());
  EXPECT_EQ(executed, 1);
  c->InitiateAction();
  EXPECT_EQ(updated, 1);
  // Every change of the action reaches its controls whole.
  c->SetHint(u"mine");
  action->SetCaption("Store");
  action->SetEnabled(false);
  action->SetVisible(false);
  EXPECT_EQ(c->text, u"Store");
  EXPECT_EQ(c->Hint(), u"Saves");
  EXPECT_FALSE(c->Enabled());
  EXPECT_FALSE(c->Visible());
  // A link alone writes a new value only into a client that still shows the old one.
  std::unique_ptr<Labelled> kept(new Labelled(nullptr)), following(new Labelled(nullptr));
  kept->SetHint(u"mine");
  following->SetHint(u"Saves");
  TvxControlActionLink keptLink(kept.get()), followingLink(following.get());
  keptLink.SetAction(action.get());
  followingLink.SetAction(action.get());
  action->SetHint("Writes the file");
  EXPECT_EQ(kept->Hint(), u"mine");
  EXPECT_EQ(following->Hint(), u"Writes the file");
  EXPECT_EQ(other->Hint(), u"Writes the file");
  keptLink.SetAction(nullptr);
  followingLink.SetAction(nullptr);
  // A hint asked for goes through the action's handler and is shown.
  action->OnHint = [](std::string& Hint, bool& Show) {
    Hint += "!";
    Show = false;
  };
  TvxControlActionLink link(c.get());
  link.SetAction(action.get());
  std::string hint = "h";
  EXPECT_TRUE(link.DoShowHint(hint));
  EXPECT_EQ(hint, "h!");
  link.SetAction(nullptr);
  // Freed: every control forgets it.
  action.reset();
  EXPECT_EQ(c->GetAction(), nullptr);
  EXPECT_EQ(other->GetAction(), nullptr);
  c->InitiateAction();
}

TEST_F(Controls, ResourceObjectsTakeTheirNameAsResourceNameUnlessTheyHaveOne) {
  std::unique_ptr<TvxBrushObject> brush(new TvxBrushObject(nullptr));
  EXPECT_EQ(brush->Brush()->Style(), vgBrushSolid);
  EXPECT_EQ(brush->Brush()->Color(), 0xFFFFFFFFu);
  brush->SetName("Accent");
  EXPECT_EQ(brush->ResourceName(), "Accent");
  EXPECT_EQ(FindResourceObject("accent"), brush.get());
  std::unique_ptr<TvxBitmapObject> bitmap(new TvxBitmapObject(nullptr));
  EXPECT_EQ(bitmap->Bitmap()->Width(), 1);
  EXPECT_EQ(bitmap->Bitmap()->Height(), 1);
  bitmap->SetResourceName("kept");
  bitmap->SetName("Renamed");
  EXPECT_EQ(bitmap->ResourceName(), "kept");
  std::unique_ptr<TvxPathObject> path(new TvxPathObject(nullptr));
  EXPECT_TRUE(path->Path()->IsEmpty());
  // A brush that names the object paints with its brush.
  brush->Brush()->SetSolidColor(0xFF00FF00u);
  TvxBrush user(vgBrushResource, 0);
  user.Resource()->SetResourceName("Accent");
  EXPECT_EQ(user.GetSolidColor(), 0xFF00FF00u);
}

TEST_F(Controls, ABackgroundsFillStandsInForItsStyle) {
  std::unique_ptr<TvxCanvas> canvas = TvxCanvasGdiPlus::ClassRef()->Create(40, 40);
  canvas->Clear(0);
  // Counts the repaint requests made while it paints.
  struct PaintingScene : FakeScene {
    using FakeScene::FakeScene;
    void AddUpdateRect(const TvxRect& R) override {
      if (painting) ++requestsWhilePainting;
      FakeScene::AddUpdateRect(R);
    }
    void PaintNow() {
      painting = true;
      Paint();
      painting = false;
    }
    bool painting = false;
    int requestsWhilePainting = 0;
  } scene(canvas.get());
  std::unique_ptr<TvxBackground> b(new TvxBackground(nullptr));
  EXPECT_EQ(b->Fill()->Style(), vgBrushSolid);
  EXPECT_EQ(b->Fill()->Color(), 0xFFE0E0E0u);
  b->SetBounds(0, 0, 40, 40);
  b->Fill()->SetStyle(vgBrushNone);
  scene.AddObject(b.get());
  b->SetResource("buttonstyle");
  auto at = [&] { return canvas->BufferBits()[20 * 40 + 20]; };
  scene.PaintNow();
  // The style's face: an opaque light grey.
  const TvxColor face = at();
  EXPECT_EQ(AlphaOf(face), 0xFF);
  EXPECT_GE(face & 0xFF, 0xE8u);
  EXPECT_EQ((face >> 8) & 0xFF, face & 0xFF);
  b->Fill()->SetStyle(vgBrushSolid);
  b->Fill()->SetSolidColor(0xFF800000u);
  scene.PaintNow();
  EXPECT_EQ(at(), 0xFF800000u);
  EXPECT_EQ(scene.requestsWhilePainting, 0);
  EXPECT_EQ(b->Style()->Opacity(), 1);
}

// An opaque picture of sharp red and blue blocks: JPEG smears every edge between them.
void PaintBlocks(TvxBitmap& B) {
  B.SetSize(16, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) B.Bits()[y * 16 + x] = (x / 4 + y / 4) % 2 ? 0xFFFF0000u : 0xFF0000FFu;
}

// The largest difference of one channel between two pictures of one size; -1 for other sizes.
int ChannelError(TvxBitmap& A, TvxBitmap& B) {
  if (A.Width() != B.Width() || A.Height() != B.Height()) return -1;
  int worst = 0;
  for (int i = 0; i < A.Width() * A.Height(); ++i)
    for (int shift = 0; shift < 32; shift += 8)
      worst = std::max(worst, std::abs(int(A.Bits()[i] >> shift & 255) - int(B.Bits()[i] >> shift & 255)));
  return worst;
}

TEST_F(Controls, CopiesInsideTheProgramKeepEveryPixelOfAnOpaquePicture) {
  std::unique_ptr<TvxImage> loose(new TvxImage(nullptr));
  loose->SetResourceName("blockpart");
  PaintBlocks(*loose->Bitmap());
  // The style a control takes is a copy...
  auto c = Styled<TvxButton>("blockpart");
  auto* style = dynamic_cast<TvxImage*>(c->Style());
  ASSERT_NE(style, nullptr);
  EXPECT_EQ(ChannelError(*style->Bitmap(), *loose->Bitmap()), 0);
  // ...so is a clone, again and again...
  std::unique_ptr<TvxObject> copy(loose->Clone(nullptr));
  for (int i = 0; i < 4; ++i) copy.reset(copy->Clone(nullptr));
  auto* cloned = dynamic_cast<TvxImage*>(copy.get());
  ASSERT_NE(cloned, nullptr);
  EXPECT_EQ(ChannelError(*cloned->Bitmap(), *loose->Bitmap()), 0);
  // ...and the text the designer copies to its own clipboard.
  rtl::TStringStream clip("");
  loose->SaveToTextStream(&clip, true);
  clip.SetPosition(0);
  std::unique_ptr<rtl::TComponent> pasted(CreateObjectFromText(nullptr, &clip));
  auto* image = dynamic_cast<TvxImage*>(pasted.get());
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(ChannelError(*image->Bitmap(), *loose->Bitmap()), 0);
  // A file still holds the opaque picture as JPEG.
  rtl::TMemoryStream file;
  loose->SaveToBinaryStream(&file);
  const std::string bytes(static_cast<const char*>(file.Memory()), static_cast<size_t>(file.Size()));
  EXPECT_NE(bytes.find("\xFF\xD8\xFF"), std::string::npos);
}

}  // namespace

TEST(ControlTabOrder, IsPublishedAndMovesAControlAmongItsSiblings) {
  std::unique_ptr<TvxControl> parent(new TvxButton(nullptr));
  TvxControl* kids[3];
  for (auto*& k : kids) {
    k = new TvxButton(nullptr);
    parent->AddObject(k);
  }
  rtl::SetPropValue(kids[0], "TabOrder", rtl::TPropValue(int64_t{99}));
  EXPECT_EQ(rtl::GetOrdProp(kids[0], "TabOrder"), 2);
  EXPECT_EQ(kids[1]->GetTabOrder(), 0);
  // A control outside any parent has no place in a tab order, which is the default.
  std::unique_ptr<TvxControl> alone(new TvxButton(nullptr));
  EXPECT_TRUE(rtl::IsDefaultPropertyValue(alone.get(), rtl::GetPropInfo(alone.get(), "TabOrder")));
}

}  // namespace controls_test
