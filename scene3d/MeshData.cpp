#include "scene3d/MeshData.h"

#include <bit>
#include <cstring>
#include <limits>
#include <string_view>

#include "platform/rtl/Filer.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TypInfo.h"
#include "scene3d/ValueText.h"

namespace dx {

// The "Mesh" bytes are the in-memory records.
static_assert(std::endian::native == std::endian::little);

namespace {

constexpr float TdxMeshVertex::*PointFields[] = {&TdxMeshVertex::X, &TdxMeshVertex::Y, &TdxMeshVertex::Z};
constexpr float TdxMeshVertex::*NormalFields[] = {&TdxMeshVertex::NX, &TdxMeshVertex::NY, &TdxMeshVertex::NZ};
constexpr float TdxMeshVertex::*TexFields[] = {&TdxMeshVertex::TU, &TdxMeshVertex::TV};

// Hands each token of a text list to Visit, in order: tokens are separated by blanks,
// control characters or commas. Nothing is copied, so a list of millions of numbers costs
// no more memory than the numbers it gives.
template <class F>
void ForEachToken(const std::string& Text, F&& Visit) {
  const auto separator = [](char c) { return c == ',' || (c >= 1 && c <= ' '); };
  size_t i = 0;
  const size_t n = Text.size();
  while (i < n) {
    while (i < n && separator(Text[i])) ++i;
    const size_t start = i;
    while (i < n && !separator(Text[i])) ++i;
    if (i > start) Visit(std::string_view(Text.data() + start, i - start));
  }
}

// A token as a message shows it: long ones are cut.
std::string Shown(std::string_view Token) {
  return Token.size() <= 40 ? std::string(Token) : std::string(Token.substr(0, 40)) + "...";
}

}  // namespace

rtl::TClass TdxMeshData::StaticClass() {
  static const rtl::TClassInfo info =
      rtl::DefineClass<TdxMeshData>()
          .Property("Points", &TdxMeshData::Points, &TdxMeshData::SetPoints)
          .Stored(false)
          .Property("Normals", &TdxMeshData::Normals, &TdxMeshData::SetNormals)
          .Stored(false)
          .Property("TexCoordinates", &TdxMeshData::TexCoordinates, &TdxMeshData::SetTexCoordinates)
          .Stored(false)
          .Property("TriangleIndices", &TdxMeshData::TriangleIndices, &TdxMeshData::SetTriangleIndices)
          .Stored(false)
          .Build();
  return &info;
}

TdxMeshData::~TdxMeshData() { OnDestroy(this); }

void TdxMeshData::Changed() {
  changed_ = true;
  OnChange(this);
}

void TdxMeshData::CalcNormals() {
  const size_t count = vertices_.size();
  for (std::uint16_t i : indexes_)
    if (i < count) vertices_[i].NX = vertices_[i].NY = vertices_[i].NZ = 0;
  for (size_t t = 0; t + 2 < indexes_.size(); t += 3) {
    const std::uint16_t a = indexes_[t], b = indexes_[t + 1], c = indexes_[t + 2];
    if (a >= count || b >= count || c >= count) continue;
    auto at = [&](std::uint16_t i) { return dxVector(vertices_[i].X, vertices_[i].Y, vertices_[i].Z); };
    const TdxVector n = dxTriangleNormal(at(a), at(b), at(c));
    for (std::uint16_t i : {a, b, c}) {
      vertices_[i].NX += n.X;
      vertices_[i].NY += n.Y;
      vertices_[i].NZ += n.Z;
    }
  }
}

// ---- text lists ---------------------------------------------------------------------------------

std::string TdxMeshData::VertexText(int Count, float TdxMeshVertex::*const* Fields) const {
  std::string text;
  for (const TdxMeshVertex& v : vertices_) {
    for (int i = 0; i < Count; ++i) {
      if (i > 0) text += ' ';
      text += dxFloatToText(v.*Fields[i]);
    }
    text += "  ";
  }
  return text;
}

void TdxMeshData::SetVertexText(const std::string& Value, int Count, float TdxMeshVertex::*const* Fields) {
  std::vector<float> numbers;
  std::string token;
  ForEachToken(Value, [&](std::string_view T) {
    token.assign(T);
    double v = 0;
    if (!rtl::TryStrToFloat(token, v)) throw rtl::EConvertError("'" + Shown(T) + "' is not a valid floating point value");
    numbers.push_back(static_cast<float>(v));
  });
  if (numbers.size() % static_cast<size_t>(Count) != 0)
    throw rtl::EConvertError("The list ends inside a vertex: " + std::to_string(numbers.size()) + " numbers");
  const size_t n = numbers.size() / static_cast<size_t>(Count);
  vertices_.resize(n);
  for (size_t v = 0; v < n; ++v)
    for (int i = 0; i < Count; ++i) vertices_[v].*Fields[i] = numbers[v * static_cast<size_t>(Count) + i];
  Changed();
}

std::string TdxMeshData::Points() const { return VertexText(3, PointFields); }
void TdxMeshData::SetPoints(const std::string& Value) { SetVertexText(Value, 3, PointFields); }
std::string TdxMeshData::Normals() const { return VertexText(3, NormalFields); }
void TdxMeshData::SetNormals(const std::string& Value) { SetVertexText(Value, 3, NormalFields); }
std::string TdxMeshData::TexCoordinates() const { return VertexText(2, TexFields); }
void TdxMeshData::SetTexCoordinates(const std::string& Value) { SetVertexText(Value, 2, TexFields); }

std::string TdxMeshData::TriangleIndices() const {
  std::string text;
  for (size_t i = 0; i < indexes_.size(); ++i) {
    text += rtl::IntToStr(indexes_[i]) + ' ';
    if (i % 3 == 2) text += ' ';
  }
  return text;
}

void TdxMeshData::SetTriangleIndices(const std::string& Value) {
  std::vector<std::uint16_t> read;
  std::string token;
  ForEachToken(Value, [&](std::string_view T) {
    token.assign(T);
    int index = 0;
    if (!rtl::TryStrToInt(token, index) || index < 0 || index > std::numeric_limits<std::uint16_t>::max())
      throw rtl::EConvertError("'" + Shown(T) + "' is not a vertex index");
    read.push_back(static_cast<std::uint16_t>(index));
  });
  indexes_ = std::move(read);
  Changed();
}

// ---- "Mesh" -------------------------------------------------------------------------------------

void TdxMeshData::WriteMesh(rtl::TStream& Stream) const {
  const auto n = static_cast<std::int32_t>(vertices_.size());
  Stream.WriteBuffer(&n, 4);
  Stream.WriteBuffer(vertices_.data(), static_cast<std::int64_t>(vertices_.size() * sizeof(TdxMeshVertex)));
  const auto m = static_cast<std::int32_t>(indexes_.size());
  Stream.WriteBuffer(&m, 4);
  Stream.WriteBuffer(indexes_.data(), static_cast<std::int64_t>(indexes_.size() * sizeof(std::uint16_t)));
}

void TdxMeshData::ReadMesh(rtl::TStream& Stream) {
  const std::int64_t available = Stream.Size() - Stream.Position();
  auto refuse = [] { throw rtl::EReadError("Invalid mesh data"); };
  std::int32_t n = 0, m = 0;
  if (available < 8) refuse();
  Stream.ReadBuffer(&n, 4);
  if (n < 0 || 8 + std::int64_t{n} * 32 > available) refuse();
  std::vector<TdxMeshVertex> vertices(static_cast<size_t>(n));
  Stream.ReadBuffer(vertices.data(), std::int64_t{n} * 32);
  Stream.ReadBuffer(&m, 4);
  if (m < 0 || 8 + std::int64_t{n} * 32 + std::int64_t{m} * 2 != available) refuse();
  std::vector<std::uint16_t> indexes(static_cast<size_t>(m));
  Stream.ReadBuffer(indexes.data(), std::int64_t{m} * 2);
  vertices_ = std::move(vertices);
  indexes_ = std::move(indexes);
  Changed();
}

void TdxMeshData::DefineProperties(rtl::TFiler* Filer) {
  inherited::DefineProperties(Filer);
  Filer->DefineBinaryProperty(
      "Mesh", [this](rtl::TStream& S) { ReadMesh(S); }, [this](rtl::TStream& S) { WriteMesh(S); }, !vertices_.empty());
}

void TdxMeshData::Assign(const rtl::TPersistent* Source) {
  const auto* src = dynamic_cast<const TdxMeshData*>(Source);
  if (!src) return inherited::Assign(Source);
  if (src == this) return;
  vertices_ = src->vertices_;
  indexes_ = src->indexes_;
  Changed();
}

}  // namespace dx
