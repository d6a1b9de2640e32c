// The vertices and triangle indexes of a mesh, which the canvas turns into vertex and index
// buffers. Streamed as the binary property "Mesh"; the published text lists serve editing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"
#include "scene3d/Maths.h"

namespace dx {

class TdxMeshData : public rtl::TPersistent {
  RTL_CLASS(TdxMeshData, rtl::TPersistent)
public:
  // Fires OnDestroy first, so that a canvas frees the buffers it made from this mesh.
  ~TdxMeshData() override;

  // The arrays themselves, for the owner to fill; call Changed after writing them.
  std::vector<TdxMeshVertex>& Vertices() { return vertices_; }
  const std::vector<TdxMeshVertex>& Vertices() const { return vertices_; }
  std::vector<std::uint16_t>& Indexes() { return indexes_; }
  const std::vector<std::uint16_t>& Indexes() const { return indexes_; }
  // Marks the buffers made from the mesh stale and fires OnChange.
  void Changed();

  // Whether the buffers made from the mesh are stale; the canvas clears it after rebuilding them.
  bool IsChanged() const { return changed_; }
  void SetChanged(bool Value) { changed_ = Value; }
  // What the canvas attached (its buffers); the mesh never reads it.
  void* Handle() const { return handle_; }
  void SetHandle(void* Value) { handle_ = Value; }

  // Sets the normal of every indexed vertex to (0, 0, 0), then adds the unit normal of each
  // whole triangle to the normals of its three corners (the sums are not normalised again). A
  // trailing part-triangle is ignored, and so is a triangle naming a vertex that does not exist.
  void CalcNormals();

  // Text lists. Points, Normals and TexCoordinates: the numbers of a vertex separated by one
  // blank, each vertex followed by two ("1 2.5 3  "). TriangleIndices: each index followed by a
  // blank and every third by one more ("0 1 2  2 3 0  "). Reading takes numbers separated by
  // blanks or commas, three (two for TexCoordinates) per vertex; the vertex array grows or is cut
  // to the vertices read. A token that is not a number, a list ending inside a vertex or an
  // index outside 0..65535 raises rtl::EConvertError and changes nothing. Every setter marks the
  // mesh changed and fires OnChange.
  std::string Points() const;
  void SetPoints(const std::string& Value);
  std::string Normals() const;
  void SetNormals(const std::string& Value);
  std::string TexCoordinates() const;
  void SetTexCoordinates(const std::string& Value);
  std::string TriangleIndices() const;
  void SetTriangleIndices(const std::string& Value);

  // "Mesh": int32 vertex count n, n vertices of eight floats, int32 index count m, m uint16
  // indexes, all little-endian. Reading data whose length does not match its counts raises
  // rtl::EReadError and changes nothing.
  void WriteMesh(rtl::TStream& Stream) const;
  void ReadMesh(rtl::TStream& Stream);

  // From another mesh: both arrays whole; then changed and OnChange.
  void Assign(const rtl::TPersistent* Source) override;

  rtl::TNotifyEvent OnDestroy;
  rtl::TNotifyEvent OnChange;

protected:
  void DefineProperties(rtl::TFiler* Filer) override;

private:
  std::string VertexText(int Count, float TdxMeshVertex::*const* Fields) const;
  void SetVertexText(const std::string& Value, int Count, float TdxMeshVertex::*const* Fields);

  bool changed_ = false;
  void* handle_ = nullptr;
  std::vector<TdxMeshVertex> vertices_;
  std::vector<std::uint16_t> indexes_;
};

}  // namespace dx
