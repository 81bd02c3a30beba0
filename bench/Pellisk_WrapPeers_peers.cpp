// The two peer wrappers of Pellisk_WrapPeers_bench, each compiled in only when
// its package was found (PELLISK_HAS_CGAL, PELLISK_HAS_OPENVDB).

#ifdef PELLISK_HAS_CGAL
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/Surface_mesh.h>
#include <CGAL/alpha_wrap_3.h>
#endif
#ifdef PELLISK_HAS_OPENVDB
#include <openvdb/openvdb.h>
#include <openvdb/tools/MeshToVolume.h>
#include <openvdb/tools/VolumeToMesh.h>
#include <tbb/global_control.h>
#endif

#include "Pellisk_WrapPeers.hxx"

#include <chrono>
#include <exception>
#include <map>

namespace
{
double secondsSince(const std::chrono::steady_clock::time_point& theStart)
{
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - theStart).count();
}

#if !defined(PELLISK_HAS_CGAL) || !defined(PELLISK_HAS_OPENVDB)
WrapPeers::PeerRun absent(const char* theWhat)
{
  WrapPeers::PeerRun aRun;
  aRun.Error = std::string(theWhat) + " was not found when the bench was built";
  return aRun;
}
#endif
} // namespace

#ifdef PELLISK_HAS_CGAL
bool WrapPeers::HasAlphaWrap()
{
  return true;
}

WrapPeers::PeerRun WrapPeers::AlphaWrap(const Soup& theInput, double theAlpha, double theOffset)
{
  using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;
  using Point  = Kernel::Point_3;
  std::vector<Point>                      aPoints;
  std::vector<std::array<std::size_t, 3>> aFaces;
  for (const std::array<double, 3>& aPoint : theInput.Points)
  {
    aPoints.emplace_back(aPoint[0], aPoint[1], aPoint[2]);
  }
  for (const std::array<int, 3>& aTriangle : theInput.Triangles)
  {
    aFaces.push_back({std::size_t(aTriangle[0]), std::size_t(aTriangle[1]), std::size_t(aTriangle[2])});
  }
  PeerRun                   aRun;
  CGAL::Surface_mesh<Point> aWrap;
  try
  {
    const auto aStart = std::chrono::steady_clock::now();
    CGAL::alpha_wrap_3(aPoints, aFaces, theAlpha, theOffset, aWrap);
    aRun.PartSeconds.push_back(secondsSince(aStart));
  }
  catch (const std::exception& theError)
  {
    aRun.Error = theError.what();
    return aRun;
  }
  std::map<CGAL::Surface_mesh<Point>::Vertex_index, int> aNumbers;
  for (const auto aVertex : aWrap.vertices())
  {
    const Point& aPoint = aWrap.point(aVertex);
    aNumbers[aVertex]   = static_cast<int>(aRun.Result.Points.size());
    aRun.Result.Points.push_back({aPoint.x(), aPoint.y(), aPoint.z()});
  }
  for (const auto aFace : aWrap.faces())
  {
    std::vector<int> aCorners;
    for (const auto aVertex : CGAL::vertices_around_face(aWrap.halfedge(aFace), aWrap))
    {
      aCorners.push_back(aNumbers[aVertex]);
    }
    // The wrap is made of triangles; a larger face would be fanned.
    for (size_t k = 2; k < aCorners.size(); ++k)
    {
      aRun.Result.Triangles.push_back({aCorners[0], aCorners[k - 1], aCorners[k]});
    }
  }
  aRun.IsDone = true;
  return aRun;
}
#else
bool WrapPeers::HasAlphaWrap()
{
  return false;
}

WrapPeers::PeerRun WrapPeers::AlphaWrap(const Soup&, double, double)
{
  return absent("CGAL");
}
#endif

#ifdef PELLISK_HAS_OPENVDB
bool WrapPeers::HasLevelSetWrap()
{
  return true;
}

WrapPeers::PeerRun
WrapPeers::LevelSetWrap(const Soup& theInput, double theVoxel, double theIsoValue, int theNbThreads)
{
  openvdb::initialize();
  tbb::global_control               aThreads(tbb::global_control::max_allowed_parallelism, theNbThreads);
  std::vector<openvdb::Vec3s>       aPoints;
  std::vector<openvdb::Vec3I>       aTriangles;
  const std::vector<openvdb::Vec4I> aNoQuads;
  for (const std::array<double, 3>& aPoint : theInput.Points)
  {
    aPoints.emplace_back(float(aPoint[0]), float(aPoint[1]), float(aPoint[2]));
  }
  for (const std::array<int, 3>& aTriangle : theInput.Triangles)
  {
    aTriangles.emplace_back(aTriangle[0], aTriangle[1], aTriangle[2]);
  }
  // The band must reach past the iso-value; three voxels is the usual width.
  const float                 aBandInVoxels = 3.0f;
  PeerRun                     aRun;
  std::vector<openvdb::Vec3s> aWrapPoints;
  std::vector<openvdb::Vec3I> aWrapTriangles;
  std::vector<openvdb::Vec4I> aWrapQuads;
  try
  {
    const openvdb::math::Transform::Ptr aTransform =
        openvdb::math::Transform::createLinearTransform(theVoxel);
    const auto                    aStart = std::chrono::steady_clock::now();
    const openvdb::FloatGrid::Ptr aField = openvdb::tools::meshToUnsignedDistanceField<openvdb::FloatGrid>(
        *aTransform, aPoints, aTriangles, aNoQuads, aBandInVoxels);
    aRun.PartSeconds.push_back(secondsSince(aStart));
    const auto anExtraction = std::chrono::steady_clock::now();
    openvdb::tools::volumeToMesh(*aField, aWrapPoints, aWrapTriangles, aWrapQuads, theIsoValue, 0.0);
    aRun.PartSeconds.push_back(secondsSince(anExtraction));
  }
  catch (const std::exception& theError)
  {
    aRun.Error = theError.what();
    return aRun;
  }
  for (const openvdb::Vec3s& aPoint : aWrapPoints)
  {
    aRun.Result.Points.push_back({aPoint.x(), aPoint.y(), aPoint.z()});
  }
  for (const openvdb::Vec3I& aTriangle : aWrapTriangles)
  {
    aRun.Result.Triangles.push_back({int(aTriangle[0]), int(aTriangle[1]), int(aTriangle[2])});
  }
  for (const openvdb::Vec4I& aQuad : aWrapQuads)
  {
    aRun.Result.Triangles.push_back({int(aQuad[0]), int(aQuad[1]), int(aQuad[2])});
    aRun.Result.Triangles.push_back({int(aQuad[0]), int(aQuad[2]), int(aQuad[3])});
  }
  aRun.IsDone = true;
  return aRun;
}
#else
bool WrapPeers::HasLevelSetWrap()
{
  return false;
}

WrapPeers::PeerRun WrapPeers::LevelSetWrap(const Soup&, double, double, int)
{
  return absent("OpenVDB");
}
#endif
