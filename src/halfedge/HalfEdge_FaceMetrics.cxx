#include <HalfEdge_FaceMetrics.hxx>

#include <algorithm>
#include <limits>

namespace
{
// The value kept for faces that have none (deleted ones): below 0, so left out of the statistics.
constexpr double THE_NO_VALUE = -std::numeric_limits<double>::max();
} // namespace

HalfEdge_FaceMetrics::HalfEdge_FaceMetrics(Mesh& theMesh, const char* theName)
    : HalfEdge_Metrics<OpenMesh::FPropHandleT<double>>(theMesh, theName),
      myMin(std::numeric_limits<double>::max()),
      myMax(-1.0),
      myMean(0.0),
      myCount(0),
      myNbFaces(0)
{
}

HalfEdge_FaceMetrics::~HalfEdge_FaceMetrics() = default;

void HalfEdge_FaceMetrics::Compute()
{
  const Mesh& aMesh    = getMesh();
  myMin                = std::numeric_limits<double>::max();
  myMax                = -1.0;
  myMean               = 0.0;
  myCount              = 0;
  myNbFaces            = aMesh.n_faces();
  const bool hasStatus = aMesh.has_face_status();
  for (Mesh::FaceHandle aFace : aMesh.all_faces())
  {
    if (hasStatus && aMesh.status(aFace).deleted())
    {
      (*this)[aFace] = THE_NO_VALUE;
      continue;
    }
    const double aValue = faceValue(aFace);
    (*this)[aFace]      = aValue;
    if (aValue >= 0.0)
    {
      myMin = std::min(myMin, aValue);
      myMax = std::max(myMax, aValue);
      myMean += aValue;
      ++myCount;
    }
  }
  if (myCount > 0)
  {
    myMean /= static_cast<double>(myCount);
  }
}

void HalfEdge_FaceMetrics::Update(int theFace)
{
  const Mesh& aMesh = getMesh();
  if (aMesh.n_faces() != myNbFaces + 1)
  {
    Compute();
    return;
  }
  if (theFace < 0 || theFace >= static_cast<int>(aMesh.n_faces()) ||
      (aMesh.has_face_status() && aMesh.status(Mesh::FaceHandle(theFace)).deleted()))
  {
    return;
  }
  const Mesh::FaceHandle aFace(theFace);
  const double           aValue = faceValue(aFace);
  if (aValue >= 0.0)
  {
    myMin  = std::min(myMin, aValue);
    myMax  = std::max(myMax, aValue);
    myMean = (myMean * static_cast<double>(myCount) + aValue) / static_cast<double>(myCount + 1);
    ++myCount;
  }
  // The face count stays at the last full computation: the next statistics
  // read sees the grown mesh and computes everything again.
  (*this)[aFace] = aValue;
}

double HalfEdge_FaceMetrics::Min()
{
  refresh();
  return myMin;
}

double HalfEdge_FaceMetrics::Mean()
{
  refresh();
  return myMean;
}

double HalfEdge_FaceMetrics::Max()
{
  refresh();
  return myMax;
}

double HalfEdge_FaceMetrics::Value(int theFace) const
{
  if (theFace < 0 || theFace >= static_cast<int>(getMesh().n_faces()))
  {
    return THE_NO_VALUE;
  }
  return (*this)[Mesh::FaceHandle(theFace)];
}

void HalfEdge_FaceMetrics::refresh()
{
  if (getMesh().n_faces() != myNbFaces)
  {
    Compute();
  }
}
