// Materials, fonts, mesh data, bitmap rectangles and lights: defaults, change events, copies,
// their text and binary stream forms.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "platform/rtl/Component.h"
#include "platform/rtl/Filer.h"
#include "platform/rtl/ObjectText.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TypInfo.h"
#include "scene3d/Light.h"
#include "scene3d/Materials.h"
#include "scene3d/MeshData.h"
#include "platform/win/Graphics.h"
#include "vg2d/core/Brushes.h"

namespace values_test {

namespace {

using namespace dx;

// An object-like component publishing the values as a 3D object does.
class ValueHolder : public rtl::TComponent {
  RTL_CLASS(ValueHolder, rtl::TComponent)
public:
  explicit ValueHolder(rtl::TComponent* AOwner = nullptr) : rtl::TComponent(AOwner) {}
  TdxMaterial* Material() const { return material_.get(); }
  void SetMaterial(TdxMaterial* Value) { material_->Assign(Value); }
  TdxFont* Font() const { return font_.get(); }
  void SetFont(TdxFont* Value) { font_->Assign(Value); }
  TdxMeshData* Data() const { return data_.get(); }
  void SetData(TdxMeshData* Value) { data_->Assign(Value); }

private:
  std::unique_ptr<TdxMaterial> material_ = std::make_unique<TdxMaterial>();
  std::unique_ptr<TdxFont> font_ = std::make_unique<TdxFont>();
  std::unique_ptr<TdxMeshData> data_ = std::make_unique<TdxMeshData>();
};

rtl::TClass ValueHolder::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<ValueHolder>()
                                          .Property("Material", &ValueHolder::Material, &ValueHolder::SetMaterial)
                                          .Property("Font", &ValueHolder::Font, &ValueHolder::SetFont)
                                          .Property("Data", &ValueHolder::Data, &ValueHolder::SetData)
                                          .Build();
  return &info;
}

std::string Binary(ValueHolder& H) {
  rtl::TMemoryStream s;
  {
    rtl::TWriter w(&s);
    w.WriteRootComponent(&H);
  }
  return std::string(static_cast<const char*>(s.Memory()), static_cast<size_t>(s.Size()));
}

std::string ToText(const std::string& BinaryForm) {
  rtl::TStringStream bin(BinaryForm), text;
  rtl::ObjectBinaryToText(&bin, &text);
  return text.DataString();
}

void Read(const std::string& BinaryForm, ValueHolder& Into) {
  rtl::TStringStream s(BinaryForm);
  rtl::TReader r(&s);
  r.ReadRootComponent(&Into);
}

TEST(DxMaterial, DefaultsAndTheirTextForms) {
  TdxMaterial m;
  EXPECT_EQ(m.Diffuse(), "#FF707070");
  EXPECT_EQ(m.Ambient(), "#FF303030");
  EXPECT_TRUE(m.Lighting());
  EXPECT_EQ(m.ShadeMode(), dxGouraud);
  EXPECT_EQ(m.FillMode(), dxSolid);
  EXPECT_EQ(m.BitmapMode(), dxTexModulate);
  EXPECT_EQ(m.BitmapTileX(), 1);
  EXPECT_EQ(m.BitmapTileY(), 1);
  EXPECT_EQ(m.Bitmap(), "");
  EXPECT_TRUE(m.BitmapRect()->IsEmpty());
  m.BitmapRect()->SetBottom(1);
  EXPECT_FALSE(m.BitmapRect()->IsEmpty()) << "empty only when all four are zero";
  EXPECT_EQ(m.Texture(), nullptr);
  EXPECT_EQ(m.GetBitmap(), nullptr);
}

TEST(DxMaterial, SettersNotifyOnlyRealChanges) {
  TdxMaterial m;
  int changes = 0;
  m.OnChange = [&](rtl::TObject*) { ++changes; };
  m.SetDiffuse("#ff707070");
  m.SetDiffuseColor(0xFF707070);
  m.SetLighting(true);
  m.SetBitmapTileX(1);
  EXPECT_EQ(changes, 0);
  m.SetDiffuse("#80FF0000");
  EXPECT_EQ(m.DiffuseColor(), 0x80FF0000u);
  m.SetAmbient("#FF000000");
  m.SetShadeMode(dxFlat);
  m.SetBitmap("Wood");
  m.BitmapRect()->SetRight(16);
  EXPECT_EQ(changes, 5) << "the rectangle's changes are the material's";

  m.SetBitmapTileX(0);
  EXPECT_FLOAT_EQ(m.BitmapTileX(), 0.01f);
  m.SetBitmapTileY(20);
  EXPECT_FLOAT_EQ(m.BitmapTileY(), 10);
  m.SetBitmapTileY(std::nanf(""));
  EXPECT_FLOAT_EQ(m.BitmapTileY(), 10);
  EXPECT_EQ(changes, 7);

  TdxBitmap texture(1, 1);
  m.SetTexture(&texture);
  EXPECT_EQ(changes, 8);
  EXPECT_EQ(m.GetBitmap(), &texture) << "a direct texture wins over the name";
}

TEST(DxMaterial, AssignCopiesAllButTheTextureAndNotifiesOnce) {
  TdxMaterial from, to;
  TdxBitmap texture(1, 1);
  from.SetDiffuseColor(0xFF102030);
  from.SetAmbient("#FF405060");
  from.SetLighting(false);
  from.SetBitmap("Stone");
  from.SetBitmapMode(dxTexReplace);
  from.SetBitmapTileX(2);
  from.SetBitmapTileY(3);
  from.BitmapRect()->SetLeft(1);
  from.BitmapRect()->SetBottom(9);
  from.SetFillMode(dxWireframe);
  from.SetShadeMode(dxFlat);
  from.SetTexture(&texture);

  to.SetDiffuseColor(0xFFFFFFFF);  // not the default: the copy must overwrite it
  int changes = 0;
  to.OnChange = [&](rtl::TObject*) { ++changes; };
  to.Assign(&from);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(to.DiffuseColor(), 0xFF102030u);
  EXPECT_EQ(to.Ambient(), "#FF405060");
  EXPECT_FALSE(to.Lighting());
  EXPECT_EQ(to.Bitmap(), "Stone");
  EXPECT_EQ(to.BitmapMode(), dxTexReplace);
  EXPECT_EQ(to.BitmapTileX(), 2);
  EXPECT_EQ(to.BitmapTileY(), 3);
  EXPECT_EQ(to.BitmapRect()->Left(), 1);
  EXPECT_EQ(to.BitmapRect()->Bottom(), 9);
  EXPECT_EQ(to.FillMode(), dxWireframe);
  EXPECT_EQ(to.ShadeMode(), dxFlat);
  EXPECT_EQ(to.Texture(), nullptr);
  EXPECT_EQ(from.Texture(), &texture);
}

TEST(DxFont, DefaultsCopiesAndThe2DFont) {
  TdxFont f;
  EXPECT_EQ(f.Family(), "Tahoma");
  EXPECT_EQ(f.Size(), 12);
  EXPECT_EQ(f.Style(), dxFontRegular);

  vg::TvxFont flat;
  flat.SetFamily("Verdana");
  flat.SetSize(9);
  flat.SetStyle(vg::vgFontBoldItalic);
  int changes = 0;
  f.OnChange = [&](rtl::TObject*) { ++changes; };
  f.Assign(&flat);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(f.Family(), "Verdana");
  EXPECT_EQ(f.Size(), 9);
  EXPECT_EQ(f.Style(), dxFontBoldItalic);

  flat.SetStyle(vg::vgFontUnderline);
  f.Assign(&flat);
  EXPECT_EQ(f.Style(), dxFontBoldItalic) << "a style the 3D font lacks leaves Style";

  f.SetStyle(dxFontItalic);
  f.SetSize(20);
  vg::TvxFont to;
  to.Assign(&f);
  EXPECT_EQ(to.Family(), "Verdana");
  EXPECT_EQ(to.Size(), 20);
  EXPECT_EQ(to.Style(), vg::vgFontItalic);
}

TEST(DxFont, TakesAndGivesTheClassLibrarysFont) {
  win::TFont lib;
  lib.Name = "Verdana";
  lib.SetHeight(-13);
  lib.Style.Include(win::fsBold);
  TdxFont f;
  int changes = 0;
  f.OnChange = [&](rtl::TObject*) { ++changes; };
  f.Assign(&lib);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(f.Family(), "Verdana");
  EXPECT_EQ(f.Size(), 13);
  EXPECT_EQ(f.Style(), dxFontBold);
  lib.Style.Include(win::fsStrikeOut);
  f.Assign(&lib);
  EXPECT_EQ(f.Style(), dxFontBold) << "a set with strike-out leaves Style";

  f.SetSize(9.5f);
  f.SetStyle(dxFontBoldItalic);
  win::TFont out;
  out.Assign(&f);
  EXPECT_EQ(out.Name, "Verdana");
  EXPECT_EQ(out.Height(), -10);
  EXPECT_EQ(out.Style, (win::TFontStyles{win::fsBold, win::fsItalic}));
}

void MakeQuad(TdxMeshData& d) {
  d.Vertices() = {dxMeshVertex(0, 0, 0, 9, 9, 9, 0, 0), dxMeshVertex(1, 0, 0, 9, 9, 9, 1, 0),
                  dxMeshVertex(0, 1, 0, 9, 9, 9, 0, 1), dxMeshVertex(1, 1, 0, 9, 9, 9, 1, 1)};
  d.Indexes() = {0, 1, 2, 2, 1, 3};
}

void ExpectNormal(const TdxMeshVertex& V, float X, float Y, float Z) {
  EXPECT_NEAR(V.NX, X, 1e-6f);
  EXPECT_NEAR(V.NY, Y, 1e-6f);
  EXPECT_NEAR(V.NZ, Z, 1e-6f);
}

TEST(DxMeshData, NormalsAreSummedPerVertexAndNotNormalised) {
  TdxMeshData d;
  MakeQuad(d);
  d.CalcNormals();
  ExpectNormal(d.Vertices()[0], 0, 0, 1);
  ExpectNormal(d.Vertices()[1], 0, 0, 2);
  ExpectNormal(d.Vertices()[2], 0, 0, 2);
  ExpectNormal(d.Vertices()[3], 0, 0, 1);

  // Four indexes: only the first triangle counts; the fourth vertex is indexed, so it is reset.
  d.Indexes() = {0, 1, 2, 3};
  d.Vertices()[3].NX = 5;
  d.CalcNormals();
  ExpectNormal(d.Vertices()[0], 0, 0, 1);
  ExpectNormal(d.Vertices()[3], 0, 0, 0);
}

TEST(DxMeshData, TrianglesNamingMissingVerticesAreSkipped) {
  TdxMeshData d;
  MakeQuad(d);
  d.Indexes() = {0, 1, 2, 2, 1, 60000};
  d.CalcNormals();  // must not write past the four vertices
  ExpectNormal(d.Vertices()[1], 0, 0, 1);
  ExpectNormal(d.Vertices()[3], 9, 9, 9);
}

TEST(DxMeshData, TextListsWriteAndReadBack) {
  TdxMeshData d;
  d.Vertices() = {dxMeshVertex(1, 2.5f, 3, 0, 0, 1, 0.5f, 1)};
  d.Indexes() = {0, 1, 2, 2, 3, 0};
  EXPECT_EQ(d.Points(), "1 2.5 3  ");
  EXPECT_EQ(d.Normals(), "0 0 1  ");
  EXPECT_EQ(d.TexCoordinates(), "0.5 1  ");
  EXPECT_EQ(d.TriangleIndices(), "0 1 2  2 3 0  ");

  int changes = 0;
  d.OnChange = [&](rtl::TObject*) { ++changes; };
  d.SetChanged(false);
  d.SetPoints("0,0,0  1 0 0\n0 1 -2.25");
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(d.IsChanged());
  ASSERT_EQ(d.Vertices().size(), 3u);
  EXPECT_EQ(d.Vertices()[2], dxMeshVertex(0, 1, -2.25f, 0, 0, 0, 0, 0));
  EXPECT_EQ(d.Vertices()[0].NZ, 1) << "the normals of kept vertices stay";
  d.SetTexCoordinates("1 1");
  EXPECT_EQ(d.Vertices().size(), 1u) << "cut to the vertices read";
  d.SetTriangleIndices("0 1 2  65535");
  EXPECT_EQ(d.Indexes(), (std::vector<std::uint16_t>{0, 1, 2, 65535}));
  EXPECT_EQ(changes, 3);
}

TEST(DxMeshData, BadTextRaisesAndChangesNothing) {
  TdxMeshData d;
  MakeQuad(d);
  int changes = 0;
  d.OnChange = [&](rtl::TObject*) { ++changes; };
  EXPECT_THROW(d.SetPoints("1 2 3 4"), rtl::EConvertError);
  EXPECT_THROW(d.SetPoints("1 x 3"), rtl::EConvertError);
  EXPECT_THROW(d.SetTriangleIndices("0 1 65536"), rtl::EConvertError);
  EXPECT_THROW(d.SetTriangleIndices("0 -1 2"), rtl::EConvertError);
  EXPECT_THROW(d.SetTriangleIndices("0 1.5 2"), rtl::EConvertError);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(d.Vertices().size(), 4u);
  EXPECT_EQ(d.Indexes().size(), 6u);
}

TEST(DxMeshData, BinaryFormByteForByte) {
  TdxMeshData d;
  d.Vertices() = {dxMeshVertex(1, 0, 0, 0, 0, 1, 0, 1)};
  d.Indexes() = {0, 0, 0};
  rtl::TMemoryStream s;
  d.WriteMesh(s);
  const unsigned char expected[] = {1, 0, 0,    0,                                         // one vertex
                                    0, 0, 0x80, 0x3F, 0, 0, 0,    0,    0, 0, 0,    0,     // position
                                    0, 0, 0,    0,    0, 0, 0,    0,    0, 0, 0x80, 0x3F,  // normal
                                    0, 0, 0,    0,    0, 0, 0x80, 0x3F,                    // texture
                                    3, 0, 0,    0,    0, 0, 0,    0,    0, 0};             // indexes
  ASSERT_EQ(s.Size(), 46);
  EXPECT_EQ(std::memcmp(s.Memory(), expected, 46), 0);

  s.SetPosition(0);
  TdxMeshData back;
  back.ReadMesh(s);
  EXPECT_EQ(back.Vertices(), d.Vertices());
  EXPECT_EQ(back.Indexes(), d.Indexes());
}

TEST(DxMeshData, BinaryFormWhoseCountsDoNotMatchItsLengthIsRefused) {
  TdxMeshData source;
  MakeQuad(source);
  rtl::TMemoryStream good;
  source.WriteMesh(good);
  const std::string bytes(static_cast<const char*>(good.Memory()), static_cast<size_t>(good.Size()));
  auto attempt = [](const std::string& Data) {
    TdxMeshData d;
    MakeQuad(d);
    d.Indexes() = {3};
    rtl::TStringStream s(Data);
    EXPECT_THROW(d.ReadMesh(s), rtl::EReadError);
    EXPECT_EQ(d.Vertices().size(), 4u);
    EXPECT_EQ(d.Indexes().size(), 1u);
  };
  attempt(bytes.substr(0, bytes.size() - 1));  // short by a byte
  attempt(bytes + "x");                        // a byte too many
  attempt(std::string("\xFF\xFF\xFF\x7F", 4) + bytes.substr(4));
  attempt(std::string("\xFF\xFF\xFF\xFF", 4) + bytes.substr(4));
  attempt("");
}

TEST(DxMeshData, AssignAndDestroyNotifications) {
  TdxMeshData source;
  MakeQuad(source);
  bool destroyed = false;
  {
    TdxMeshData d;
    int changes = 0;
    d.OnChange = [&](rtl::TObject*) { ++changes; };
    d.OnDestroy = [&](rtl::TObject*) { destroyed = true; };
    d.Assign(&source);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(d.IsChanged());
    EXPECT_EQ(d.Vertices(), source.Vertices());
    EXPECT_EQ(d.Indexes(), source.Indexes());
  }
  EXPECT_TRUE(destroyed);
}

TEST(DxValueStreams, OnlyChangedValuesAreWrittenAndAllReadBack) {
  ValueHolder h;
  // The diffuse colour is always written: the objects that publish a material start it at
  // random, so reading cannot take any colour as the one left out.
  EXPECT_EQ(ToText(Binary(h)), "object ValueHolder\r\n  Material.Diffuse = '#FF707070'\r\nend\r\n");

  h.Material()->SetDiffuse("#80102030");
  h.Material()->SetBitmapTileX(2.5f);
  h.Material()->BitmapRect()->SetRight(64);
  h.Material()->SetShadeMode(dxFlat);
  h.Font()->SetFamily("Arial");
  h.Font()->SetStyle(dxFontBold);
  MakeQuad(*h.Data());
  const std::string text = ToText(Binary(h));
  EXPECT_NE(text.find("Material.Diffuse = '#80102030'"), std::string::npos) << text;
  EXPECT_NE(text.find("Material.BitmapTileX = 2.5"), std::string::npos) << text;
  EXPECT_NE(text.find("Material.BitmapRect.right = 64"), std::string::npos) << text;
  EXPECT_NE(text.find("Material.ShadeMode = dxFlat"), std::string::npos) << text;
  EXPECT_EQ(text.find("Material.Ambient"), std::string::npos) << "defaults are not written";
  EXPECT_EQ(text.find("Font.Size"), std::string::npos);
  EXPECT_NE(text.find("Font.Family = 'Arial'"), std::string::npos) << text;
  EXPECT_NE(text.find("Data.Mesh = {"), std::string::npos) << text;
  EXPECT_EQ(text.find("Data.Points"), std::string::npos) << "the text lists are for editing only";

  ValueHolder back;
  Read(Binary(h), back);
  EXPECT_EQ(back.Material()->DiffuseColor(), 0x80102030u);
  EXPECT_EQ(back.Material()->BitmapTileX(), 2.5f);
  EXPECT_EQ(back.Material()->BitmapRect()->Right(), 64);
  EXPECT_EQ(back.Material()->ShadeMode(), dxFlat);
  EXPECT_EQ(back.Font()->Family(), "Arial");
  EXPECT_EQ(back.Font()->Style(), dxFontBold);
  EXPECT_EQ(back.Data()->Vertices(), h.Data()->Vertices());
  EXPECT_EQ(back.Data()->Indexes(), h.Data()->Indexes());
}

TEST(DxLight, KindAndPlaceFromItsAbsoluteMatrix) {
  TdxLight light;
  EXPECT_TRUE(light.Enabled());
  EXPECT_EQ(light.LightType(), dxLightDirectional);
  EXPECT_EQ(light.AbsoluteDirection(), dxVector(0, 1, 0, 0));
  EXPECT_EQ(light.AbsolutePosition(), dxVector(0, 0, 0, 1));

  // Turned a quarter about Z and moved: it shines along -X from (1, 2, 3).
  TdxMatrix m = dxQuaternionToMatrix(dxQuaternionFromAxisAngle(dxVector(0, 0, 1, 0), 90));
  m.M[3][0] = 1, m.M[3][1] = 2, m.M[3][2] = 3;
  light.SetAbsoluteMatrix(m);
  const TdxVector d = light.AbsoluteDirection();
  EXPECT_NEAR(d.X, -1, 1e-6f);
  EXPECT_NEAR(d.Y, 0, 1e-6f);
  EXPECT_EQ(d.W, 0);
  EXPECT_EQ(light.AbsolutePosition(), dxVector(1, 2, 3, 1));
  light.SetLightType(dxLightSpot);
  EXPECT_EQ(rtl::GetEnumProp(&light, "LightType"), "dxLightSpot");
}

}  // namespace

}  // namespace values_test
