// Time of each stage of wrapping a real mesh into its voxel skin: import of the
// STL file, minimum-size voxelization, Cartesian wrapping, and export of the
// skin (its polygons triangulated) as binary STL. Cell sizes are 1/32, 1/128
// and 1/256 of the bounding cube.

#include <Algo_CartesianWrapping.hxx>
#include <Algo_VoxelizationMinSize.hxx>
#include <HalfEdge_IO.hxx>
#include <HalfEdge_Mesh.hxx>
#include <Pelk_API.hxx>
#include <Pelk_DummyProgressNotifier.hxx>
#include <SVO_Tree.hxx>
#include <Trivex_TriangleSet.hxx>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

namespace
{
const char* const THE_MESHES[]    = {"teapot_utah.stl", "spider_assimp.stl", "maxexport_assimp.stl",
                                     "boeing_cgal.stl"};
const int         THE_DIVISIONS[] = {32, 128, 256};

std::string dataFile(const std::string& theName)
{
  return std::string(PELLISK_BENCH_DATA_DIR) + "/" + theName;
}

Handle(Poly_Triangulation) import(const std::string& theName)
{
  Pelk_API anAPI;
  anAPI.ImportSTL(dataFile(theName).c_str());
  return anAPI.DirtyMesh();
}

// Side of the cube the voxelization wraps around the mesh.
double cubeEdge(const Handle(Poly_Triangulation)& theMesh)
{
  const Bnd_Box aCube = Algo_Voxelization::BoundingCube(theMesh);
  return aCube.IsVoid() ? 0.0 : aCube.CornerMax().X() - aCube.CornerMin().X();
}

Handle(Algo_Voxelization)
voxelize(const Handle(Poly_Triangulation)& theMesh, int theDivisions, int theNbThreads)
{
  Handle(Algo_Voxelization) anAlgo = new Algo_VoxelizationMinSize(Pelk_DummyProgressNotifier::Instance());
  anAlgo->SetTriangulation(theMesh);
  anAlgo->SetCellSize(cubeEdge(theMesh) / theDivisions);
  anAlgo->SetNbThreads(static_cast<unsigned int>(theNbThreads));
  anAlgo->Perform();
  return anAlgo;
}

Handle(HalfEdge_Mesh) wrap(const Handle(Algo_Voxelization)& theVoxels, int theNbThreads)
{
  Handle(Algo_CartesianWrapping) anAlgo = new Algo_CartesianWrapping(Pelk_DummyProgressNotifier::Instance());
  anAlgo->SetTree(theVoxels->GetTree());
  anAlgo->SetTriangleSet(theVoxels->GetTriangleSet());
  anAlgo->SetNbThreads(static_cast<unsigned int>(theNbThreads));
  anAlgo->Perform();
  return anAlgo->Result();
}

void importStage(benchmark::State& theState, const std::string& theName)
{
  for (auto _ : theState)
  {
    benchmark::DoNotOptimize(import(theName));
  }
}

void voxelizationStage(benchmark::State&  theState,
                       const std::string& theName,
                       int                theDivisions,
                       int                theNbThreads)
{
  const Handle(Poly_Triangulation) aMesh    = import(theName);
  size_t                           aNbNodes = 0;
  for (auto _ : theState)
  {
    aNbNodes = voxelize(aMesh, theDivisions, theNbThreads)->GetTree()->NbNodes();
  }
  theState.counters["octree nodes"] = static_cast<double>(aNbNodes);
}

void wrappingStage(benchmark::State& theState, const std::string& theName, int theDivisions, int theNbThreads)
{
  const Handle(Algo_Voxelization) aVoxels = voxelize(import(theName), theDivisions, theNbThreads);
  Handle(HalfEdge_Mesh)           aSkin;
  for (auto _ : theState)
  {
    aSkin = wrap(aVoxels, theNbThreads);
  }
  theState.counters["skin nodes"] = aSkin.IsNull() ? 0.0 : aSkin->NbNodes();
  theState.counters["skin faces"] = aSkin.IsNull() ? 0.0 : aSkin->NbFaces();
}

void exportStage(benchmark::State& theState, const std::string& theName, int theDivisions, int theNbThreads)
{
  const Handle(HalfEdge_Mesh) aSkin =
      wrap(voxelize(import(theName), theDivisions, theNbThreads), theNbThreads);
  const std::string aFile = "/tmp/pellisk_wrapping_bench_" + std::to_string(theDivisions) + ".stl";
  for (auto _ : theState)
  {
    // The library splits the polygons into triangles on a copy: each round starts from the polygon skin.
    HalfEdge_IO::ExportSTL(aSkin, aFile, true);
  }
  std::remove(aFile.c_str());
}
} // namespace

int main(int theArgc, char** theArgv)
{
  for (const char* aMesh : THE_MESHES)
  {
    const std::string aName = aMesh;
    benchmark::RegisterBenchmark(("import/" + aName).c_str(), importStage, aName)
        ->Unit(benchmark::kMillisecond);
    for (const int aDivisions : THE_DIVISIONS)
    {
      const std::string aSuffix = aName + "/" + std::to_string(aDivisions);
      for (const int aNbThreads : {1, 2})
      {
        const std::string aThreads = "/threads:" + std::to_string(aNbThreads);
        benchmark::RegisterBenchmark(("voxelization/" + aSuffix + aThreads).c_str(), voxelizationStage, aName,
                                     aDivisions, aNbThreads)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("wrapping/" + aSuffix + aThreads).c_str(), wrappingStage, aName,
                                     aDivisions, aNbThreads)
            ->Unit(benchmark::kMillisecond);
      }
      benchmark::RegisterBenchmark(("export/" + aSuffix).c_str(), exportStage, aName, aDivisions, 2)
          ->Unit(benchmark::kMillisecond);
    }
  }
  benchmark::Initialize(&theArgc, theArgv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
