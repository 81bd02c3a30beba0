#include <Algo_VoxelizationGSF.hxx>

#include <SVO_Depth_Iterator.hxx>
#include <SVO_Node.hxx>
#include <SVO_NodeState.hxx>
#include <SVO_Tree.hxx>
#include <Trivex_BoxSet.hxx>
#include <Trivex_DistRayMesh.hxx>
#include <Trivex_IntersectBoxBox.hxx>
#include <Trivex_IntersectBoxMesh.hxx>
#include <Trivex_ProjectPntMesh.hxx>
#include <Trivex_Ray.hxx>
#include <Trivex_TriangleSet.hxx>

#include <Precision.hxx>

#include <algorithm>
#include <cmath>

IMPLEMENT_STANDARD_RTTIEXT(Algo_VoxelizationGSF, Algo_Voxelization)

namespace
{
// Distance below which the spatial queries treat points as the same.
const double THE_QUERY_TOLERANCE = Precision::Confusion();

// A leaf is split by balancing when it touches a leaf smaller than its edge by this factor.
const double THE_BALANCE_RATIO = 2.01;

const double THE_PI = 3.14159265358979323846;

double edgeOf(const SVO_Node* theNode)
{
  return theNode->BoxMax.X() - theNode->BoxMin.X();
}

// The point of the mesh closest to a sample, with the normals of the triangles nearest to it.
struct Projection
{
  gp_Pnt              Point;
  std::vector<gp_Dir> Normals;
};

// Projections of the eight corners and the centre of the node onto the mesh.
std::vector<Projection> projectSamples(const Handle(Trivex::TriangleSet)& theSet, const SVO_Node* theNode)
{
  std::vector<gp_XYZ> aSamples;
  for (int aCorner = 0; aCorner < 8; ++aCorner)
  {
    aSamples.push_back(theNode->Corner(aCorner));
  }
  aSamples.push_back((theNode->Corner(0) + theNode->Corner(7)) / 2.0);

  Trivex::ProjectPntMesh  aQuery(theSet);
  std::vector<int>        anIndices;
  std::vector<Projection> aResult;
  for (const gp_XYZ& aSample : aSamples)
  {
    Projection aProjection;
    aProjection.Point = aQuery.Perform(gp_Pnt(aSample), THE_QUERY_TOLERANCE, anIndices);
    if (!aQuery.IsDone())
    {
      continue;
    }
    for (const int anIndex : anIndices)
    {
      aProjection.Normals.push_back(theSet->Triangle(anIndex).Normal());
    }
    aResult.push_back(aProjection);
  }
  return aResult;
}

// Smallest distance along a normal from a projected point to the mesh; 2e100 when no ray hits.
double smallestRayDistance(const Handle(Trivex::TriangleSet)& theSet,
                           const std::vector<Projection>&     theProjections)
{
  Trivex::DistRayMesh aQuery(theSet, THE_QUERY_TOLERANCE);
  double              aMin = Trivex::DistRayMesh::THE_NO_HIT;
  for (const Projection& aProjection : theProjections)
  {
    for (const gp_Dir& aNormal : aProjection.Normals)
    {
      aMin = std::min(aMin, aQuery.Perform(Trivex::Ray(aProjection.Point, aNormal, true)));
    }
  }
  return aMin;
}

// Leaves of the tree in depth-first order.
std::vector<SVO_Node*> collectLeaves(const Handle(SVO_Tree)& theTree)
{
  std::vector<SVO_Node*> aLeaves;
  for (SVO_Depth_Iterator anIt(theTree); anIt.More(); anIt.Next())
  {
    if (anIt.Current()->Children[0] == nullptr)
    {
      aLeaves.push_back(anIt.Current());
    }
  }
  return aLeaves;
}

// True when a leaf of the set touching theLeaf is smaller than its edge by more than the balance ratio.
bool hasSmallNeighbour(const Handle(Trivex::BoxSet)& theBoxSet, const SVO_Node* theLeaf)
{
  Trivex::IntersectBoxBox      aQuery(theBoxSet);
  std::vector<Trivex::BoxData> aTouching;
  aQuery.Perform(Trivex::BoxData(theLeaf->BoxMin, theLeaf->BoxMax), aTouching, THE_QUERY_TOLERANCE);
  const double aLimit = edgeOf(theLeaf) / THE_BALANCE_RATIO;
  for (const Trivex::BoxData& aBox : aTouching)
  {
    if (aBox.Max().X() - aBox.Min().X() < aLimit)
    {
      return true;
    }
  }
  return false;
}

// Links eight children into the leaf; those that meet the mesh are boundary cells.
void splitLeaf(const Handle(Trivex::TriangleSet)& theSet, SVO_Node* theLeaf)
{
  Trivex::IntersectBoxMesh aMeet(theSet);
  for (int aChild = 0; aChild < 8; ++aChild)
  {
    SVO_Node* aNode = new SVO_Node(theLeaf, aChild);
    if (aMeet.Perform(Bnd_Box(aNode->BoxMin, aNode->BoxMax)))
    {
      aNode->State = SVO_Boundary;
    }
    theLeaf->Children[aChild] = aNode;
  }
}
} // namespace

Algo_VoxelizationGSF::Algo_VoxelizationGSF(const Handle(Pelk_ProgressNotifier)& theNotifier)
    : Algo_Voxelization(theNotifier),
      myFeatureAngle(10.0)
{
}

std::string Algo_VoxelizationGSF::Name() const
{
  return get_type_name();
}

void Algo_VoxelizationGSF::init()
{
  ComputeTriangleSet();
  myNotifier->NewScope("Algo_VoxelizationGSF::ConstructTree", 0.0, 0.07, 0.07);
  computeTriangleGridSize();
  myNotifier->NewScope("Algo_VoxelizationGSF::ConstructTreeCycle", 0.0, 0.85, 0.85 / 16);
}

void Algo_VoxelizationGSF::computeTriangleGridSize()
{
  const int aNbTriangles = myTriangleSet->NbTriangles();
  myTriangleGridSize.assign(static_cast<size_t>(aNbTriangles), 0.0);
  applyParallelOptions();
#pragma omp parallel for schedule(static)
  for (int aTriangle = 0; aTriangle < aNbTriangles; ++aTriangle)
  {
    const Trivex::TriangleData& aData = myTriangleSet->Triangle(aTriangle);
    Trivex::DistRayMesh         aQuery(myTriangleSet, THE_QUERY_TOLERANCE);
    double                      aMin = Trivex::DistRayMesh::THE_NO_HIT;
    for (int aCorner = 0; aCorner < 3; ++aCorner)
    {
      aMin = std::min(aMin, aQuery.Perform(Trivex::Ray(aData.Point(aCorner), aData.Normal(), true)));
    }
    myTriangleGridSize[static_cast<size_t>(aTriangle)] = aMin;
  }
}

bool Algo_VoxelizationGSF::isFeature(const std::vector<gp_Dir>& theNormals) const
{
  for (size_t i = 0; i < theNormals.size(); ++i)
  {
    for (size_t j = i + 1; j < theNormals.size(); ++j)
    {
      // A normal and its opposite describe the same plane: orientation of a
      // dirty mesh is not to be trusted.
      const double anAngle  = theNormals[i].Angle(theNormals[j]);
      const double aDegrees = std::min(anAngle, THE_PI - anAngle) * 180.0 / THE_PI;
      if (aDegrees > myFeatureAngle)
      {
        return true;
      }
    }
  }
  return false;
}

bool Algo_VoxelizationGSF::isSplit(SVO_Node* theNode)
{
  Trivex::IntersectBoxMesh aMeet(myTriangleSet);
  std::vector<int>         aTriangles;
  if (!aMeet.Perform(Bnd_Box(theNode->BoxMin, theNode->BoxMax), aTriangles))
  {
    return false;
  }
  theNode->State      = SVO_Boundary;
  const double anEdge = edgeOf(theNode);
  if (anEdge < 2.0 * myCellSize)
  {
    return false;
  }

  const std::vector<Projection> aProjections = projectSamples(myTriangleSet, theNode);
  std::vector<gp_Dir>           aNormals;
  for (const Projection& aProjection : aProjections)
  {
    aNormals.insert(aNormals.end(), aProjection.Normals.begin(), aProjection.Normals.end());
  }
  if (isFeature(aNormals))
  {
    return true;
  }

  // A sheet facing the cell's surface within reach (a thin wall or a narrow
  // gap) needs cells small enough to keep the two sides apart.
  const double aDistance = smallestRayDistance(myTriangleSet, aProjections);
  const bool   isHit     = aDistance != Trivex::DistRayMesh::THE_NO_HIT;
  const double aReach    = (isHit ? 4.0 : 2.0) * anEdge;
  for (const int aTriangle : aTriangles)
  {
    const double aGridSize = myTriangleGridSize[static_cast<size_t>(aTriangle)] + (isHit ? aDistance : 0.0);
    if (aReach > aGridSize)
    {
      return true;
    }
  }
  return false;
}

void Algo_VoxelizationGSF::finalize()
{
  myNotifier->EndScope();
  balance();
}

void Algo_VoxelizationGSF::balance()
{
  double aSmallest = Precision::Infinite();
  for (const SVO_Node* aLeaf : collectLeaves(myTree))
  {
    aSmallest = std::min(aSmallest, edgeOf(aLeaf));
  }
  myNotifier->NewScope("Algo_VoxelizationGSF::ConvertAdaptivenessCycle", 0.0, 0.03, 0.03 / 7);
  const int aNbThreads = static_cast<int>(applyParallelOptions());
  size_t    aNbNodes   = myTree->NbNodes();
  char      isFinal    = 0;
  while (!isFinal)
  {
    isFinal                              = 1;
    const std::vector<SVO_Node*> aLeaves = collectLeaves(myTree);
    std::vector<SVO_Node*>       aCandidates;
    std::vector<Trivex::BoxData> aBoxes;
    for (SVO_Node* aLeaf : aLeaves)
    {
      aBoxes.emplace_back(aLeaf->BoxMin, aLeaf->BoxMax, static_cast<int>(aBoxes.size()));
      if (aLeaf->State == SVO_Boundary && edgeOf(aLeaf) >= THE_BALANCE_RATIO * aSmallest)
      {
        aCandidates.push_back(aLeaf);
      }
    }
    Handle(Trivex::BoxSet) aBoxSet = new Trivex::BoxSet(aBoxes);
    aBoxSet->SetNbBuilderThreads(aNbThreads);
    aBoxSet->InitBuilder();
    aBoxSet->Build();

    // Each decision reads only this pass's box set, and children are written
    // only into their own leaf, so the result does not depend on the threads.
    const int aNbCandidates = static_cast<int>(aCandidates.size());
#pragma omp parallel for schedule(static)
    for (int aCandidate = 0; aCandidate < aNbCandidates; ++aCandidate)
    {
      SVO_Node* aLeaf = aCandidates[static_cast<size_t>(aCandidate)];
      if (!hasSmallNeighbour(aBoxSet, aLeaf))
      {
        continue;
      }
      splitLeaf(myTriangleSet, aLeaf);
#pragma omp atomic
      aNbNodes += 8;
#pragma omp atomic write
      isFinal = 0;
    }
    myNotifier->Increment();
  }
  myNotifier->EndScope();
  myTree->SetNbNodes(aNbNodes);
}
