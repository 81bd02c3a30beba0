// Projection of the nodes of a voxel skin onto the mesh it wraps, as shrink
// wrapping runs it: the teapot of tests/data voxelized at 1/512 of its
// bounding cube gives a skin of about 940,000 faces. Gaps 0 and a quarter of
// a cell, 1 and 2 threads. Times are wall times, the CPU column is the CPU
// time of the whole process (all threads), and the counter is nodes projected
// per second of wall time.

#include <Algo_CartesianWrapping.hxx>
#include <Algo_VoxelizationMinSize.hxx>
#include <HalfEdgeAlgo_Projection.hxx>
#include <HalfEdge_Mesh.hxx>
#include <Pelk_API.hxx>
#include <Pelk_DummyProgressNotifier.hxx>

#include <benchmark/benchmark.h>

#include <string>

namespace
{
const char* const THE_MESH      = "teapot_utah.stl";
const int         THE_DIVISIONS = 512;

// The input's triangle set, the skin and its cell size, made once.
struct Skin
{
  Handle(Trivex::TriangleSet) Input;
  Handle(HalfEdge_Mesh)       Mesh;
  double                      CellSize = 0.0;
};

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
    aSkin.Input = aVoxels->GetTriangleSet();
    aSkin.Mesh  = aWrap->Result();
    return aSkin;
  }();
  return THE_SKIN;
}

void projection(benchmark::State& theState, double theGapInCells, int theNbThreads)
{
  const Skin&                     aSkin       = skin();
  Handle(HalfEdgeAlgo_Projection) aProjection = new HalfEdgeAlgo_Projection();
  aProjection->SetTriangleSet(aSkin.Input);
  aProjection->SetGap(theGapInCells * aSkin.CellSize);
  aProjection->SetNbThreads(static_cast<unsigned int>(theNbThreads));
  for (auto _ : theState)
  {
    // Every run starts from the skin as it was made; copying and releasing it is not timed.
    theState.PauseTiming();
    Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(aSkin.Mesh);
    theState.ResumeTiming();
    aMesh->Execute(aProjection, false);
    theState.PauseTiming();
    aMesh.Nullify();
    theState.ResumeTiming();
  }
  theState.counters["skin nodes"] = aSkin.Mesh->NbNodes();
  theState.counters["skin faces"] = aSkin.Mesh->NbFaces();
  theState.counters["nodes/s"] =
      benchmark::Counter(aSkin.Mesh->NbNodes(), benchmark::Counter::kIsIterationInvariantRate);
}
} // namespace

int main(int theArgc, char** theArgv)
{
  for (const double aGap : {0.0, 0.25})
  {
    for (const int aNbThreads : {1, 2})
    {
      const std::string aName = std::string("projection/") + THE_MESH + "/" + std::to_string(THE_DIVISIONS) +
                                "/gap:" + (aGap == 0.0 ? "0" : "0.25cell") +
                                "/threads:" + std::to_string(aNbThreads);
      benchmark::RegisterBenchmark(aName.c_str(), projection, aGap, aNbThreads)
          ->Unit(benchmark::kMillisecond)
          ->MeasureProcessCPUTime()
          ->UseRealTime();
    }
  }
  benchmark::Initialize(&theArgc, theArgv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
