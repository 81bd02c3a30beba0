// Speed of the half-edge mesh on large closed meshes: construction from a
// triangulation, garbage collection, conversion back, and STL files.
// Sizes are triangle counts of a torus (100,000, 1,000,000 and, for the
// construction, 10,000,000).
#include <HalfEdge_IO.hxx>
#include <HalfEdge_Mesh.hxx>
#include <PelliskTest_Meshes.hxx>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

namespace
{
// Torus of about theNbTriangles triangles, twice as many quads around as across.
Handle(Poly_Triangulation) torus(int64_t theNbTriangles)
{
  const int aNbV = static_cast<int>(std::lround(std::sqrt(theNbTriangles / 4.0)));
  return PelliskTest_Meshes::Torus(2 * aNbV, aNbV);
}

std::string scratchFile(const std::string& theName)
{
  return (std::filesystem::temp_directory_path() / ("pellisk_bench_" + theName)).string();
}

void BM_ConstructFromTriangulation(benchmark::State& theState)
{
  const Handle(Poly_Triangulation) aTri = torus(theState.range(0));
  for (auto _ : theState)
  {
    Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(aTri);
    benchmark::DoNotOptimize(aMesh->NbFaces());
    // Construction only: the mesh is released outside the timing.
    theState.PauseTiming();
    aMesh.Nullify();
    theState.ResumeTiming();
  }
  theState.counters["triangles"] = aTri->NbTriangles();
}

// Every triangle with nodes of its own: three lookups per triangle, two of
// three hitting an existing node.
void BM_ConstructFromSoup(benchmark::State& theState)
{
  const Handle(Poly_Triangulation) aTri = PelliskTest_Meshes::Soup(torus(theState.range(0)));
  for (auto _ : theState)
  {
    Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(aTri);
    benchmark::DoNotOptimize(aMesh->NbFaces());
    // Construction only: the mesh is released outside the timing.
    theState.PauseTiming();
    aMesh.Nullify();
    theState.ResumeTiming();
  }
  theState.counters["triangles"] = aTri->NbTriangles();
}

void BM_GarbageCollectionAfterDeletingATenth(benchmark::State& theState)
{
  const Handle(Poly_Triangulation) aTri = torus(theState.range(0));
  for (auto _ : theState)
  {
    theState.PauseTiming();
    Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(aTri);
    for (int aFace = 0; aFace < aMesh->NbFaces(); aFace += 10)
    {
      aMesh->DeleteFace(aFace);
    }
    theState.ResumeTiming();
    aMesh->GarbageCollection();
    benchmark::DoNotOptimize(aMesh->NbFaces());
    theState.PauseTiming();
    aMesh.Nullify();
    theState.ResumeTiming();
  }
}

void BM_ConvertToTriangulation(benchmark::State& theState)
{
  const Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(torus(theState.range(0)));
  for (auto _ : theState)
  {
    const Handle(Poly_Triangulation) aTri = *aMesh;
    benchmark::DoNotOptimize(aTri->NbTriangles());
  }
}

void BM_WriteSTL(benchmark::State& theState)
{
  const Handle(HalfEdge_Mesh) aMesh   = new HalfEdge_Mesh(torus(theState.range(0)));
  const bool                  aBinary = theState.range(1) != 0;
  const std::string           aFile   = scratchFile(aBinary ? "bin.stl" : "ascii.stl");
  for (auto _ : theState)
  {
    if (!HalfEdge_IO::ExportSTL(aMesh, aFile, aBinary))
    {
      theState.SkipWithError("write failed");
    }
  }
  theState.counters["MB"] = static_cast<double>(std::filesystem::file_size(aFile)) / 1e6;
}

void BM_ReadSTL(benchmark::State& theState)
{
  const bool        aBinary = theState.range(1) != 0;
  const std::string aFile   = scratchFile(aBinary ? "read_bin.stl" : "read_ascii.stl");
  HalfEdge_IO::ExportSTL(new HalfEdge_Mesh(torus(theState.range(0))), aFile, aBinary);
  for (auto _ : theState)
  {
    const Handle(HalfEdge_Mesh) aMesh = HalfEdge_IO::ImportSTL(aFile);
    if (aMesh->NbFaces() == 0)
    {
      theState.SkipWithError("read failed");
    }
  }
  std::filesystem::remove(aFile);
}
} // namespace

BENCHMARK(BM_ConstructFromTriangulation)
    ->Arg(100000)
    ->Arg(1000000)
    ->Arg(10000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_ConstructFromSoup)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_GarbageCollectionAfterDeletingATenth)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_ConvertToTriangulation)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_WriteSTL)->Args({1000000, 1})->Args({1000000, 0})->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ReadSTL)->Args({1000000, 1})->Args({1000000, 0})->Unit(benchmark::kMillisecond)->Iterations(2);

BENCHMARK_MAIN();
