// Arbitrary triangles (numbers out of range, repeated corners, duplicate and
// opposite faces, nodes within the merge tolerance) made into half-edge meshes
// from a triangulation and from the mesh kernel, then walked and converted back.
#include <Mesh.hxx>

#include "FuzzTarget_File.hxx"

#include <HalfEdge_Mesh.hxx>
#include <PelliskTest_Mesh.hxx>

#include <OpenMesh/Core/System/omstream.hh>
#include <Standard_Failure.hxx>

#include <algorithm>
#include <cstdio>
#include <vector>

//! Fails the run when the walk finds the mesh inconsistent or its conversion
//! names nodes it does not hold.
static void check(const Handle(HalfEdge_Mesh)& theMesh)
{
  const std::string aProblems = PelliskTest_Mesh::Check(theMesh);
  if (!aProblems.empty() || !FuzzTarget_IsInRange(*theMesh))
  {
    std::fprintf(stderr, "%s\n", aProblems.c_str());
    std::abort();
  }
}
extern "C" int PELLISK_FUZZ_ENTRY(const uint8_t* theData, size_t theSize)
{
  // One byte gives the node count, three bytes a node on a grid of quarters
  // (odd bytes shifted by half the merge tolerance), three bytes a triangle.
  const int aNbNodes = theSize > 0 ? 1 + theData[0] % 48 : 0;
  if (aNbNodes == 0 || theSize < 4 + 3 * static_cast<size_t>(aNbNodes))
  {
    return 0;
  }
  omerr().disable();
  const uint8_t*             aBytes  = theData + 1;
  const int                  aNbTris = static_cast<int>(std::min<size_t>((theSize - 1) / 3 - aNbNodes, 256));
  Handle(Poly_Triangulation) aSoup   = new Poly_Triangulation(aNbNodes, aNbTris, false);
  Mesh                       aKernel;
  for (int aNode = 1; aNode <= aNbNodes; ++aNode, aBytes += 3)
  {
    const auto aCoord = [&](int k) { return (aBytes[k] >> 1) * 0.25 + (aBytes[k] & 1) * 5e-8; };
    aSoup->SetNode(aNode, gp_Pnt(aCoord(0), aCoord(1), aCoord(2)));
    aKernel.add_vertex(Mesh::Point(aCoord(0), aCoord(1), aCoord(2)));
  }
  bool isOutOfRange = false;
  for (int aTri = 1; aTri <= aNbTris; ++aTri, aBytes += 3)
  {
    // Bytes from 250 name nodes past the end.
    int c[3];
    for (int k = 0; k < 3; ++k)
    {
      c[k] = aBytes[k] >= 250 ? aNbNodes + aBytes[k] - 249 : 1 + aBytes[k] % aNbNodes;
    }
    aSoup->SetTriangle(aTri, Poly_Triangle(c[0], c[1], c[2]));
    const bool isInRange = std::max({c[0], c[1], c[2]}) <= aNbNodes;
    isOutOfRange         = isOutOfRange || !isInRange;
    if (isInRange && c[0] != c[1] && c[1] != c[2] && c[0] != c[2])
    {
      const Mesh::FaceHandle aFace = aKernel.add_face(std::vector<Mesh::VertexHandle>{
          aKernel.vertex_handle(c[0] - 1), aKernel.vertex_handle(c[1] - 1), aKernel.vertex_handle(c[2] - 1)});
      // Some faces are deleted again, so that the kernel holds dead elements.
      if (aFace.is_valid() && (c[0] + c[1] + c[2]) % 7 == 0)
      {
        aKernel.delete_face(aFace, false);
      }
    }
  }
  const Handle(HalfEdge_Mesh) aFromKernel = HalfEdge_Mesh::FromMesh(aKernel);
  check(aFromKernel);
  Handle(HalfEdge_Mesh) aMesh;
  try
  {
    aMesh = new HalfEdge_Mesh(aSoup);
  }
  catch (const Standard_Failure&)
  {
  }
  if (aMesh.IsNull() != isOutOfRange)
  {
    std::abort(); // numbers out of range, and only they, raise
  }
  if (!aMesh.IsNull())
  {
    check(aMesh);
    aMesh->AddMesh(aFromKernel);
    check(aMesh);
  }
  return 0;
}
