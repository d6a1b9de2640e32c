// The canvas on the 3D device (platform/gfx3d): one device per canvas, drawing through one
// dynamic vertex buffer and one dynamic index buffer used as rings, render states through state
// blocks recorded once per device, one texture per bitmap, and text from glyph atlases.
//
// The process object comes from dxDirectXStartup, which also names this canvas and the 3D image
// codec as the library's defaults. Without a process object or without a device a canvas draws
// nothing and BeginScene answers false; the back buffer of the base still works. A window
// canvas makes its device when a frame first needs it (a window whose frames are all composed
// without the device never makes one); an off-screen canvas makes it at once.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx3d/Device.h"
#include "scene3d/Canvas.h"
#include "scene3d/GlyphRaster.h"

namespace dx {

// Makes the process object from the entry points (the extended one first) and names the
// default canvas and codec classes. A second start-up replaces the object.
void dxDirectXStartup(const gfx3d::Direct3DEntries& Entries);
// Drops the process object; canvases made afterwards have no device.
void dxDirectXShutdown();
// Whether devices are made with the extended method; false once that failed.
bool dxDirectXExtended();

class TdxDirectXCanvas : public TdxCanvas {
  RTL_CLASS(TdxDirectXCanvas, TdxCanvas)
public:
  // The buffer capacities, in bytes: 65,535 vertices of 36 bytes and 131,070 16-bit indices.
  static constexpr std::uint32_t VertexBufferBytes = 65535 * 36;
  static constexpr std::uint32_t IndexBufferBytes = 131070 * 2;
  // The vertex format of every draw: position, normal, diffuse colour, one texture pair.
  static constexpr std::uint32_t CanvasFVF = 0x152;

  TdxDirectXCanvas(gfx3d::WindowHandle Window, int AWidth, int AHeight, bool ABuffered, TdxQuality AQuality);
  explicit TdxDirectXCanvas(TdxBitmap& Target);
  ~TdxDirectXCanvas() override;

  bool HasDevice() const { return device_ != nullptr; }
  // Makes the device of a window canvas when it has none (tried once); whether there is one.
  bool DeviceNeeded();
  gfx3d::IDevice* Device() const { return device_.get(); }
  bool Supports2Samples() const { return supports2_; }
  bool Supports4Samples() const { return supports4_; }
  // The present parameters the device was last made or reset with.
  const gfx3d::D3DPRESENT_PARAMETERS& PresentParameters() const { return params_; }
  // Where the next draw writes into each ring, in bytes.
  std::uint32_t VertexPosition() const { return vertexPos_; }
  std::uint32_t IndexPosition() const { return indexPos_; }
  gfx3d::IVertexBuffer* VertexBuffer() const { return vertexBuffer_.get(); }
  gfx3d::IIndexBuffer* IndexBuffer() const { return indexBuffer_.get(); }

  // Sets the multisampling of the quality by resetting the device.
  void SetQuality(TdxQuality Value) override;
  // A new size resets the device; an off-screen canvas makes its target anew in that size.
  void ResizeBuffer(int AWidth, int AHeight) override;
  void FreeBuffer() override;

  // False without a device, while the device is lost, when a reset fails and when the device
  // cannot begin the frame. An off-screen canvas whose bitmap changed size takes that size first.
  bool BeginScene() override;
  // Ends and presents the frame; an off-screen canvas copies it into its bitmap, a window canvas
  // with a back buffer reads it back into that.
  void EndScene() override;
  // Colour and depth.
  void Clear(TdxColor Color) override;
  // Depth only.
  void ClearDepth() override;
  void CopyToBitmap(std::uint32_t* Bits) override;

  void ApplyMaterial() override;
  void SetMatrix(const TdxMatrix& Matrix) override;
  void DrawLine(const TdxVector& StartPoint, const TdxVector& EndPoint, float Opacity) override;
  void DrawCube(const TdxVector& Center, const TdxVector& Size, float Opacity) override;
  void FillCube(const TdxVector& Center, const TdxVector& Size, float Opacity) override;
  // Nothing for an empty mesh, one of more than 65,535 vertices or 131,070 indices, or one whose
  // indices name a vertex it does not have.
  void FillMesh(const TdxVector& Center, const TdxVector& Size, const TdxMeshData& MeshData, float Opacity) override;
  // The vertices keep their own colours; Opacity has no effect. The index rule of FillMesh.
  void FillTriangles(const std::vector<TdxCanvasVertex>& Vertices, const std::vector<std::uint16_t>& Indices,
                     float Opacity) override;

  // Each face is two draws: the polygon's fans into the stencil buffer (inverting it; colour and
  // depth writes off), then one quad over the box's face where the stencil is odd. The walls are
  // one ordinary draw, U running along the outline and V from the front edge (0) to the back
  // edge (1). In screen space the 2D Y axis stays down and points snap to whole pixels. A part
  // of more than 65,535 vertices or 131,070 indices ends the call. Afterwards the stencil test
  // is off, colour writes are on and depth writes are as the render-state cache has them. A face
  // clears the stencil only where its corners reach on the frame through the device's
  // transforms (the scissor then set back as the frame began); a face, or the walls' box, that
  // can touch no pixel of the frame is left out.
  void FillPolygon(const TdxVector& Center, const TdxVector& Size, const vg::TvxRect& Rect,
                   const std::vector<vg::TvxPoint>& Points, float Opacity, bool Front = true, bool Back = true,
                   bool Sides = true) override;
  // As FillPolygon in each box, the boxes of one face sharing draws: a stencil clear over the
  // pixels they can reach, one fan and one draw of their quads (each box its own quad, texture
  // coordinates 0 .. 1 over it), and the walls one draw, each box's U running along its own
  // outline; a draw takes boxes while they fit the buffers. A box's outline holds no more
  // points than its size on the frame can show: each contour is thinned so that no point of it
  // moves by more than half a pixel on the larger of the box's faces (the scale taken a quarter
  // octave up, so that boxes of about one size share one thinned outline), keeping its first
  // and last points and, as far as that allows, its area; a box whose face reaches behind the
  // eye keeps every point.
  void FillPolygons(const std::vector<TdxVector>& Centers, const TdxVector& Size,
                    const std::vector<vg::TvxPoint>& Points, float Opacity, bool Front, bool Back, bool Sides) override;

  // Makes the bitmap's texture when it has none and uploads the pixels when they changed.
  void UpdateBitmapHandle(TdxBitmap* ABitmap) override;

  // ---- text (DxCanvasText.cpp) ----
  void FillText(const std::u16string& Text, float X, float Y, float Opacity) override;
  TdxPoint3D MeasureText(const std::u16string& Text) override;
  // The rasteriser glyph atlases are drawn with (not owned); FreeType's by default.
  void SetGlyphRasterizer(IdxGlyphRasterizer* Value) { rasterizer_ = Value; }

  // One glyph of an atlas: its cell in texture coordinates and its side spacing less 1.
  struct TdxInternalGlyph {
    bool Wanted = false;
    float U0 = 0, V0 = 0, U1 = 0, V1 = 0;
    int A = 0, C = 0;
  };
  // The atlas of one family, size and style; entry k of Chars is character k + 32.
  struct TdxInternalFont {
    std::string Family;
    float Size = 0;
    TdxFontStyle Style = dxFontRegular;
    std::vector<TdxInternalGlyph> Chars;
    std::unique_ptr<TdxBitmap> Bitmap;
  };
  // The index of the atlas of Font holding every character of Text from 32 up (rebuilt when
  // characters are missing; a new font starts with 32 to 127); -1 without a device, when the
  // font cannot be opened or the characters do not fit 2048 x 1024.
  int FontLookup(const std::u16string& Text, const TdxFont& AFont);
  const std::vector<std::unique_ptr<TdxInternalFont>>& Fonts() const { return fonts_; }

protected:
  void ApplyState(TdxRenderState Code) override;
  // Records the state block of Code on the device.
  void RecordState(TdxRenderState Code);

private:
  void CreateDevice(bool OffScreen);
  std::uint32_t BehaviourFlags() const;
  gfx3d::D3DPRESENT_PARAMETERS MakeParams(bool OffScreen) const;
  bool WantsResolve() const;
  void MakeResolve();
  void MakeRings();
  void MakeOffscreenTargets();
  void RecordAll();
  // Resets the device for the current size and quality (a plain reset makes every default-pool
  // resource anew).
  void ResetDevice();
  // Reads Rect of the back buffer (through Resolve when the frame is multisampled) into the
  // same pixels of Bits, a Width x Height frame.
  bool ReadBack(const gfx3d::RECT& Rect, std::uint32_t* Bits, gfx3d::ISurface* Resolve);
  // Uploads [L, R) x [T, B) of the bitmap into the texture in bands of a bounded size.
  void Upload(gfx3d::ITexture& Texture, const TdxBitmap& Bitmap, int L, int T, int R, int B);
  // ---- rings ----
  bool Append(bool Vertices, const void* Data, std::uint32_t Bytes);
  void Draw(gfx3d::D3DPRIMITIVETYPE Type, std::uint32_t NumVertices, std::uint32_t VertexBytes,
            std::uint32_t IndexBytes, std::uint32_t PrimitiveCount);
  bool DrawReady() const { return device_ && vertexBuffer_ && indexBuffer_; }
  void DrawList(gfx3d::D3DPRIMITIVETYPE Type, const TdxCanvasVertex* Vertices, std::uint32_t VertexCount,
                const std::uint16_t* Indices, std::uint32_t IndexCount, std::uint32_t PrimitiveCount);
  // ---- polygons ----
  // One outline a fill spreads over its boxes: the points as given (Level -1) or thinned for
  // boxes whose faces' scale on the frame is up to 2^(Level / 4) pixels, with what the faces
  // and walls draw of it.
  struct TPolygonForm {
    int Level = -1;
    std::vector<vg::TvxPoint> Thinned;
    // Each point's share of the bounds; a separator's stays 0.
    std::vector<vg::TvxPoint> Shares;
    // Each contour's fan from its first point, and whether a contour of it has three points.
    std::vector<std::uint32_t> Fan;
    bool FanHasArea = false;
    // The running length of the outline at each point, and the whole.
    std::vector<float> Along;
    float Perimeter = 0;
    size_t WallQuads = 0;
    // Whether its faces, or its walls, take more than one draw: such an outline goes to the
    // device straight from its points, a draw at a time (Shares, Fan and Along stay empty when
    // its faces do).
    bool FacesLong = false, WallsLong = false;
  };
  // FillPolygon about each of Centers, every box's outline thinned to its size on the frame
  // when Thin is set.
  void FillPolygonBoxes(const TdxVector* Centers, size_t Count, const TdxVector& Size, const vg::TvxRect& Rect,
                        const std::vector<vg::TvxPoint>& Points, float Opacity, bool Front, bool Back, bool Sides,
                        bool Thin);
  // ---- text ----
  bool BuildAtlas(TdxInternalFont& Entry);

  gfx3d::D3DPRESENT_PARAMETERS params_{};
  std::shared_ptr<gfx3d::IDevice> device_;
  std::vector<std::unique_ptr<TdxInternalFont>> fonts_;
  IdxGlyphRasterizer* rasterizer_ = nullptr;
  std::shared_ptr<gfx3d::IVertexBuffer> vertexBuffer_;
  std::shared_ptr<gfx3d::IIndexBuffer> indexBuffer_;
  std::uint32_t vertexPos_ = 0;
  std::uint32_t indexPos_ = 0;
  bool supports2_ = false;
  bool supports4_ = false;
  std::shared_ptr<gfx3d::ISurface> offTarget_;
  std::shared_ptr<gfx3d::ISurface> resolve_;
  std::shared_ptr<gfx3d::ISurface> offDepth_;
  std::array<std::shared_ptr<gfx3d::IStateBlock>, RenderStateCount> blocks_;
  // Whether the device's scissor test is on, and whether the next frame must draw the whole
  // target (the back buffer was made anew).
  bool scissorOn_ = false;
  bool wholeNext_ = false;
  bool deviceTried_ = false;
  // The polygon fill's working arrays, kept so that outlines of thousands of points do not
  // allocate afresh in every call: the outlines of the current call and the draws it gathers,
  // none of them more than a draw holds (a thinned outline that grew beyond that is given back
  // at the end of its call).
  std::vector<TPolygonForm> polygonForms_;
  std::vector<TdxCanvasVertex> polygonVertices_;
  std::vector<std::uint16_t> polygonIndices_;
  std::vector<TdxCanvasVertex> polygonQuads_;
  std::vector<std::uint32_t> polygonWallIndices_;
  std::vector<std::uint16_t> polygonQuadIndices_;
};

}  // namespace dx
