// Voxelization of a real mesh (the teapot) and of a closed torus of one
// million triangles made here, with the uniform and the adaptive split rules,
// at cells of 1/64, 1/256 and 1/1024 of the bounding cube, on 1 and 2 threads.
// Reported per run: octree nodes, boundary leaves, and the peak resident
// memory of the run (the kernel's high-water mark is reset before each run).

#include <Algo_VoxelizationGSF.hxx>
#include <Algo_VoxelizationMinSize.hxx>
#include <Pelk_DummyProgressNotifier.hxx>
#include <SVO_Depth_Iterator.hxx>
#include <SVO_Node.hxx>
#include <SVO_Tree.hxx>

#include <OSD_Path.hxx>
#include <RWStl.hxx>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>

namespace
{
Handle(Poly_Triangulation) torus(int theNbAround, int theNbAcross)
{
  const double               aMajor = 2.0, aMinor = 0.6;
  Handle(Poly_Triangulation) aMesh =
      new Poly_Triangulation(theNbAround * theNbAcross, 2 * theNbAround * theNbAcross, Standard_False);
  for (int i = 0; i < theNbAround; ++i)
  {
    for (int j = 0; j < theNbAcross; ++j)
    {
      const double u = 2.0 * M_PI * i / theNbAround, v = 2.0 * M_PI * j / theNbAcross;
      aMesh->SetNode(i * theNbAcross + j + 1,
                     gp_Pnt((aMajor + aMinor * std::cos(v)) * std::cos(u),
                            (aMajor + aMinor * std::cos(v)) * std::sin(u), aMinor * std::sin(v)));
    }
  }
  int aTriangle = 1;
  for (int i = 0; i < theNbAround; ++i)
  {
    for (int j = 0; j < theNbAcross; ++j)
    {
      const int a = i * theNbAcross + j + 1, b = ((i + 1) % theNbAround) * theNbAcross + j + 1;
      const int c = ((i + 1) % theNbAround) * theNbAcross + (j + 1) % theNbAcross + 1;
      const int d = i * theNbAcross + (j + 1) % theNbAcross + 1;
      aMesh->SetTriangle(aTriangle++, Poly_Triangle(a, b, c));
      aMesh->SetTriangle(aTriangle++, Poly_Triangle(a, c, d));
    }
  }
  return aMesh;
}

const Handle(Poly_Triangulation)& mesh(int theIndex)
{
  static const Handle(Poly_Triangulation) THE_TEAPOT =
      RWStl::ReadFile(OSD_Path((std::string(PELLISK_BENCH_DATA_DIR) + "/teapot_utah.stl").c_str()));
  static const Handle(Poly_Triangulation) THE_TORUS = torus(1000, 500);
  return theIndex == 0 ? THE_TEAPOT : THE_TORUS;
}

// Side of the cube the voxelization wraps around the mesh.
double cubeEdge(const Handle(Poly_Triangulation)& theMesh)
{
  const Bnd_Box aCube = Algo_Voxelization::BoundingCube(theMesh);
  return aCube.IsVoid() ? 0.0 : aCube.CornerMax().X() - aCube.CornerMin().X();
}

// Peak resident memory in MiB since the last reset.
double peakMiB()
{
  std::ifstream aStatus("/proc/self/status");
  std::string   aLine;
  while (std::getline(aStatus, aLine))
  {
    if (aLine.rfind("VmHWM:", 0) == 0)
    {
      return std::stod(aLine.substr(6)) / 1024.0;
    }
  }
  return 0.0;
}

void resetPeak()
{
  std::ofstream("/proc/self/clear_refs") << "5";
}

size_t boundaryLeaves(const Handle(SVO_Tree)& theTree)
{
  size_t aCount = 0;
  for (SVO_Depth_Iterator anIt(theTree); anIt.More(); anIt.Next())
  {
    aCount += (anIt.Current()->Children[0] == nullptr && anIt.Current()->State == 3) ? 1 : 0;
  }
  return aCount;
}

// Arguments: mesh (0 teapot, 1 torus), rule (0 uniform, 1 adaptive), divisions, threads.
void BM_Voxelize(benchmark::State& theState)
{
  const Handle(Poly_Triangulation)& aMesh = mesh(static_cast<int>(theState.range(0)));
  Handle(Algo_Voxelization)         aTreeOwner;
  for (auto _ : theState)
  {
    theState.PauseTiming();
    aTreeOwner.Nullify();
    resetPeak();
    const double              aBase = peakMiB();
    Handle(Algo_Voxelization) anAlgo;
    if (theState.range(1) == 0)
      anAlgo = new Algo_VoxelizationMinSize(Pelk_DummyProgressNotifier::Instance());
    else
      anAlgo = new Algo_VoxelizationGSF(Pelk_DummyProgressNotifier::Instance());
    anAlgo->SetTriangulation(aMesh);
    anAlgo->SetCellSize(cubeEdge(aMesh) / static_cast<double>(theState.range(2)));
    anAlgo->SetNbThreads(static_cast<unsigned int>(theState.range(3)));
    theState.ResumeTiming();
    anAlgo->Perform();
    theState.PauseTiming();
    theState.counters["peak_MiB"] = peakMiB() - aBase;
    aTreeOwner                    = anAlgo;
    theState.ResumeTiming();
  }
  theState.counters["nodes"]           = static_cast<double>(aTreeOwner->GetTree()->NbNodes());
  theState.counters["boundary_leaves"] = static_cast<double>(boundaryLeaves(aTreeOwner->GetTree()));
}

BENCHMARK(BM_Voxelize)
    ->ArgsProduct({{0, 1}, {0, 1}, {64, 256, 1024}, {1, 2}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
} // namespace

BENCHMARK_MAIN();
