// Mesh data as a 3D object's stream brings it: the "Mesh" bytes and the text lists. Data that
// reads is written back byte for byte; the numbers read from written text keep their values
// through a further round trip (six significant digits may round a number once: 1234567.5 is
// written as 1.23457E6, which reads as the whole number 1234570); normals are computed
// whatever the indexes name.
#include <cmath>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "scene3d/MeshData.h"

using namespace dx;

namespace {

bool AllFinite(const TdxMeshData& D) {
  for (const TdxMeshVertex& v : D.Vertices())
    for (float f : {v.X, v.Y, v.Z, v.NX, v.NY, v.NZ, v.TU, v.TV})
      if (!std::isfinite(f)) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string input(reinterpret_cast<const char*>(Data), Size);

  TdxMeshData binary;
  try {
    rtl::TStringStream in(input);
    binary.ReadMesh(in);
    rtl::TMemoryStream out;
    binary.WriteMesh(out);
    fuzz::Check(std::string(static_cast<const char*>(out.Memory()), static_cast<size_t>(out.Size())) == input,
                "mesh bytes change on a round trip");
    binary.CalcNormals();
  } catch (const rtl::EReadError&) {}

  TdxMeshData text;
  try {
    text.SetPoints(input);
  } catch (const rtl::EConvertError&) {}
  try {
    text.SetTriangleIndices(input);
  } catch (const rtl::EConvertError&) {}
  text.CalcNormals();
  if (AllFinite(text)) {
    auto copy = [](const TdxMeshData& From, TdxMeshData& To) {
      To.SetPoints(From.Points());
      To.SetNormals(From.Normals());
      To.SetTriangleIndices(From.TriangleIndices());
    };
    TdxMeshData once, twice;
    copy(text, once);
    copy(once, twice);
    fuzz::Check(once.Vertices() == twice.Vertices(), "mesh text reads back to other numbers");
    fuzz::CheckSame(text.TriangleIndices(), twice.TriangleIndices(), "mesh indexes change on a round trip");
  }
  return 0;
}
