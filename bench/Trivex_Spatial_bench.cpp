// Build time and query throughput of the Trivex hierarchy against CGAL's AABB
// tree, on one closed torus of about one million triangles and the same
// queries, with 1 and 2 threads. CGAL and OCCT's BVH appear here only.

// CGAL first: OCCT's Handle(...) macro would break its headers.
#include <CGAL/AABB_traits.h>
#include <CGAL/AABB_tree.h>
#include <CGAL/AABB_triangle_primitive.h>
#include <CGAL/Side_of_triangle_mesh.h>
#include <CGAL/Simple_cartesian.h>
#include <CGAL/Surface_mesh.h>

#include <Trivex_BoxSet.hxx>
#include <Trivex_ClassifyPntMesh.hxx>
#include <Trivex_DistRayMesh.hxx>
#include <Trivex_IntersectBoxBox.hxx>
#include <Trivex_IntersectBoxMesh.hxx>
#include <Trivex_IntersectRayMesh.hxx>
#include <Trivex_IntersectTriMesh.hxx>
#include <Trivex_ProjectPntMesh.hxx>
#include <Trivex_TriangleSet.hxx>

#include <BVH_BinnedBuilder.hxx>
#include <BVH_Triangulation.hxx>

#include <benchmark/benchmark.h>

#include <omp.h>

#include <cmath>
#include <functional>
#include <memory>
#include <random>

namespace
{
typedef CGAL::Simple_cartesian<double>                      K;
typedef std::vector<K::Triangle_3>::const_iterator          TriIterator;
typedef CGAL::AABB_triangle_primitive<K, TriIterator>       TriPrimitive;
typedef CGAL::AABB_tree<CGAL::AABB_traits<K, TriPrimitive>> TriTree;
typedef CGAL::Surface_mesh<K::Point_3>                      SurfaceMesh;
typedef CGAL::Side_of_triangle_mesh<SurfaceMesh, K>         SideOfMesh;

// Boxes as CGAL primitives: the datum is the box itself.
struct BoxPrimitive
{
  typedef std::vector<K::Iso_cuboid_3>::const_iterator Id;
  typedef K::Point_3                                   Point;
  typedef K::Iso_cuboid_3                              Datum;
  BoxPrimitive() = default;
  explicit BoxPrimitive(Id theIt)
      : myIt(theIt)
  {
  }
  const Datum& datum() const { return *myIt; }
  Id           id() const { return myIt; }
  Point        reference_point() const { return myIt->min(); }
  Id           myIt;
};
typedef CGAL::AABB_tree<CGAL::AABB_traits<K, BoxPrimitive>> BoxTree;

constexpr int    THE_NU = 1000, THE_NV = 500; // 1,000,000 triangles
constexpr double THE_R = 2.0, THE_RR = 0.6, THE_TOL = 1e-7;
constexpr int    THE_NB_QUERIES = 20000;

double uniform(std::mt19937& theGen, double theA, double theB)
{
  return theA + (theB - theA) * (theGen() / 4294967296.0);
}

// Everything both sides query, made once.
struct Fixture
{
  Handle(Poly_Triangulation)        Mesh;
  std::vector<Trivex::TriangleData> Records;
  Handle(Trivex::TriangleSet)       Set;
  Handle(Trivex::BoxSet)            Boxes;
  std::vector<K::Triangle_3>        CgalTriangles;
  std::vector<K::Iso_cuboid_3>      CgalBoxes;
  std::unique_ptr<TriTree>          CgalTree;
  std::unique_ptr<BoxTree>          CgalBoxTree;
  SurfaceMesh                       CgalMesh;
  std::unique_ptr<SideOfMesh>       CgalSide;
  // Queries.
  std::vector<gp_Pnt>               Points;
  std::vector<Bnd_Box>              CellBoxes;
  std::vector<Trivex::Ray>          Rays, Segments;
  std::vector<Trivex::TriangleData> Triangles;
  std::vector<Trivex::BoxData>      QueryBoxes;

  Fixture()
  {
    makeTorus();
    Set = new Trivex::TriangleSet(Mesh);
    Set->SetNbBuilderThreads(2);
    Set->InitBuilder();
    Set->Build();
    std::vector<Trivex::BoxData> aBoxes;
    for (const Trivex::TriangleData& aTri : Records)
    {
      aBoxes.push_back(box(aTri, static_cast<int>(aBoxes.size())));
      CgalBoxes.emplace_back(
          K::Point_3(aBoxes.back().Min().X(), aBoxes.back().Min().Y(), aBoxes.back().Min().Z()),
          K::Point_3(aBoxes.back().Max().X(), aBoxes.back().Max().Y(), aBoxes.back().Max().Z()));
    }
    Boxes = new Trivex::BoxSet(aBoxes);
    Boxes->SetNbBuilderThreads(2);
    Boxes->InitBuilder();
    Boxes->Build();
    CgalTree.reset(new TriTree(CgalTriangles.begin(), CgalTriangles.end()));
    // CGAL builds lazily on the first query: build everything before timing.
    CgalTree->build();
    CgalTree->accelerate_distance_queries();
    CgalTree->closest_point(K::Point_3(0, 0, 0));
    CgalBoxTree.reset(new BoxTree(CgalBoxes.begin(), CgalBoxes.end()));
    CgalBoxTree->build();
    CgalSide.reset(new SideOfMesh(CgalMesh));
    (*CgalSide)(K::Point_3(0, 0, 0)); // builds its tree before threads share it
    makeQueries();
  }

  static Trivex::BoxData box(const Trivex::TriangleData& theTri, int theIndex)
  {
    gp_XYZ aMin = theTri.Point(0).XYZ(), aMax = aMin;
    for (int k = 1; k < 3; ++k)
    {
      const gp_XYZ& aP = theTri.Point(k).XYZ();
      aMin.SetCoord(std::min(aMin.X(), aP.X()), std::min(aMin.Y(), aP.Y()), std::min(aMin.Z(), aP.Z()));
      aMax.SetCoord(std::max(aMax.X(), aP.X()), std::max(aMax.Y(), aP.Y()), std::max(aMax.Z(), aP.Z()));
    }
    return Trivex::BoxData(aMin, aMax, theIndex);
  }

  void makeTorus()
  {
    Mesh = new Poly_Triangulation(THE_NU * THE_NV, 2 * THE_NU * THE_NV, Standard_False);
    std::vector<SurfaceMesh::Vertex_index> aVertices;
    for (int i = 0; i < THE_NU; ++i)
    {
      for (int j = 0; j < THE_NV; ++j)
      {
        const double aU = 2.0 * M_PI * i / THE_NU, aV = 2.0 * M_PI * j / THE_NV;
        const gp_Pnt aP((THE_R + THE_RR * std::cos(aV)) * std::cos(aU),
                        (THE_R + THE_RR * std::cos(aV)) * std::sin(aU), THE_RR * std::sin(aV));
        Mesh->SetNode(1 + i * THE_NV + j, aP);
        aVertices.push_back(CgalMesh.add_vertex(K::Point_3(aP.X(), aP.Y(), aP.Z())));
      }
    }
    int aT = 1;
    for (int i = 0; i < THE_NU; ++i)
    {
      for (int j = 0; j < THE_NV; ++j)
      {
        const int aA = i * THE_NV + j, aB = ((i + 1) % THE_NU) * THE_NV + j;
        const int aC = ((i + 1) % THE_NU) * THE_NV + (j + 1) % THE_NV, aD = i * THE_NV + (j + 1) % THE_NV;
        for (const std::array<int, 3>& aTri :
             {std::array<int, 3>{aA, aB, aC}, std::array<int, 3>{aA, aC, aD}})
        {
          Mesh->SetTriangle(aT++, Poly_Triangle(aTri[0] + 1, aTri[1] + 1, aTri[2] + 1));
          CgalMesh.add_face(aVertices[aTri[0]], aVertices[aTri[1]], aVertices[aTri[2]]);
          const gp_Pnt aP0 = Mesh->Node(aTri[0] + 1), aP1 = Mesh->Node(aTri[1] + 1),
                       aP2 = Mesh->Node(aTri[2] + 1);
          Records.emplace_back(aP0, aP1, aP2, aT - 1);
          CgalTriangles.emplace_back(K::Point_3(aP0.X(), aP0.Y(), aP0.Z()),
                                     K::Point_3(aP1.X(), aP1.Y(), aP1.Z()),
                                     K::Point_3(aP2.X(), aP2.Y(), aP2.Z()));
        }
      }
    }
  }

  // Points: half uniform in the torus' box, half near the surface, as the
  // voxelization and the projection ask them.
  gp_Pnt point(std::mt19937& theGen) const
  {
    if (theGen() % 2 == 0)
    {
      return gp_Pnt(uniform(theGen, -2.7, 2.7), uniform(theGen, -2.7, 2.7), uniform(theGen, -0.7, 0.7));
    }
    const Trivex::TriangleData& aTri = Records[theGen() % Records.size()];
    return aTri.Point(0).Translated(
        gp_Vec(uniform(theGen, -0.02, 0.02), uniform(theGen, -0.02, 0.02), uniform(theGen, -0.02, 0.02)));
  }

  void makeQueries()
  {
    std::mt19937 aGen(2026);
    for (int q = 0; q < THE_NB_QUERIES; ++q)
    {
      const gp_Pnt aP = point(aGen);
      Points.push_back(aP);
      const double aCell = 0.02;
      CellBoxes.emplace_back(aP, aP.Translated(gp_Vec(aCell, aCell, aCell)));
      const gp_Dir aDir(uniform(aGen, -1, 1), uniform(aGen, -1, 1), uniform(aGen, -1, 1));
      Rays.emplace_back(aP, aDir, true);
      Segments.emplace_back(aP, aDir, false, 0.1);
      const Trivex::TriangleData& aTri = Records[aGen() % Records.size()];
      Triangles.push_back(aTri);
      QueryBoxes.push_back(box(aTri, -1));
    }
  }
};

Fixture& fixture()
{
  static Fixture aFixture;
  return aFixture;
}

K::Point_3 cgal(const gp_Pnt& theP)
{
  return K::Point_3(theP.X(), theP.Y(), theP.Z());
}

// Runs theQuery(i, checksum) for every query on state.range(0) threads and
// reports queries per second; the checksum keeps the work observable.
void runQueries(benchmark::State&                                                theState,
                const std::function<std::function<double(int)>(const Fixture&)>& theMakeWorker)
{
  const Fixture& aFixture   = fixture();
  const int      aNbThreads = static_cast<int>(theState.range(0));
  double         aChecksum  = 0.0;
  for (auto _ : theState)
  {
    double aSum = 0.0;
#pragma omp parallel num_threads(aNbThreads) reduction(+ : aSum)
    {
      std::function<double(int)> aWorker = theMakeWorker(aFixture);
#pragma omp for schedule(dynamic, 64)
      for (int i = 0; i < THE_NB_QUERIES; ++i)
      {
        aSum += aWorker(i);
      }
    }
    aChecksum = aSum;
  }
  theState.SetItemsProcessed(theState.iterations() * THE_NB_QUERIES);
  theState.counters["checksum"] = aChecksum;
}

// ---- Builds -------------------------------------------------------------------

void BM_Build_Trivex(benchmark::State& theState)
{
  const Fixture& aFixture = fixture();
  for (auto _ : theState)
  {
    Handle(Trivex::TriangleSet) aSet = new Trivex::TriangleSet(aFixture.Mesh);
    aSet->SetNbBuilderThreads(static_cast<int>(theState.range(0)));
    aSet->InitBuilder();
    benchmark::DoNotOptimize(aSet->Build());
  }
}

// The hierarchy alone, from records already made (as CGAL starts from its triangles).
void BM_Build_TrivexHierarchy(benchmark::State& theState)
{
  const Fixture&              aFixture = fixture();
  Handle(Trivex::TriangleSet) aSet     = new Trivex::TriangleSet(aFixture.Records);
  aSet->SetNbBuilderThreads(static_cast<int>(theState.range(0)));
  for (auto _ : theState)
  {
    aSet->InitBuilder();
    benchmark::DoNotOptimize(aSet->Build());
  }
}

// CGAL builds on one thread; closest-point queries also need its search tree.
void BM_Build_CGAL(benchmark::State& theState)
{
  const Fixture& aFixture = fixture();
  for (auto _ : theState)
  {
    TriTree aTree(aFixture.CgalTriangles.begin(), aFixture.CgalTriangles.end());
    aTree.build();
    benchmark::DoNotOptimize(aTree.size());
  }
}

void BM_Build_CGALWithSearchTree(benchmark::State& theState)
{
  const Fixture& aFixture = fixture();
  for (auto _ : theState)
  {
    TriTree aTree(aFixture.CgalTriangles.begin(), aFixture.CgalTriangles.end());
    aTree.build();
    aTree.accelerate_distance_queries();
    aTree.closest_point(K::Point_3(0, 0, 0));
    benchmark::DoNotOptimize(aTree.size());
  }
}

void BM_Build_OCCT(benchmark::State& theState)
{
  const Fixture& aFixture = fixture();
  for (auto _ : theState)
  {
    opencascade::handle<BVH_Triangulation<double, 3>> aSet = new BVH_Triangulation<double, 3>(
        new BVH_BinnedBuilder<double, 3, 32>(4, 64, Standard_False, static_cast<int>(theState.range(0))));
    for (int i = 1; i <= aFixture.Mesh->NbNodes(); ++i)
    {
      const gp_Pnt aP = aFixture.Mesh->Node(i);
      aSet->Vertices.push_back(BVH_Vec3d(aP.X(), aP.Y(), aP.Z()));
    }
    for (int t = 1; t <= aFixture.Mesh->NbTriangles(); ++t)
    {
      int aA, aB, aC;
      aFixture.Mesh->Triangle(t).Get(aA, aB, aC);
      aSet->Elements.push_back(BVH_Vec4i(aA - 1, aB - 1, aC - 1, t));
    }
    aSet->MarkDirty();
    benchmark::DoNotOptimize(aSet->BVH()->Length());
  }
}

// ---- Queries ------------------------------------------------------------------
// Each pair runs the same queries through Trivex and through CGAL.

typedef std::function<double(int)> Worker;

CGAL::Bbox_3 cgalBox(const Bnd_Box& theBox)
{
  double aX0, aY0, aZ0, aX1, aY1, aZ1;
  theBox.Get(aX0, aY0, aZ0, aX1, aY1, aZ1);
  // Trivex widens query boxes by its tolerance: CGAL gets the same box.
  return CGAL::Bbox_3(aX0 - THE_TOL, aY0 - THE_TOL, aZ0 - THE_TOL, aX1 + THE_TOL, aY1 + THE_TOL,
                      aZ1 + THE_TOL);
}

void BM_BoxAny_Trivex(benchmark::State& theState)
{
  runQueries(theState,
             [](const Fixture& theF) -> Worker
             {
               auto aQuery = std::make_shared<Trivex::IntersectBoxMesh>(theF.Set);
               return [aQuery, &theF](int i) { return aQuery->Perform(theF.CellBoxes[i]) ? 1.0 : 0.0; };
             });
}

void BM_BoxAny_CGAL(benchmark::State& theState)
{
  runQueries(theState,
             [](const Fixture& theF) -> Worker {
               return [&theF](int i)
               { return theF.CgalTree->do_intersect(cgalBox(theF.CellBoxes[i])) ? 1.0 : 0.0; };
             });
}

void BM_BoxAll_Trivex(benchmark::State& theState)
{
  runQueries(theState,
             [](const Fixture& theF) -> Worker
             {
               auto aQuery = std::make_shared<Trivex::IntersectBoxMesh>(theF.Set);
               auto aFound = std::make_shared<std::vector<int>>();
               return [aQuery, aFound, &theF](int i)
               {
                 aQuery->Perform(theF.CellBoxes[i], *aFound);
                 return static_cast<double>(aFound->size());
               };
             });
}

void BM_BoxAll_CGAL(benchmark::State& theState)
{
  runQueries(theState,
             [](const Fixture& theF) -> Worker
             {
               auto aFound = std::make_shared<std::vector<TriPrimitive::Id>>();
               return [aFound, &theF](int i)
               {
                 aFound->clear();
                 theF.CgalTree->all_intersected_primitives(cgalBox(theF.CellBoxes[i]),
                                                           std::back_inserter(*aFound));
                 return static_cast<double>(aFound->size());
               };
             });
}

void BM_Project_Trivex(benchmark::State& theState)
{
  runQueries(theState,
             [](const Fixture& theF) -> Worker
             {
               auto aQuery = std::make_shared<Trivex::ProjectPntMesh>(theF.Set);
               return [aQuery, &theF](int i)
               { return aQuery->Perform(theF.Points[i]).Distance(theF.Points[i]); };
             });
}

void BM_Project_CGAL(benchmark::State& theState)
{
  runQueries(theState,
             [](const Fixture& theF) -> Worker
             {
               return [&theF](int i)
               {
                 const K::Point_3 aP = cgal(theF.Points[i]);
                 return std::sqrt(CGAL::squared_distance(theF.CgalTree->closest_point(aP), aP));
               };
             });
}

void BM_ProjectNear_Trivex(benchmark::State& theState)
{
  runQueries(theState,
             [](const Fixture& theF) -> Worker
             {
               auto aQuery = std::make_shared<Trivex::ProjectPntMesh>(theF.Set);
               auto aFound = std::make_shared<std::vector<int>>();
               return [aQuery, aFound, &theF](int i)
               { return aQuery->Perform(theF.Points[i], THE_TOL, *aFound).Distance(theF.Points[i]); };
             });
}

void BM_ProjectNear_CGAL(benchmark::State& theState)
{
  runQueries(theState,
             [](const Fixture& theF) -> Worker
             {
               return [&theF](int i)
               {
                 const K::Point_3 aP = cgal(theF.Points[i]);
                 return std::sqrt(
                     CGAL::squared_distance(theF.CgalTree->closest_point_and_primitive(aP).first, aP));
               };
             });
}

void BM_DistRay_Trivex(benchmark::State& theState)
{
  runQueries(theState,
             [](const Fixture& theF) -> Worker
             {
               auto aQuery = std::make_shared<Trivex::DistRayMesh>(theF.Set);
               return [aQuery, &theF](int i)
               {
                 const double aD = aQuery->Perform(theF.Rays[i]);
                 return aD < 1e100 ? aD : 0.0;
               };
             });
}

void BM_DistRay_CGAL(benchmark::State& theState)
{
  runQueries(theState,
             [](const Fixture& theF) -> Worker
             {
               return [&theF](int i)
               {
                 const Trivex::Ray& aRay     = theF.Rays[i];
                 const K::Point_3   anOrigin = cgal(aRay.Origin());
                 const auto         aHit     = theF.CgalTree->first_intersection(
                                 K::Ray_3(anOrigin, cgal(aRay.Origin().Translated(gp_Vec(aRay.Direction())))));
                 if (!aHit)
                 {
                   return 0.0;
                 }
                 if (const K::Point_3* aP = boost::get<K::Point_3>(&aHit->first))
                 {
                   return std::sqrt(CGAL::squared_distance(*aP, anOrigin));
                 }
                 const K::Segment_3& aSeg = boost::get<K::Segment_3>(aHit->first);
                 return std::sqrt(std::min(CGAL::squared_distance(aSeg.source(), anOrigin),
                                           CGAL::squared_distance(aSeg.target(), anOrigin)));
               };
             });
}

void BM_Segment_Trivex(benchmark::State& theState)
{
  runQueries(theState,
             [](const Fixture& theF) -> Worker
             {
               auto aQuery = std::make_shared<Trivex::IntersectRayMesh>(theF.Set);
               auto aFound = std::make_shared<std::vector<int>>();
               return [aQuery, aFound, &theF](int i)
               {
                 aQuery->Perform(theF.Segments[i], *aFound);
                 return static_cast<double>(aFound->size());
               };
             });
}

void BM_Segment_CGAL(benchmark::State& theState)
{
  runQueries(theState,
             [](const Fixture& theF) -> Worker
             {
               auto aFound = std::make_shared<std::vector<TriPrimitive::Id>>();
               return [aFound, &theF](int i)
               {
                 const Trivex::Ray& aRay = theF.Segments[i];
                 aFound->clear();
                 theF.CgalTree->all_intersected_primitives(
                     K::Segment_3(cgal(aRay.Origin()),
                                  cgal(aRay.Origin().Translated(gp_Vec(aRay.Direction()) * aRay.Length()))),
                     std::back_inserter(*aFound));
                 return static_cast<double>(aFound->size());
               };
             });
}

void BM_Classify_Trivex(benchmark::State& theState)
{
  runQueries(theState,
             [](const Fixture& theF) -> Worker
             {
               auto aQuery = std::make_shared<Trivex::ClassifyPntMesh>(theF.Set, 1, 1231121987u, 7);
               return [aQuery, &theF](int i) { return aQuery->Perform(theF.Points[i]) ? 1.0 : 0.0; };
             });
}

void BM_Classify_CGAL(benchmark::State& theState)
{
  runQueries(theState,
             [](const Fixture& theF) -> Worker
             {
               return [&theF](int i)
               { return (*theF.CgalSide)(cgal(theF.Points[i])) == CGAL::ON_BOUNDED_SIDE ? 1.0 : 0.0; };
             });
}

void BM_TriMesh_Trivex(benchmark::State& theState)
{
  runQueries(theState,
             [](const Fixture& theF) -> Worker
             {
               auto aQuery = std::make_shared<Trivex::IntersectTriMesh>(theF.Set);
               auto aFound = std::make_shared<std::vector<Trivex::TriangleData>>();
               return [aQuery, aFound, &theF](int i)
               {
                 aQuery->Perform(theF.Triangles[i], *aFound);
                 return static_cast<double>(aFound->size());
               };
             });
}

void BM_TriMesh_CGAL(benchmark::State& theState)
{
  runQueries(theState,
             [](const Fixture& theF) -> Worker
             {
               auto aFound = std::make_shared<std::vector<TriPrimitive::Id>>();
               return [aFound, &theF](int i)
               {
                 const Trivex::TriangleData& aTri = theF.Triangles[i];
                 aFound->clear();
                 theF.CgalTree->all_intersected_primitives(
                     K::Triangle_3(cgal(aTri.Point(0)), cgal(aTri.Point(1)), cgal(aTri.Point(2))),
                     std::back_inserter(*aFound));
                 return static_cast<double>(aFound->size());
               };
             });
}

void BM_BoxBox_Trivex(benchmark::State& theState)
{
  runQueries(theState,
             [](const Fixture& theF) -> Worker
             {
               auto aQuery = std::make_shared<Trivex::IntersectBoxBox>(theF.Boxes);
               auto aFound = std::make_shared<std::vector<Trivex::BoxData>>();
               return [aQuery, aFound, &theF](int i)
               {
                 aQuery->Perform(theF.QueryBoxes[i], *aFound, THE_TOL);
                 return static_cast<double>(aFound->size());
               };
             });
}

void BM_BoxBox_CGAL(benchmark::State& theState)
{
  runQueries(
      theState,
      [](const Fixture& theF) -> Worker
      {
        auto aFound = std::make_shared<std::vector<BoxPrimitive::Id>>();
        return [aFound, &theF](int i)
        {
          const Trivex::BoxData& aBox = theF.QueryBoxes[i];
          aFound->clear();
          theF.CgalBoxTree->all_intersected_primitives(
              K::Iso_cuboid_3(
                  K::Point_3(aBox.Min().X() - THE_TOL, aBox.Min().Y() - THE_TOL, aBox.Min().Z() - THE_TOL),
                  K::Point_3(aBox.Max().X() + THE_TOL, aBox.Max().Y() + THE_TOL, aBox.Max().Z() + THE_TOL)),
              std::back_inserter(*aFound));
          return static_cast<double>(aFound->size());
        };
      });
}
} // namespace

// Argument: threads. Times are wall-clock; the process CPU time is recorded
// beside them, which stays meaningful when other work shares the machine.
BENCHMARK(BM_Build_Trivex)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->MinTime(2.0);
BENCHMARK(BM_Build_TrivexHierarchy)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->MinTime(2.0);
BENCHMARK(BM_Build_CGAL)->Arg(1)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->MinTime(2.0);
BENCHMARK(BM_Build_CGALWithSearchTree)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->MinTime(2.0);
BENCHMARK(BM_Build_OCCT)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->MinTime(2.0);

#define PELLISK_QUERY_PAIR(Kind)                                                                             \
  BENCHMARK(BM_##Kind##_Trivex)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();     \
  BENCHMARK(BM_##Kind##_CGAL)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()

PELLISK_QUERY_PAIR(BoxAny);
PELLISK_QUERY_PAIR(BoxAll);
PELLISK_QUERY_PAIR(Project);
PELLISK_QUERY_PAIR(ProjectNear);
PELLISK_QUERY_PAIR(DistRay);
PELLISK_QUERY_PAIR(Segment);
PELLISK_QUERY_PAIR(Classify);
PELLISK_QUERY_PAIR(TriMesh);
PELLISK_QUERY_PAIR(BoxBox);

BENCHMARK_MAIN();
