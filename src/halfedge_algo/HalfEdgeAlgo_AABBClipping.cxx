// The mesh kernel's headers come before the geometry kernel's (see Mesh.hxx).
#include <Mesh.hxx>

#include <HalfEdgeAlgo_AABBClipping.hxx>

#include <vector>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_AABBClipping, HalfEdgeAlgo_SubMesh)

bool HalfEdgeAlgo_AABBClipping::Perform(Mesh& theMesh)
{
  if (myBox.IsVoid())
  {
    return false;
  }
  // A face's box misses the clip box exactly when all its corners lie beyond
  // one and the same side of it. Each node's sides are worked out once, and a
  // face ANDs those of its corners: the repairs clip the whole surface once
  // per group they work on, so this loop is their largest cost on big meshes.
  double aMin[3], aMax[3];
  myBox.Get(aMin[0], aMin[1], aMin[2], aMax[0], aMax[1], aMax[2]);
  std::vector<unsigned char> aSides(theMesh.n_vertices(), 0);
  for (size_t aNode = 0; aNode < aSides.size(); ++aNode)
  {
    const Mesh::Point& aPoint = theMesh.point(Mesh::VertexHandle(static_cast<int>(aNode)));
    unsigned char      aCode  = 0;
    for (int k = 0; k < 3; ++k)
    {
      aCode |= static_cast<unsigned char>((aPoint[k] < aMin[k] ? 1 : 0) << (2 * k));
      aCode |= static_cast<unsigned char>((aPoint[k] > aMax[k] ? 1 : 0) << (2 * k + 1));
    }
    aSides[aNode] = aCode;
  }
  Copy aCopy(theMesh);
  for (const Mesh::FaceHandle aFace : theMesh.faces())
  {
    unsigned char aCommon = 0x3f;
    for (const Mesh::VertexHandle aCorner : theMesh.fv_range(aFace))
    {
      aCommon &= aSides[static_cast<size_t>(aCorner.idx())];
    }
    if (aCommon == 0)
    {
      aCopy.AddFace(aFace.idx());
    }
  }
  if (aCopy.NbFaces() == 0)
  {
    return false;
  }
  setResult(aCopy);
  return true;
}

std::string HalfEdgeAlgo_AABBClipping::Name() const
{
  return "HalfEdgeAlgo_AABBClipping";
}
