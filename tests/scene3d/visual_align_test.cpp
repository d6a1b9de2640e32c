// The layout of a visual object's children by Align, and the placing of screen layers by
// their layer alignment in the host's client area or in a parent layer.
#include <gtest/gtest.h>

#include <memory>

#include "SceneFakes.h"
#include "platform/rtl/TypInfo.h"
#include "scene3d/Objects.h"
#include "scene3d/VisualObjects.h"

namespace visual_align_test {

using namespace dx;
using dxtest::FakeScene;

namespace {

// A screen layer as far as the layout sees one.
class Layer : public TdxVisualObject {
public:
  Layer(rtl::TComponent* AOwner, TdxLayerAlign A, float W, float H) : TdxVisualObject(AOwner), align_(A) {
    SetProjection(dxProjectionScreen);
    SetSizeNoChange(W, H, 1);
  }
  bool IsLayer() const override { return true; }
  TdxLayerAlign LayerAlign() const override { return align_; }

private:
  TdxLayerAlign align_;
};

struct Host {
  Host(float W, float H) {
    root = new TdxVisualObject(nullptr);
    scene.AddObject(root);
    root->SetWidth(W);
    root->SetHeight(H);
  }
  TdxVisualObject* Child(TdxAlign A, float W, float H, TdxPoint3D At = {}) {
    auto* c = new TdxVisualObject(nullptr);
    c->SetSizeNoChange(W, H, 1);
    c->Position()->SetPoint(At);
    root->AddObject(c);
    c->SetAlign(A);
    return c;
  }
  FakeScene scene;
  TdxVisualObject* root;
};

void ExpectPlace(const TdxVisualObject* O, TdxPoint3D P, float W, float H) {
  EXPECT_NEAR(O->Position()->X(), P.X, 1e-4f);
  EXPECT_NEAR(O->Position()->Y(), P.Y, 1e-4f);
  EXPECT_NEAR(O->Position()->Z(), P.Z, 1e-4f);
  EXPECT_NEAR(O->Width(), W, 1e-4f);
  EXPECT_NEAR(O->Height(), H, 1e-4f);
}

}  // namespace

TEST(DxAlign, TopChildrenStackInTheOrderOfTheirPlaceAndStretchAcross) {
  // Both are in place before the first layout (too narrow an object lays nothing out).
  Host h(0.1f, 10);
  auto* lower = h.Child(dxTop, 4, 2, {0, 5, 0});
  auto* upper = h.Child(dxTop, 4, 2, {0, 1, 0});
  h.root->SetWidth(10);
  ExpectPlace(upper, {0, -4, 0}, 10, 2);
  ExpectPlace(lower, {0, -2, 0}, 10, 2);
  // The matrix follows the new place.
  EXPECT_NEAR(upper->AbsolutePosition().Y, -4, 1e-4f);
}

TEST(DxAlign, SidesTakeStripsWithTheirPaddingAndTheClientTakesTheRest) {
  Host h(10, 6);
  auto* client = h.Child(dxClient, 1, 1);
  auto* right = h.Child(dxRight, 1, 1);
  auto* left = h.Child(dxLeft, 2, 1);
  left->Padding()->SetLeft(1);
  ExpectPlace(left, {-3, 0, 0}, 2, 6);
  ExpectPlace(right, {4.5f, 0, 0}, 1, 6);
  ExpectPlace(client, {1, 0, 0}, 6, 6);
  // The object grows: the strips stay, the client takes the new room.
  h.root->SetWidth(14);
  ExpectPlace(client, {1, 0, 0}, 10, 6);
  ExpectPlace(right, {6.5f, 0, 0}, 1, 6);
}

TEST(DxAlign, ContentsCentreCornersAndScaleFollowTheObject) {
  Host h(10, 10);
  auto* contents = h.Child(dxContents, 1, 1);
  contents->Padding()->SetAll(1, 2, 3, 0, 0, 0);
  ExpectPlace(contents, {-1, 1, 0}, 6, 8);
  auto* centre = h.Child(dxCenter, 3, 3);
  ExpectPlace(centre, {-0.5f, -0.5f, 0}, 3, 3);  // the margin is cut to whole units

  auto* topLeft = h.Child(dxTopLeft, 1, 1, {-4, -4, 0});
  auto* bottomRight = h.Child(dxBottomRight, 1, 1, {4, 4, 0});
  auto* scaled = h.Child(dxScale, 2, 2, {2, 2, 0});
  h.root->SetWidth(20);
  ExpectPlace(topLeft, {-9, -4, 0}, 1, 1);
  ExpectPlace(bottomRight, {9, 4, 0}, 1, 1);
  ExpectPlace(scaled, {4, 2, 0}, 4, 2);
  ExpectPlace(contents, {-1, 1, 0}, 16, 8);
}

TEST(DxAlign, AScaledChildAddedLaterStartsFromTheSizeItFinds) {
  // Sized before it had any child.
  Host h(10, 10);
  auto* scaled = h.Child(dxScale, 2, 2, {1, 1, 0});
  ExpectPlace(scaled, {1, 1, 0}, 2, 2);
  h.root->SetWidth(20);
  ExpectPlace(scaled, {2, 1, 0}, 4, 2);
  // Resized while it had only a child without Align.
  Host g(10, 10);
  g.Child(dxNone, 1, 1);
  g.root->SetHeight(5);
  EXPECT_EQ(g.root->LastHeight(), 5);
  auto* later = g.Child(dxScale, 2, 2, {1, 1, 0});
  ExpectPlace(later, {1, 1, 0}, 2, 2);
  g.root->SetHeight(10);
  ExpectPlace(later, {1, 2, 0}, 2, 4);
  // Read from a stream without children: no layout ran while its size was read.
  rtl::RegisterClasses<TdxVisualObject>();
  std::unique_ptr<TdxObject> read =
      CreateDxObjectFromText(nullptr,
                             "object TdxVisualObject\r\n  Width = 10.0\r\n  Height = 10.0\r\n"
                             "  Depth = 10.0\r\nend\r\n");
  auto* loaded = dynamic_cast<TdxVisualObject*>(read.get());
  ASSERT_NE(loaded, nullptr);
  auto* fromText = new TdxVisualObject(nullptr);
  fromText->SetSizeNoChange(2, 2, 2);
  fromText->Position()->SetPoint({1, 1, 1});
  fromText->SetAlign(dxScale);
  loaded->AddObject(fromText);
  ExpectPlace(fromText, {1, 1, 1}, 2, 2);
  EXPECT_NEAR(fromText->Depth(), 2, 1e-4f);
  loaded->SetWidth(20);
  ExpectPlace(fromText, {2, 1, 1}, 4, 2);
  // Sized while too narrow to lay out: a corner child measures from the size it came to.
  Host n(0.1f, 10);
  auto* corner = n.Child(dxTopRight, 1, 1, {0, -4.5f, 0});
  n.root->SetWidth(10.1f);
  ExpectPlace(corner, {5, -4.5f, 0}, 1, 1);
}

TEST(DxAlign, NarrowObjectsHiddenChildrenAndUnalignedChildrenAreLeftAlone) {
  Host h(0.1f, 10);
  auto* top = h.Child(dxTop, 4, 2, {0, 3, 0});
  ExpectPlace(top, {0, 3, 0}, 4, 2);
  h.root->SetWidth(10);
  ExpectPlace(top, {0, -4, 0}, 10, 2);
  auto* hidden = h.Child(dxNone, 4, 2, {0, 3, 0});
  hidden->SetVisible(false);
  hidden->SetAlign(dxBottom);
  auto* free = h.Child(dxNone, 4, 2, {1, 1, 0});
  auto* vertCenter = h.Child(dxVertCenter, 4, 2, {2, 2, 0});
  h.root->SetHeight(20);
  ExpectPlace(hidden, {0, 3, 0}, 4, 2);
  ExpectPlace(free, {1, 1, 0}, 4, 2);
  ExpectPlace(vertCenter, {2, 2, 0}, 4, 2);
  ExpectPlace(top, {0, -9, 0}, 10, 2);
}

TEST(DxAlign, LayersShareTheClientAreaOfThe800x600Window) {
  FakeScene scene;  // 800 x 600
  auto* root = new TdxVisualObject(nullptr);
  scene.AddObject(root);
  auto* contents = new Layer(nullptr, dxLayerContents, 4, 3);
  auto* client = new Layer(nullptr, dxLayerClient, 4, 3);
  auto* top = new Layer(nullptr, dxLayerTop, 4, 50);
  auto* left = new Layer(nullptr, dxLayerLeft, 100, 3);
  auto* hidden = new Layer(nullptr, dxLayerBottom, 7, 7);
  auto* inCamera = new Layer(nullptr, dxLayerBottom, 7, 7);
  hidden->SetVisible(false);
  inCamera->SetProjection(dxProjectionCamera);
  for (TdxVisualObject* l : {contents, client, top, left, hidden, inCamera}) root->AddObject(l);
  root->Realign();
  ExpectPlace(top, {400, 25, 0}, 800, 50);
  ExpectPlace(left, {50, 325, 0}, 100, 550);
  ExpectPlace(client, {450, 325, 0}, 700, 550);
  ExpectPlace(contents, {400, 300, 0}, 800, 600);
  ExpectPlace(hidden, {0, 0, 0}, 7, 7);
  ExpectPlace(inCamera, {0, 0, 0}, 7, 7);
  // Inside a layer the area is the layer's own, centred on its origin.
  auto* inner = new Layer(nullptr, dxLayerTop, 1, 10);
  client->AddObject(inner);
  client->Realign();
  ExpectPlace(inner, {0, -270, 0}, 700, 10);
}

}  // namespace visual_align_test
