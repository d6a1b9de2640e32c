#include "scene3d/Materials.h"

#include <algorithm>
#include <cmath>

#include "platform/win/Graphics.h"
#include "vg2d/core/Brushes.h"
#include "vg2d/core/ClassLibraryGraphics.h"

namespace dx {

// ---- material -----------------------------------------------------------------------------------

rtl::TClass TdxMaterial::StaticClass() {
  static const rtl::TClassInfo info =
      rtl::DefineClass<TdxMaterial>()
          // Always written: the objects that publish a material (shapes, the GUI plane)
          // start it in a random colour, so no value is one that reading can leave out.
          // Earlier texts left it out at DefaultDiffuse; those owners read that colour.
          .Property("Diffuse", &TdxMaterial::Diffuse, &TdxMaterial::SetDiffuse)
          .NoDefault()
          .Property("Ambient", &TdxMaterial::Ambient, &TdxMaterial::SetAmbient)
          .Default("#FF303030")
          .Property("Lighting", &TdxMaterial::Lighting, &TdxMaterial::SetLighting)
          .Default(true)
          .Property("Bitmap", &TdxMaterial::Bitmap, &TdxMaterial::SetBitmap)
          .Property("BitmapMode", &TdxMaterial::BitmapMode, &TdxMaterial::SetBitmapMode)
          .Default(dxTexModulate)
          .Property("BitmapTileX", &TdxMaterial::BitmapTileX, &TdxMaterial::SetBitmapTileX)
          .Default(1.0f)
          .Property("BitmapTileY", &TdxMaterial::BitmapTileY, &TdxMaterial::SetBitmapTileY)
          .Default(1.0f)
          .Property("BitmapRect", &TdxMaterial::BitmapRect, &TdxMaterial::SetBitmapRect)
          .Property("FillMode", &TdxMaterial::FillMode, &TdxMaterial::SetFillMode)
          .Default(dxSolid)
          .Property("ShadeMode", &TdxMaterial::ShadeMode, &TdxMaterial::SetShadeMode)
          .Default(dxGouraud)
          .Build();
  return &info;
}

TdxMaterial::TdxMaterial() : bitmapRect_(std::make_unique<TdxBitmapRect>()) {
  bitmapRect_->OnChange = [this](rtl::TObject*) { OnChange(this); };
}

TdxMaterial::~TdxMaterial() = default;

std::string TdxMaterial::Diffuse() const { return dxColorToText(diffuse_); }

std::string TdxMaterial::Ambient() const { return dxColorToText(ambient_); }

void TdxMaterial::SetTile(float& Tile, float Value) {
  if (std::isnan(Value)) return;
  SetField(Tile, std::clamp(Value, 0.01f, 10.0f), &TdxMaterial::OnChange);
}

void TdxMaterial::SetBitmapRect(TdxBitmapRect* Value) { bitmapRect_->Assign(Value); }

TdxBitmap* TdxMaterial::GetBitmap() const {
  if (texture_) return texture_;
  return dxFindResourceBitmap(bitmap_);
}

void TdxMaterial::Assign(const rtl::TPersistent* Source) {
  {
    rtl::TEventMute quiet(OnChange);  // the rectangle's Assign notifies too
    if (!rtl::AssignProperties(this, Source)) return inherited::Assign(Source);
  }
  OnChange(this);
}

// ---- font ---------------------------------------------------------------------------------------

rtl::TClass TdxFont::StaticClass() {
  static const rtl::TClassInfo info = rtl::DefineClass<TdxFont>()
                                          .Property("Size", &TdxFont::Size, &TdxFont::SetSize)
                                          .Default(12.0f)
                                          .Property("Family", &TdxFont::Family, &TdxFont::SetFamily)
                                          .Default("Tahoma")
                                          .Property("Style", &TdxFont::Style, &TdxFont::SetStyle)
                                          .Default(dxFontRegular)
                                          .Build();
  return &info;
}

void TdxFont::Assign(const rtl::TPersistent* Source) {
  if (const auto* flat = dynamic_cast<const vg::TvxFont*>(Source)) {
    {
      rtl::TEventMute quiet(OnChange);
      SetFamily(flat->Family());
      SetSize(flat->Size());
      switch (flat->Style()) {
        case vg::vgFontRegular: SetStyle(dxFontRegular); break;
        case vg::vgFontBold: SetStyle(dxFontBold); break;
        case vg::vgFontItalic: SetStyle(dxFontItalic); break;
        case vg::vgFontBoldItalic: SetStyle(dxFontBoldItalic); break;
        default: break;
      }
    }
    OnChange(this);
    return;
  }
  if (const auto* font = dynamic_cast<const win::TFont*>(Source)) {
    const vg::TFontFace face = vg::FontFaceOf(*font);
    {
      rtl::TEventMute quiet(OnChange);
      SetFamily(face.Family);
      SetSize(face.Size);
      if (face.Style != vg::NoFontStyle) SetStyle(static_cast<TdxFontStyle>(face.Style));
    }
    OnChange(this);
    return;
  }
  if (!rtl::AssignProperties(this, Source)) return inherited::Assign(Source);
  OnChange(this);
}

void TdxFont::AssignTo(rtl::TPersistent* Dest) const {
  if (auto* font = dynamic_cast<win::TFont*>(Dest))
    return vg::PutFontFace({family_, size_, style_ <= dxFontBoldItalic ? static_cast<int>(style_) : vg::NoFontStyle},
                           *font);
  auto* flat = dynamic_cast<vg::TvxFont*>(Dest);
  if (!flat) return inherited::AssignTo(Dest);
  static constexpr vg::TvxFontStyle styles[] = {vg::vgFontRegular, vg::vgFontBold, vg::vgFontItalic,
                                                vg::vgFontBoldItalic};
  flat->SetFamily(family_);
  flat->SetSize(size_);
  flat->SetStyle(style_ <= dxFontBoldItalic ? styles[style_] : vg::vgFontRegular);
}

}  // namespace dx
