// Mesh algorithms on the voxel skin of the teapot of tests/data at 1/512 of
// its bounding cube (about 940,000 faces), as shrink wrapping runs them:
// - projection of the skin's nodes onto the input (gaps 0 and a quarter of a
//   cell), counted in nodes per second;
// - triangulation of the skin's polygons, without a metric (as the
//   conversion to a triangulation does) and by skewness (as shrink wrapping
//   ends), counted in polygons per second; the conversion to a triangulation
//   itself (triangulation, garbage collection and copy), in faces per second;
// - collapse of the edges shorter than half a cell of the skin projected with
//   gap 0: projection crowds nodes where the input is thin or curved, and
//   these are the short edges the narrow-face collapse then removes; counted
//   in requested edges per second.
// Times are wall times, the CPU column is the CPU time of the whole process
// (all threads). Every run starts from a copy of the mesh made untimed. Run
// with OMP_WAIT_POLICY=passive: threads waiting between parallel loops then
// sleep instead of taking a core from the thread that works.

#include <Mesh.hxx>

#include <Algo_CartesianWrapping.hxx>
#include <Algo_VoxelizationMinSize.hxx>
#include <HalfEdgeAlgo_CollapseEdges.hxx>
#include <HalfEdgeAlgo_EdgeLengthCriterion.hxx>
#include <HalfEdgeAlgo_FindEdges.hxx>
#include <HalfEdgeAlgo_Projection.hxx>
#include <HalfEdgeAlgo_Triangulate.hxx>
#include <HalfEdge_Mesh.hxx>
#include <Pelk_API.hxx>
#include <Pelk_DummyProgressNotifier.hxx>

#include <Poly_Triangulation.hxx>

#include <benchmark/benchmark.h>

#include <functional>
#include <set>
#include <string>

namespace
{
const char* const THE_MESH      = "teapot_utah.stl";
const int         THE_DIVISIONS = 512;

// The input's triangle set, the skin, its projection with gap 0 and the
// projected skin's edges shorter than half a cell, made once.
struct Skin
{
  Handle(Trivex::TriangleSet) Input;
  Handle(HalfEdge_Mesh)       Mesh;
  Handle(HalfEdge_Mesh)       Projected;
  std::set<int>               ShortEdges;
  double                      CellSize   = 0.0;
  int                         NbPolygons = 0;
};

// Counts the faces of more than three corners.
class CountPolygons : public HalfEdgeAlgo_ModifyMesh
{
public:
  int NbPolygons = 0;

  std::string Name() const override { return "CountPolygons"; }

  bool Perform(::Mesh& theMesh) override
  {
    for (const ::Mesh::FaceHandle aFace : theMesh.faces())
    {
      NbPolygons += theMesh.valence(aFace) > 3 ? 1 : 0;
    }
    return true;
  }
};

Handle(HalfEdgeAlgo_Projection) projection(const Skin& theSkin, double theGapInCells, int theNbThreads)
{
  Handle(HalfEdgeAlgo_Projection) aProjection = new HalfEdgeAlgo_Projection();
  aProjection->SetTriangleSet(theSkin.Input);
  aProjection->SetGap(theGapInCells * theSkin.CellSize);
  aProjection->SetNbThreads(static_cast<unsigned int>(theNbThreads));
  return aProjection;
}

const Skin& skin()
{
  static const Skin THE_SKIN = []
  {
    Pelk_API anAPI;
    anAPI.ImportSTL((std::string(PELLISK_BENCH_DATA_DIR) + "/" + THE_MESH).c_str());
    const Handle(Poly_Triangulation) aMesh = anAPI.DirtyMesh();
    const Bnd_Box                    aCube = Algo_Voxelization::BoundingCube(aMesh);
    Skin                             aSkin;
    aSkin.CellSize                    = (aCube.CornerMax().X() - aCube.CornerMin().X()) / THE_DIVISIONS;
    Handle(Algo_Voxelization) aVoxels = new Algo_VoxelizationMinSize(Pelk_DummyProgressNotifier::Instance());
    aVoxels->SetTriangulation(aMesh);
    aVoxels->SetCellSize(aSkin.CellSize);
    aVoxels->SetNbThreads(2);
    aVoxels->Perform();
    Handle(Algo_CartesianWrapping) aWrap = new Algo_CartesianWrapping(Pelk_DummyProgressNotifier::Instance());
    aWrap->SetTree(aVoxels->GetTree());
    aWrap->SetTriangleSet(aVoxels->GetTriangleSet());
    aWrap->SetNbThreads(2);
    aWrap->Perform();
    aSkin.Input                  = aVoxels->GetTriangleSet();
    aSkin.Mesh                   = aWrap->Result();
    Handle(CountPolygons) aCount = new CountPolygons();
    aSkin.Mesh->Execute(aCount, false);
    aSkin.NbPolygons = aCount->NbPolygons;
    aSkin.Projected  = new HalfEdge_Mesh(aSkin.Mesh);
    aSkin.Projected->Execute(projection(aSkin, 0.0, 2), true);
    Handle(HalfEdgeAlgo_FindEdges) aFind = new HalfEdgeAlgo_FindEdges();
    aFind->AddCriterion(new HalfEdgeAlgo_EdgeLengthCriterion(0.0, 0.25 * aSkin.CellSize * aSkin.CellSize));
    aFind->SetNbThreads(2);
    aSkin.Projected->Execute(aFind, false);
    aSkin.ShortEdges = aFind->Found();
    return aSkin;
  }();
  return THE_SKIN;
}

// Runs theRun on a fresh copy of theMesh per iteration; the copy and its
// release are not timed.
void timeOnCopies(benchmark::State&                                        theState,
                  const Handle(HalfEdge_Mesh)&                             theMesh,
                  const std::function<void(const Handle(HalfEdge_Mesh)&)>& theRun)
{
  for (auto _ : theState)
  {
    theState.PauseTiming();
    Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(theMesh);
    theState.ResumeTiming();
    theRun(aMesh);
    theState.PauseTiming();
    aMesh.Nullify();
    theState.ResumeTiming();
  }
}

void projectionBench(benchmark::State& theState, double theGapInCells, int theNbThreads)
{
  const Skin&                           aSkin       = skin();
  const Handle(HalfEdgeAlgo_Projection) aProjection = projection(aSkin, theGapInCells, theNbThreads);
  timeOnCopies(theState, aSkin.Mesh,
               [&](const Handle(HalfEdge_Mesh)& theMesh) { theMesh->Execute(aProjection, false); });
  theState.counters["skin nodes"] = aSkin.Mesh->NbNodes();
  theState.counters["skin faces"] = aSkin.Mesh->NbFaces();
  theState.counters["nodes/s"] =
      benchmark::Counter(aSkin.Mesh->NbNodes(), benchmark::Counter::kIsIterationInvariantRate);
}

void triangulationBench(benchmark::State& theState, const std::string& theMetric, int theNbThreads)
{
  const Skin& aSkin  = skin();
  bool        isDone = true;
  timeOnCopies(theState, aSkin.Mesh,
               [&](const Handle(HalfEdge_Mesh)& theMesh)
               {
                 Handle(HalfEdgeAlgo_Triangulate) aTriangulate = new HalfEdgeAlgo_Triangulate(theMetric);
                 aTriangulate->SetNbThreads(static_cast<unsigned int>(theNbThreads));
                 isDone = theMesh->Execute(aTriangulate, false) && isDone;
               });
  theState.counters["polygons"] = aSkin.NbPolygons;
  theState.counters["done"]     = isDone ? 1 : 0;
  theState.counters["faces/s"] =
      benchmark::Counter(aSkin.NbPolygons, benchmark::Counter::kIsIterationInvariantRate);
}

void conversionBench(benchmark::State& theState)
{
  const Skin& aSkin        = skin();
  int         aNbTriangles = 0;
  timeOnCopies(theState, aSkin.Mesh,
               [&](const Handle(HalfEdge_Mesh)& theMesh)
               {
                 const Handle(Poly_Triangulation) aTriangulation = *theMesh;
                 aNbTriangles = aTriangulation.IsNull() ? 0 : aTriangulation->NbTriangles();
               });
  theState.counters["triangles"] = aNbTriangles;
  theState.counters["faces/s"] =
      benchmark::Counter(aSkin.Mesh->NbFaces(), benchmark::Counter::kIsIterationInvariantRate);
}

void collapseBench(benchmark::State& theState)
{
  const Skin& aSkin  = skin();
  bool        isDone = true;
  timeOnCopies(theState, aSkin.Projected,
               [&](const Handle(HalfEdge_Mesh)& theMesh)
               {
                 Handle(HalfEdgeAlgo_CollapseEdges) aCollapse = new HalfEdgeAlgo_CollapseEdges();
                 aCollapse->SetEdges(aSkin.ShortEdges);
                 isDone = theMesh->Execute(aCollapse, false) && isDone;
               });
  theState.counters["faces"]       = aSkin.Projected->NbFaces();
  theState.counters["short edges"] = static_cast<double>(aSkin.ShortEdges.size());
  theState.counters["done"]        = isDone ? 1 : 0;
  theState.counters["edges/s"]     = benchmark::Counter(static_cast<double>(aSkin.ShortEdges.size()),
                                                        benchmark::Counter::kIsIterationInvariantRate);
}

void registerBenchmark(const std::string& theName, const std::function<void(benchmark::State&)>& theRun)
{
  benchmark::RegisterBenchmark(theName.c_str(), theRun)
      ->Unit(benchmark::kMillisecond)
      ->MeasureProcessCPUTime()
      ->UseRealTime();
}
} // namespace

int main(int theArgc, char** theArgv)
{
  const std::string aSkinName = std::string(THE_MESH) + "/" + std::to_string(THE_DIVISIONS);
  for (const int aNbThreads : {1, 2})
  {
    const std::string aThreads = "/threads:" + std::to_string(aNbThreads);
    for (const double aGap : {0.0, 0.25})
    {
      registerBenchmark("projection/" + aSkinName + "/gap:" + (aGap == 0.0 ? "0" : "0.25cell") + aThreads,
                        [=](benchmark::State& theState) { projectionBench(theState, aGap, aNbThreads); });
    }
    for (const std::string aMetric : {"", "skewness"})
    {
      registerBenchmark(
          "triangulation/" + aSkinName + "/metric:" + (aMetric.empty() ? "none" : aMetric) + aThreads,
          [=](benchmark::State& theState) { triangulationBench(theState, aMetric, aNbThreads); });
    }
  }
  registerBenchmark("conversion to triangulation/" + aSkinName, conversionBench);
  registerBenchmark("collapse of edges under half a cell/" + aSkinName + "/projected", collapseBench);
  benchmark::Initialize(&theArgc, theArgv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
