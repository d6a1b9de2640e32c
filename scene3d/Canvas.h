// The 3D drawing surface as the scene sees it: its size, the optional 32-bit back buffer that a
// layered window is updated from, the current material, font, lights, camera and world matrix,
// the map from bitmaps to the back end's textures, and the cache of the 22 render-state codes.
// It works out the camera projection, the screen projection and the pick ray of a mouse point.
// A back end (DxCanvas.h) does the drawing; the class to make is DefaultCanvasClass.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx3d/Types.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/TypInfo.h"
#include "scene3d/Bitmaps.h"
#include "scene3d/Light.h"
#include "scene3d/Materials.h"
#include "scene3d/Maths.h"
#include "scene3d/MeshData.h"
#include "vg2d/core/Geometry.h"

namespace dx {

RTL_ENUM_OF(TdxQuality, std::uint8_t, dxLowQuality, dxHighQuality, dxSuperHighQuality);

// A render-state code, 0 to 21. The codes fall into groups of which one code is current at a
// time: {0, 1} {2, 3} {4, 5} {6, 7} {8, 9, 10} {11, 12} {13, 14} {15, 16, 17} {18, 19} {20, 21}.
using TdxRenderState = std::uint8_t;
inline constexpr TdxRenderState rsScreenSpace = 0;  // screen projection, no camera
inline constexpr TdxRenderState rsCameraSpace = 1;  // camera projection and view
inline constexpr TdxRenderState rsLightingOn = 2;
inline constexpr TdxRenderState rsLightingOff = 3;
inline constexpr TdxRenderState rsDepthTestOn = 4;  // less or equal
inline constexpr TdxRenderState rsDepthTestOff = 5;
inline constexpr TdxRenderState rsDepthWriteOn = 6;
inline constexpr TdxRenderState rsDepthWriteOff = 7;
inline constexpr TdxRenderState rsCullCCW = 8;
inline constexpr TdxRenderState rsCullCW = 9;
inline constexpr TdxRenderState rsCullNone = 10;
inline constexpr TdxRenderState rsBlendAdditive = 11;
inline constexpr TdxRenderState rsBlendNormal = 12;
inline constexpr TdxRenderState rsTextureNearest = 13;
inline constexpr TdxRenderState rsTextureLinear = 14;
inline constexpr TdxRenderState rsDiffuseOnly = 15;
inline constexpr TdxRenderState rsTextureReplace = 16;
inline constexpr TdxRenderState rsTextureModulate = 17;
inline constexpr TdxRenderState rsWireframe = 18;
inline constexpr TdxRenderState rsSolid = 19;
inline constexpr TdxRenderState rsFlatShading = 20;
inline constexpr TdxRenderState rsGouraudShading = 21;
inline constexpr int RenderStateCount = 22;

// Raises rtl::ERangeError for a code above 21.
void dxCheckRenderState(TdxRenderState Code);

// What the view is built from: a camera object of the scene. It looks along the Y axis of its
// absolute matrix with its Z axis up, or at its target when it has one.
class IdxCamera {
public:
  virtual TdxMatrix CameraAbsoluteMatrix() const = 0;
  // The absolute position of the camera's target; false when it has none.
  virtual bool CameraTarget(TdxVector& Position) const = 0;

protected:
  ~IdxCamera() = default;
};

// Whoever lets frames reach the window without the canvas's back buffer (a scene presenting
// straight from a layer's buffer) and so keeps it behind: asked to bring it up to date
// before the buffer is read as the frame the window shows.
class IdxFrameKeeper {
public:
  virtual void CatchUpFrame() = 0;

protected:
  ~IdxFrameKeeper() = default;
};

class TdxCanvas : public rtl::TPersistent, public IdxBitmapCanvas {
  RTL_CLASS(TdxCanvas, rtl::TPersistent)
public:
  // A canvas of a window. Width and Height below 1 count as 1. With Buffered the canvas keeps a
  // 32-bit top-down back buffer of its size (see Buffer).
  TdxCanvas(gfx3d::WindowHandle Window, int AWidth, int AHeight, bool ABuffered, TdxQuality AQuality);
  // A canvas whose frames end up in Target's pixels (not owned; it must outlive the canvas or
  // be resized through the canvas's ResizeBuffer). Buffered, low quality, no back buffer.
  explicit TdxCanvas(TdxBitmap& Target);
  // Every bitmap that lists the canvas drops it (and its texture), then the back buffer goes.
  ~TdxCanvas() override;

  int Width() const { return width_; }
  int Height() const { return height_; }
  TdxBitmap* Bitmap() const { return bitmap_; }
  gfx3d::WindowHandle Window() const { return window_; }
  bool Buffered() const { return buffered_; }
  TdxQuality Quality() const { return quality_; }

  // The back buffer: Width x Height premultiplied ARGB pixels, top row first; nil without one.
  // Made transparent without writing it: the memory a frame never draws into stays untouched.
  std::uint32_t* Buffer() { return dib_.get(); }
  bool HasBuffer() const { return dib_ != nullptr; }
  // The keeper of the back buffer (not owned: the scene that owns the canvas), nil by default.
  void SetFrameKeeper(IdxFrameKeeper* Value) { frameKeeper_ = Value; }
  IdxFrameKeeper* FrameKeeper() const { return frameKeeper_; }

  // The canvas's material: every change applies it (ApplyMaterial).
  TdxMaterial& Material() { return *material_; }
  TdxFont& Font() { return *font_; }

  // Whether BeginScene turns lighting on, and the ambient colour it sets then.
  bool Lighting() const { return lighting_; }
  void SetLighting(bool Value) { lighting_ = Value; }
  TdxColor AmbientColor() const { return ambient_; }
  void SetAmbientColor(TdxColor Value) { ambient_ = Value; }

  // The lights of the current frame (not owned), in the order they were added.
  const std::vector<TdxLight*>& Lights() const { return lights_; }
  virtual void AddLight(TdxLight* Light);

  const TdxMatrix& View() const { return view_; }
  const TdxMatrix& InverseView() const { return inverseView_; }
  const TdxMatrix& World() const { return world_; }
  IdxCamera* Camera() const { return camera_; }
  // Builds View and InverseView from the camera (not owned); none gives the identity.
  virtual void SetCamera(IdxCamera* ACamera);
  // Multiplied into the camera projection when it is not the identity.
  const TdxMatrix& ProjectionAdjust() const { return projectionAdjust_; }
  void SetProjectionAdjust(const TdxMatrix& Value) { projectionAdjust_ = Value; }

  // Perspective of pi/4 with the canvas's aspect, near 1, far 1000, times ProjectionAdjust.
  virtual TdxMatrix GetProjectionMatrix() const;
  // Pixel coordinates to the screen at one pixel per unit on z = 0, with a mild perspective.
  virtual TdxMatrix GetScreenMatrix() const;
  // The ray through pixel (X, Y): in screen space or through the camera. RayDir has unit length.
  void PickRay(bool ScreenSpace, float X, float Y, TdxVector& RayPos, TdxVector& RayDir) const;
  // Where the scene point P shows in client pixels (W 1): through the camera, or in screen space,
  // where X and Y are pixels in the window's plane (Z 0) and off it take the screen's mild
  // perspective. A point that lies behind the eye, or at it, stays P.
  TdxVector ClientPoint(bool ScreenSpace, const TdxVector& P) const;
  // How many pixels of the frame the rectangle Origin + s U + t V (s and t from 0 to 1, in the
  // current world, through the camera or in screen space as the render states say) spans along
  // U and along V: the longest picture of a line of it in either direction, of its part before
  // the near plane (however much lies beyond the frame's sides). Both negative when no part of
  // it lies before that plane.
  void PixelSpans(const TdxVector& Origin, const TdxVector& U, const TdxVector& V, double& AlongU,
                  double& AlongV) const;
  // What the frame can show of the box Low .. High (in the current world, through the camera
  // or in screen space as the render states say): Behind when no part of it lies before the near
  // plane, Outside when what does lies beyond the frame's sides, Unknown when the projection
  // breaks down there (a corner before the near plane but not before the eye, numbers not
  // finite). Seen: Low and High's X and Y become the bounds of the part before the near plane
  // and within the frame's sides (however far it reaches away from the eye); otherwise, and
  // their Z always, they stay as they were.
  enum class TdxBoxSight { Behind, Outside, Seen, Unknown };
  TdxBoxSight BoxSight(TdxVector& Low, TdxVector& High) const;

  // ---- render states ----
  // Applies Code unless it is already the current one of its group. Raises rtl::ERangeError for
  // a code above 21.
  virtual void SetRenderState(TdxRenderState Code);
  bool RenderStateSet(TdxRenderState Code) const;
  // Called by the scene at the start of each frame, before BeginScene: no code is current, the
  // view and world are the identity, no lights, and the material's colours and bitmap name are
  // cleared.
  void ResetState();

  // ---- materials ----
  // The canvas material becomes a copy of AMaterial (ApplyMaterial runs once).
  void SetMaterial(const TdxMaterial& AMaterial);
  // The same with the copy's diffuse alpha scaled by Opacity; AMaterial is left as it is.
  void UseMaterial(const TdxMaterial& AMaterial, float Opacity);
  virtual void ApplyMaterial() {}

  // ---- textures of bitmaps ----
  // Puts the canvas on the bitmap's list (a bitmap without pixels only has its upload flag
  // cleared); back ends call it before they make or refresh a texture.
  virtual void UpdateBitmapHandle(TdxBitmap* ABitmap);
  // The texture of the bitmap goes; the canvas leaves the bitmap's list.
  void DestroyBitmapHandle(TdxBitmap& ABitmap) override;
  // The position of the bitmap in the map; an already mapped bitmap keeps its texture.
  int AddBitmapHandle(TdxBitmap* ABitmap, std::shared_ptr<void> Handle);
  void RemoveBitmapHandle(TdxBitmap* ABitmap);
  // Nil when the bitmap has no texture here.
  std::shared_ptr<void> GetBitmapHandle(const TdxBitmap* ABitmap) const;
  int BitmapHandleCount() const { return static_cast<int>(mapBitmaps_.size()); }

  // ---- size and quality ----
  virtual void SetQuality(TdxQuality Value) { quality_ = Value; }
  // Stores the size (each side at least 1) and makes the back buffer anew; nothing when the size
  // is unchanged.
  virtual void ResizeBuffer(int AWidth, int AHeight);
  virtual void FreeBuffer();
  // A transparent back buffer of the same size in place of the one there is (whose memory goes
  // back); the old one stays when no new one can be had. Nothing without a back buffer.
  void RenewBuffer();

  // ---- the part of the target a frame draws ----
  // Frames draw, clear and read back only this rectangle of the canvas's pixels (clipped to
  // the size); an empty one (the default) means the whole target. A back end whose target
  // was made anew draws the next frame whole and forgets the rectangle.
  void SetFrameRect(const gfx3d::RECT& Value) { frameRect_ = Value; }
  // The rectangle the next frame draws, clipped: the whole canvas when none is set.
  gfx3d::RECT FrameRect() const;
  // Whether a frame draws less than the whole target.
  bool PartFrame() const;

  // ---- frames and drawing (the back end's) ----
  virtual bool BeginScene() { return false; }
  virtual void EndScene() {}
  virtual void Clear(TdxColor Color) = 0;
  virtual void ClearDepth() = 0;
  // Copies the current frame into Bits (Width x Height pixels, top row first). A canvas with a
  // back buffer copies what the window shows (CopyShownFrame); a back end needs no device for
  // that.
  virtual void CopyToBitmap(std::uint32_t* Bits) = 0;
  // Stores the world matrix.
  virtual void SetMatrix(const TdxMatrix& Matrix) { world_ = Matrix; }
  virtual void DrawLine(const TdxVector& StartPoint, const TdxVector& EndPoint, float Opacity) = 0;
  virtual void DrawCube(const TdxVector& Center, const TdxVector& Size, float Opacity) = 0;
  virtual void FillCube(const TdxVector& Center, const TdxVector& Size, float Opacity) = 0;
  virtual void FillMesh(const TdxVector& Center, const TdxVector& Size, const TdxMeshData& MeshData,
                        float Opacity) = 0;
  virtual void FillTriangles(const std::vector<TdxCanvasVertex>& Vertices, const std::vector<std::uint16_t>& Indices,
                             float Opacity) = 0;
  // A flat polygon of 2D points (Y down) as a slab in the box Center +- Size / 2: the face on
  // the plane z = Center.Z + Size.Z / 2 (Front), the one on Center.Z - Size.Z / 2 (Back) and the
  // walls between their outlines (Sides). A point whose X and Y are both 65535 or more ends a
  // contour; faces are filled even-odd, so contours may nest, cross or leave holes. The points
  // are spread over the box by their bounds, widened by Rect when it has an area (polygons
  // drawn with one Rect share one scale); through the camera the 2D Y axis points up.
  virtual void FillPolygon(const TdxVector& Center, const TdxVector& Size, const vg::TvxRect& Rect,
                           const std::vector<vg::TvxPoint>& Points, float Opacity, bool Front = true,
                           bool Back = true, bool Sides = true) = 0;
  // The same polygon filled as FillPolygon fills it (no Rect) in the box of Size about each of
  // Centers, in their order: the repeated tiles of one outline. The boxes must not overlap on
  // the faces' plane (a back end may fill them in one pass of its faces). Here one FillPolygon
  // each.
  virtual void FillPolygons(const std::vector<TdxVector>& Centers, const TdxVector& Size,
                            const std::vector<vg::TvxPoint>& Points, float Opacity, bool Front, bool Back, bool Sides);
  // Text is UTF-16, one line.
  virtual void FillText(const std::u16string& Text, float X, float Y, float Opacity) = 0;
  // (width, height, 0) of the text in the current font.
  virtual TdxPoint3D MeasureText(const std::u16string& Text) = 0;
  // A solid block: the closed outline of Rect (2D, Y down) filled with FillPolygon, centred on
  // the rectangle's centre, Rect's width and height and Depth deep.
  void FillRect(const vg::TvxRect& Rect, float Depth, float Opacity);

  // To a 3D or a 2D bitmap, or to the class library's bitmap (win::TBitmap, 32 bits a pixel)
  // or picture (win::TPicture, which then holds a bitmap): it takes the canvas's size and the
  // current frame (CopyToBitmap), row by row. Anything else is refused as the class library
  // refuses it.
  void AssignTo(rtl::TPersistent* Dest) const override;

protected:
  // The back end applies the state of one code.
  virtual void ApplyState(TdxRenderState Code) = 0;

  // Back ends that go before the base destructor call it themselves: every bitmap that lists
  // the canvas drops it, then FreeBuffer.
  void ReleaseBitmaps();
  // The back buffer, brought up to date by its keeper, into Bits (Width x Height pixels); false
  // without a back buffer.
  bool CopyShownFrame(std::uint32_t* Bits);

  std::shared_ptr<void> TextureAt(int Index) const { return mapHandles_[static_cast<size_t>(Index)]; }
  // Empties the map without touching the bitmaps' lists.
  void ClearBitmapHandles();

private:
  void Init();
  void MakeBuffer();

  std::unique_ptr<TdxMaterial> material_;
  std::unique_ptr<TdxFont> font_;
  int width_ = 1;
  int height_ = 1;
  TdxBitmap* bitmap_ = nullptr;
  gfx3d::WindowHandle window_ = 0;
  bool buffered_ = false;
  TdxQuality quality_ = dxLowQuality;
  std::vector<TdxBitmap*> mapBitmaps_;
  std::vector<std::shared_ptr<void>> mapHandles_;
  // Every bitmap whose list holds the canvas, mapped or not.
  std::vector<TdxBitmap*> listedIn_;
  struct TFreePixels {
    void operator()(std::uint32_t* P) const;
  };
  std::unique_ptr<std::uint32_t[], TFreePixels> dib_;
  IdxFrameKeeper* frameKeeper_ = nullptr;
  gfx3d::RECT frameRect_;
  bool states_[RenderStateCount] = {};
  IdxCamera* camera_ = nullptr;
  TdxMatrix view_ = IdentityMatrix;
  TdxMatrix inverseView_ = IdentityMatrix;
  TdxMatrix world_ = IdentityMatrix;
  std::vector<TdxLight*> lights_;
  TdxMatrix projectionAdjust_ = IdentityMatrix;
  bool lighting_ = true;
  TdxColor ambient_ = 0;
};

// A class reference of canvases: the two virtual constructors.
class TdxCanvasClass {
public:
  virtual ~TdxCanvasClass() = default;
  virtual std::unique_ptr<TdxCanvas> CreateWithWindow(gfx3d::WindowHandle Window, int Width, int Height,
                                                      bool Buffered, TdxQuality Quality) const = 0;
  virtual std::unique_ptr<TdxCanvas> CreateOffscreen(TdxBitmap& Target) const = 0;
};

template <class C>
class TdxCanvasClassOf final : public TdxCanvasClass {
public:
  static const TdxCanvasClassOf* Instance() {
    static const TdxCanvasClassOf instance;
    return &instance;
  }
  std::unique_ptr<TdxCanvas> CreateWithWindow(gfx3d::WindowHandle Window, int Width, int Height, bool Buffered,
                                              TdxQuality Quality) const override {
    return std::make_unique<C>(Window, Width, Height, Buffered, Quality);
  }
  std::unique_ptr<TdxCanvas> CreateOffscreen(TdxBitmap& Target) const override { return std::make_unique<C>(Target); }
};

// The canvas class scenes make their canvases of; set by the library's start-up.
extern const TdxCanvasClass* DefaultCanvasClass;

}  // namespace dx
