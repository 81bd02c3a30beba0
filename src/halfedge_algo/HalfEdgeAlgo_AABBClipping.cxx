// The mesh kernel's headers come before the geometry kernel's (see Mesh.hxx).
#include <Mesh.hxx>

#include <HalfEdgeAlgo_AABBClipping.hxx>
#include <HalfEdgeAlgo_AABBClippingIndex.hxx>

#include <vector>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_AABBClipping, HalfEdgeAlgo_SubMesh)

HalfEdgeAlgo_AABBClipping::HalfEdgeAlgo_AABBClipping()
    : myIsIndexed(false)
{
}

HalfEdgeAlgo_AABBClipping::~HalfEdgeAlgo_AABBClipping() = default;

void HalfEdgeAlgo_AABBClipping::SetIndexed(bool theIsIndexed)
{
  myIsIndexed = theIsIndexed;
  myIndex.reset();
  myEdited.clear();
}

void HalfEdgeAlgo_AABBClipping::MarkEdited(const HalfEdgeAlgo_SubMesh& theSub)
{
  if (!myIsIndexed || !myIndex)
  {
    return;
  }
  for (const auto& anEntry : theSub.SourceNodeMap())
  {
    myEdited.push_back(anEntry.first);
  }
}

void HalfEdgeAlgo_AABBClipping::MarkEdited(const std::vector<int>& theNodes)
{
  if (myIsIndexed && myIndex)
  {
    myEdited.insert(myEdited.end(), theNodes.begin(), theNodes.end());
  }
}

bool HalfEdgeAlgo_AABBClipping::Perform(Mesh& theMesh)
{
  if (myBox.IsVoid())
  {
    return false;
  }
  // A face's box misses the clip box exactly when all its corners lie beyond
  // one and the same side of it.
  double aMin[3], aMax[3];
  myBox.Get(aMin[0], aMin[1], aMin[2], aMax[0], aMax[1], aMax[2]);
  const auto isMeeting = [&](Mesh::FaceHandle theFace)
  {
    unsigned char aCommon = 0x3f;
    for (const Mesh::VertexHandle aCorner : theMesh.fv_range(theFace))
    {
      const Mesh::Point& aPoint = theMesh.point(aCorner);
      unsigned char      aCode  = 0;
      for (int k = 0; k < 3; ++k)
      {
        aCode |= static_cast<unsigned char>((aPoint[k] < aMin[k] ? 1 : 0) << (2 * k));
        aCode |= static_cast<unsigned char>((aPoint[k] > aMax[k] ? 1 : 0) << (2 * k + 1));
      }
      aCommon &= aCode;
    }
    return aCommon == 0;
  };

  Copy             aCopy(theMesh);
  std::vector<int> aCandidates;
  if (myIsIndexed && (!myIndex || !myIndex->IsOver(theMesh)))
  {
    myIndex.reset(new HalfEdgeAlgo_AABBClippingIndex(theMesh));
    myEdited.clear();
  }
  if (myIndex && !myEdited.empty())
  {
    myIndex->Refresh(theMesh, myEdited);
    myEdited.clear();
  }
  if (myIndex && myIndex->Search(theMesh, aMin, aMax, aCandidates))
  {
    // The candidates come in ascending order, as the walk below takes them.
    for (const int aFace : aCandidates)
    {
      if (!theMesh.status(Mesh::FaceHandle(aFace)).deleted() && isMeeting(Mesh::FaceHandle(aFace)))
      {
        aCopy.AddFace(aFace);
      }
    }
  }
  else
  {
    for (const Mesh::FaceHandle aFace : theMesh.faces())
    {
      if (isMeeting(aFace))
      {
        aCopy.AddFace(aFace.idx());
      }
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
