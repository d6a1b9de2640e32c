// The material a 3D object is drawn with (colours, lighting, texture and how it is laid on) and
// the 3D library's font. Both notify their owner through OnChange, only on a real change.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/TypInfo.h"
#include "scene3d/Bitmaps.h"
#include "scene3d/Maths.h"
#include "scene3d/ValueText.h"

namespace dx {

RTL_ENUM_OF(TdxTexMode, std::uint8_t, dxTexModulate, dxTexReplace);
RTL_ENUM_OF(TdxFillMode, std::uint8_t, dxSolid, dxWireframe);
RTL_ENUM_OF(TdxShadeMode, std::uint8_t, dxFlat, dxGouraud);
RTL_ENUM_OF(TdxFontStyle, std::uint8_t, dxFontRegular, dxFontBold, dxFontItalic, dxFontBoldItalic);

class TdxMaterial : public rtl::TPersistent {
  RTL_CLASS(TdxMaterial, rtl::TPersistent)
public:
  TdxMaterial();
  ~TdxMaterial() override;

  // The colour of a new material; earlier texts left Diffuse out at this value.
  static constexpr TdxColor DefaultDiffuse = 0xFF707070;

  // Colours as published text ("#FF707070"); a setter compares the converted colour. Diffuse
  // is written into every stream, whatever its value (its owners start it at random).
  std::string Diffuse() const;
  void SetDiffuse(const std::string& Value) { SetDiffuseColor(dxTextToColor(Value)); }
  std::string Ambient() const;
  void SetAmbient(const std::string& Value) { SetAmbientColor(dxTextToColor(Value)); }
  TdxColor DiffuseColor() const { return diffuse_; }
  void SetDiffuseColor(TdxColor Value) {
    diffuseGiven_ = true;
    SetField(diffuse_, Value, &TdxMaterial::OnChange);
  }
  // The colour an owner starts its material in (no event): it counts as not given until a
  // setter, Assign or a stream gives one. An owner read from a text without Diffuse finds it
  // not given and takes DefaultDiffuse, the value that text left out.
  void StartDiffuse(TdxColor Value) {
    diffuse_ = Value;
    diffuseGiven_ = false;
  }
  bool DiffuseGiven() const { return diffuseGiven_; }
  TdxColor AmbientColor() const { return ambient_; }
  void SetAmbientColor(TdxColor Value) { SetField(ambient_, Value, &TdxMaterial::OnChange); }

  bool Lighting() const { return lighting_; }
  void SetLighting(bool Value) { SetField(lighting_, Value, &TdxMaterial::OnChange); }
  // The name of a bitmap resource.
  const std::string& Bitmap() const { return bitmap_; }
  void SetBitmap(const std::string& Value) { SetField(bitmap_, Value, &TdxMaterial::OnChange); }
  TdxTexMode BitmapMode() const { return bitmapMode_; }
  void SetBitmapMode(TdxTexMode Value) { SetField(bitmapMode_, Value, &TdxMaterial::OnChange); }
  // How often the texture repeats across the surface: held to 0.01..10 (NaN is ignored).
  float BitmapTileX() const { return bitmapTileX_; }
  void SetBitmapTileX(float Value) { SetTile(bitmapTileX_, Value); }
  float BitmapTileY() const { return bitmapTileY_; }
  void SetBitmapTileY(float Value) { SetTile(bitmapTileY_, Value); }
  // Owned; its changes are the material's changes. Setting it copies the given rectangle.
  TdxBitmapRect* BitmapRect() const { return bitmapRect_.get(); }
  void SetBitmapRect(TdxBitmapRect* Value);
  TdxFillMode FillMode() const { return fillMode_; }
  void SetFillMode(TdxFillMode Value) { SetField(fillMode_, Value, &TdxMaterial::OnChange); }
  TdxShadeMode ShadeMode() const { return shadeMode_; }
  void SetShadeMode(TdxShadeMode Value) { SetField(shadeMode_, Value, &TdxMaterial::OnChange); }

  // A bitmap set directly (not owned, not published, not copied by Assign); it takes the place
  // of the named Bitmap.
  TdxBitmap* Texture() const { return texture_; }
  void SetTexture(TdxBitmap* Value) { SetField(texture_, Value, &TdxMaterial::OnChange); }
  // The bitmap to draw with: Texture when set, else the named bitmap resource, else nil.
  TdxBitmap* GetBitmap() const;

  // From another material: everything published, then OnChange once.
  void Assign(const rtl::TPersistent* Source) override;

  rtl::TNotifyEvent OnChange;

private:
  void SetTile(float& Tile, float Value);

  TdxColor ambient_ = 0xFF303030;
  std::string bitmap_;
  TdxTexMode bitmapMode_ = dxTexModulate;
  bool lighting_ = true;
  TdxBitmap* texture_ = nullptr;
  TdxShadeMode shadeMode_ = dxGouraud;
  TdxFillMode fillMode_ = dxSolid;
  float bitmapTileX_ = 1;
  float bitmapTileY_ = 1;
  std::unique_ptr<TdxBitmapRect> bitmapRect_;
  TdxColor diffuse_ = DefaultDiffuse;
  bool diffuseGiven_ = true;
};

// Family and Size are written only when they differ from "Tahoma" and 12.
class TdxFont : public rtl::TPersistent {
  RTL_CLASS(TdxFont, rtl::TPersistent)
public:
  float Size() const { return size_; }
  void SetSize(float Value) { SetField(size_, Value, &TdxFont::OnChange); }
  const std::string& Family() const { return family_; }
  void SetFamily(const std::string& Value) { SetField(family_, Value, &TdxFont::OnChange); }
  TdxFontStyle Style() const { return style_; }
  void SetStyle(TdxFontStyle Value) { SetField(style_, Value, &TdxFont::OnChange); }

  // From a 3D font or a 2D font (vg::TvxFont): family, size and style, then OnChange once. A 2D
  // style that is neither bold nor italic nor regular (underline, strike-out) leaves Style. From
  // the class library's font (win::TFont) as the 2D font takes it (vg::FontFaceOf).
  void Assign(const rtl::TPersistent* Source) override;

  rtl::TNotifyEvent OnChange;

protected:
  // To a 2D font: family, size and style; to the class library's font as the 2D font gives
  // it (vg::PutFontFace).
  void AssignTo(rtl::TPersistent* Dest) const override;

private:
  float size_ = 12;
  std::string family_ = "Tahoma";
  TdxFontStyle style_ = dxFontRegular;
};

}  // namespace dx
