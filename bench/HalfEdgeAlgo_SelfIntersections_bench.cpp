// The self-intersection check against CGAL's self-intersection test, on the
// same meshes in the same run, about a million triangles each:
// - "clean skin": the voxel skin of the teapot of tests/data at 1/512 of its
//   bounding cube, triangulated: no crossing, so a yes/no answer needs the
//   whole mesh, as when a finished wrap is checked;
// - "skin": the same skin projected onto the teapot with a gap of a tenth of
//   a cell and triangulated, as shrink wrapping leaves it before its repair
//   (a few hundred crossings, found early by a yes/no answer);
// - "bones": the bones of tests/data (26 closed shells that interpenetrate),
//   every triangle split in four four times (crossings at every joint).
// Each is checked for a yes/no answer and for every crossing (our groups;
// CGAL's list of face pairs), on 1 and 2 threads (CGAL: sequential, and
// parallel with TBB limited to 2 threads). Times are wall times and include
// building the search structures, as both tools do on every call. Run with
// OMP_WAIT_POLICY=passive.

// CGAL first: OCCT's Handle(...) macro would break its headers.
#include <CGAL/Polygon_mesh_processing/self_intersections.h>
#include <CGAL/Simple_cartesian.h>
#include <CGAL/Surface_mesh.h>
#ifdef CGAL_LINKED_WITH_TBB
#include <tbb/global_control.h>
#endif

#include <Mesh.hxx>

#include <Algo_CartesianWrapping.hxx>
#include <Algo_VoxelizationMinSize.hxx>
#include <HalfEdgeAlgo_CheckSelfIntersections.hxx>
#include <HalfEdgeAlgo_Projection.hxx>
#include <HalfEdgeAlgo_Triangulate.hxx>
#include <HalfEdge_Mesh.hxx>
#include <Pelk_API.hxx>
#include <Pelk_DummyProgressNotifier.hxx>

#include <Poly_Triangulation.hxx>

#include <benchmark/benchmark.h>

#include <array>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace
{
typedef CGAL::Simple_cartesian<double>                    K;
typedef CGAL::Surface_mesh<K::Point_3>                    SurfaceMesh;
typedef boost::graph_traits<SurfaceMesh>::face_descriptor CgalFace;

// One mesh in both tools' storage.
struct Case
{
  Handle(HalfEdge_Mesh) Ours;
  SurfaceMesh           Cgal;
};

Handle(Poly_Triangulation) readData(const std::string& theName)
{
  Pelk_API anAPI;
  anAPI.ImportSTL((std::string(PELLISK_BENCH_DATA_DIR) + "/" + theName).c_str());
  return anAPI.DirtyMesh();
}

// Every triangle split in four at the midpoints of its sides, shared between
// neighbours, theNbLevels times.
Handle(Poly_Triangulation) subdivided(const Handle(Poly_Triangulation)& theMesh, int theNbLevels)
{
  std::vector<gp_Pnt>             aNodes;
  std::vector<std::array<int, 3>> aTriangles;
  for (int i = 1; i <= theMesh->NbNodes(); ++i)
  {
    aNodes.push_back(theMesh->Node(i));
  }
  for (int i = 1; i <= theMesh->NbTriangles(); ++i)
  {
    int a, b, c;
    theMesh->Triangle(i).Get(a, b, c);
    aTriangles.push_back({a - 1, b - 1, c - 1});
  }
  for (int aLevel = 0; aLevel < theNbLevels; ++aLevel)
  {
    std::map<std::pair<int, int>, int> aMiddles;
    auto                               aMiddle = [&](int theA, int theB)
    {
      const auto aKey             = std::minmax(theA, theB);
      const auto [aFound, isMade] = aMiddles.emplace(aKey, static_cast<int>(aNodes.size()));
      if (isMade)
      {
        aNodes.push_back(gp_Pnt((aNodes[theA].XYZ() + aNodes[theB].XYZ()) / 2.0));
      }
      return aFound->second;
    };
    std::vector<std::array<int, 3>> aFiner;
    for (const auto& [a, b, c] : aTriangles)
    {
      const int ab = aMiddle(a, b), bc = aMiddle(b, c), ca = aMiddle(c, a);
      aFiner.insert(aFiner.end(), {{a, ab, ca}, {ab, b, bc}, {ca, bc, c}, {ab, bc, ca}});
    }
    aTriangles.swap(aFiner);
  }
  Handle(Poly_Triangulation) aResult =
      new Poly_Triangulation(static_cast<int>(aNodes.size()), static_cast<int>(aTriangles.size()), false);
  for (int i = 0; i < static_cast<int>(aNodes.size()); ++i)
  {
    aResult->SetNode(i + 1, aNodes[i]);
  }
  for (int i = 0; i < static_cast<int>(aTriangles.size()); ++i)
  {
    aResult->SetTriangle(i + 1,
                         Poly_Triangle(aTriangles[i][0] + 1, aTriangles[i][1] + 1, aTriangles[i][2] + 1));
  }
  return aResult;
}

// The teapot's skin, projected with a gap of theGap cells unless theGap < 0.
Handle(Poly_Triangulation) teapotSkin(double theGap)
{
  const Handle(Poly_Triangulation) aTeapot = readData("teapot_utah.stl");
  const Bnd_Box                    aCube   = Algo_Voxelization::BoundingCube(aTeapot);
  const double                     aCell   = (aCube.CornerMax().X() - aCube.CornerMin().X()) / 512;
  Handle(Algo_Voxelization) aVoxels = new Algo_VoxelizationMinSize(Pelk_DummyProgressNotifier::Instance());
  aVoxels->SetTriangulation(aTeapot);
  aVoxels->SetCellSize(aCell);
  aVoxels->SetNbThreads(2);
  aVoxels->Perform();
  Handle(Algo_CartesianWrapping) aWrap = new Algo_CartesianWrapping(Pelk_DummyProgressNotifier::Instance());
  aWrap->SetTree(aVoxels->GetTree());
  aWrap->SetTriangleSet(aVoxels->GetTriangleSet());
  aWrap->SetNbThreads(2);
  aWrap->Perform();
  const Handle(HalfEdge_Mesh) aSkin = aWrap->Result();
  if (theGap >= 0.0)
  {
    Handle(HalfEdgeAlgo_Projection) aProjection = new HalfEdgeAlgo_Projection();
    aProjection->SetTriangleSet(aVoxels->GetTriangleSet());
    aProjection->SetGap(theGap * aCell);
    aProjection->SetNbThreads(2);
    aSkin->Execute(aProjection, true);
  }
  Handle(HalfEdgeAlgo_Triangulate) aTriangulate = new HalfEdgeAlgo_Triangulate("skewness");
  aTriangulate->SetNbThreads(2);
  aSkin->Execute(aTriangulate, true);
  return *aSkin;
}

void fill(Case& theCase, const Handle(Poly_Triangulation)& theMesh)
{
  theCase.Ours                                   = new HalfEdge_Mesh(theMesh);
  const Handle(Poly_Triangulation)       aMerged = *theCase.Ours;
  std::vector<SurfaceMesh::Vertex_index> aVertices;
  for (int i = 1; i <= aMerged->NbNodes(); ++i)
  {
    const gp_Pnt aP = aMerged->Node(i);
    aVertices.push_back(theCase.Cgal.add_vertex(K::Point_3(aP.X(), aP.Y(), aP.Z())));
  }
  for (int i = 1; i <= aMerged->NbTriangles(); ++i)
  {
    int a, b, c;
    aMerged->Triangle(i).Get(a, b, c);
    theCase.Cgal.add_face(aVertices[a - 1], aVertices[b - 1], aVertices[c - 1]);
  }
}

const Case& data(const std::string& theName)
{
  static std::map<std::string, Case> THE_CASES;
  Case&                              aCase = THE_CASES[theName];
  if (aCase.Ours.IsNull())
  {
    fill(aCase, theName == "bones" ? subdivided(readData("bones_cgal.stl"), 4)
                                   : teapotSkin(theName == "skin" ? 0.1 : -1.0));
  }
  return aCase;
}

void oursBench(benchmark::State& theState, const std::string& theName, bool theIsGroups, int theNbThreads)
{
  const Case&                                 aCase  = data(theName);
  Handle(HalfEdgeAlgo_CheckSelfIntersections) aCheck = new HalfEdgeAlgo_CheckSelfIntersections();
  aCheck->SetCollectGroups(theIsGroups);
  aCheck->SetNbThreads(static_cast<unsigned int>(theNbThreads));
  bool isFound = false;
  for (auto _ : theState)
  {
    isFound = aCase.Ours->Execute(aCheck, false);
  }
  size_t aNbFaces = 0;
  for (const std::set<int>& aGroup : aCheck->Groups())
  {
    aNbFaces += aGroup.size();
  }
  theState.counters["triangles"]       = aCase.Ours->NbFaces();
  theState.counters["found"]           = isFound ? 1 : 0;
  theState.counters["groups"]          = static_cast<double>(aCheck->Groups().size());
  theState.counters["faces in groups"] = static_cast<double>(aNbFaces);
}

template <class Tag>
void cgalBench(benchmark::State& theState, const std::string& theName, bool theIsPairs)
{
  const Case& aCase = data(theName);
#ifdef CGAL_LINKED_WITH_TBB
  tbb::global_control aLimit(tbb::global_control::max_allowed_parallelism, 2);
#endif
  bool                                       isFound = false;
  std::vector<std::pair<CgalFace, CgalFace>> aPairs;
  for (auto _ : theState)
  {
    if (theIsPairs)
    {
      aPairs.clear();
      CGAL::Polygon_mesh_processing::self_intersections<Tag>(aCase.Cgal, std::back_inserter(aPairs));
      isFound = !aPairs.empty();
    }
    else
    {
      isFound = CGAL::Polygon_mesh_processing::does_self_intersect<Tag>(aCase.Cgal);
    }
  }
  theState.counters["triangles"] = aCase.Cgal.number_of_faces();
  theState.counters["found"]     = isFound ? 1 : 0;
  theState.counters["pairs"]     = static_cast<double>(aPairs.size());
}

void registerBenchmark(const std::string& theName, const std::function<void(benchmark::State&)>& theRun)
{
  benchmark::RegisterBenchmark(theName.c_str(), theRun)
      ->Unit(benchmark::kMillisecond)
      ->MeasureProcessCPUTime()
      ->UseRealTime()
      ->Iterations(3);
}
} // namespace

int main(int theArgc, char** theArgv)
{
  for (const std::string aName : {"clean skin", "skin", "bones"})
  {
    for (const bool isAll : {false, true})
    {
      const std::string aMode = aName + (isAll ? "/all crossings" : "/yes or no");
      for (const int aNbThreads : {1, 2})
      {
        registerBenchmark("ours/" + aMode + "/threads:" + std::to_string(aNbThreads),
                          [=](benchmark::State& theState) { oursBench(theState, aName, isAll, aNbThreads); });
      }
      registerBenchmark("CGAL/" + aMode + "/sequential", [=](benchmark::State& theState)
                        { cgalBench<CGAL::Sequential_tag>(theState, aName, isAll); });
#ifdef CGAL_LINKED_WITH_TBB
      registerBenchmark("CGAL/" + aMode + "/parallel:2", [=](benchmark::State& theState)
                        { cgalBench<CGAL::Parallel_tag>(theState, aName, isAll); });
#endif
    }
  }
  benchmark::Initialize(&theArgc, theArgv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
