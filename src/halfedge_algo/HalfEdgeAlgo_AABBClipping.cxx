// The mesh kernel's headers come before the geometry kernel's (see Mesh.hxx).
#include <Mesh.hxx>

#include <HalfEdgeAlgo_AABBClipping.hxx>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_AABBClipping, HalfEdgeAlgo_SubMesh)

bool HalfEdgeAlgo_AABBClipping::Perform(Mesh& theMesh)
{
  if (myBox.IsVoid())
  {
    return false;
  }
  Copy aCopy(theMesh);
  for (const Mesh::FaceHandle aFace : theMesh.faces())
  {
    Bnd_Box aFaceBox;
    for (const Mesh::VertexHandle aCorner : theMesh.fv_range(aFace))
    {
      const Mesh::Point& aPoint = theMesh.point(aCorner);
      aFaceBox.Add(gp_Pnt(aPoint[0], aPoint[1], aPoint[2]));
    }
    if (!aFaceBox.IsOut(myBox))
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
