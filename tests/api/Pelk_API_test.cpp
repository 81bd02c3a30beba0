#include <Algo_Refinement.hxx>
#include <Algo_Tessellation.hxx>
#include <Algo_VoxelizationMinSize.hxx>
#include <HalfEdge_Mesh.hxx>
#include <Pelk_API.hxx>
#include <PelliskTest_Data.hxx>
#include <PelliskTest_Meshes.hxx>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <list>
#include <set>

namespace
{
Handle(Poly_Triangulation) tetrahedron(double theShift = 0.0)
{
  return PelliskTest_Meshes::Make(
      {gp_Pnt(theShift, 0, 0), gp_Pnt(theShift + 4, 0, 0), gp_Pnt(theShift, 2, 0), gp_Pnt(theShift, 0, 1)},
      {{1, 3, 2}, {1, 2, 4}, {2, 3, 4}, {3, 1, 4}});
}

// A tessellation that returns the tetrahedron, cancelling the run when told.
class CopyTessellation : public Algo_Tessellation
{
public:
  CopyTessellation(const Handle(Pelk_ProgressNotifier)& theNotifier, bool theIsCancelling)
      : Algo_Tessellation(theNotifier),
        myIsCancelling(theIsCancelling)
  {
  }
  std::string Name() const override { return "CopyTessellation"; }
  bool        Perform() override
  {
    myResult = new HalfEdge_Mesh(tetrahedron());
    if (myIsCancelling)
    {
      myNotifier->Cancel();
    }
    return !myTree.IsNull() && !myTriangleSet.IsNull();
  }

private:
  bool myIsCancelling;
};

// A refinement that moves the first node by minus its number along X, so
// that a test can see which steps edited which mesh object; it fails when its
// number is negative.
class MarkRefinement : public Algo_Refinement
{
public:
  explicit MarkRefinement(int theId)
      : Algo_Refinement(Pelk_DummyProgressNotifier::Instance()),
        myId(theId)
  {
  }
  std::string Name() const override { return "Algo_Mark" + std::to_string(std::abs(myId)); }
  bool        Perform() override
  {
    CheckInputData();
    myMesh->SetNode(0, myMesh->Node(0).Translated(gp_Vec(-std::abs(myId), 0, 0)));
    myResult = myMesh;
    return myId > 0;
  }

private:
  int myId;
};

Handle(Pelk_ProgressNotifier) newNotifier()
{
  return new Pelk_ProgressNotifier(PelliskTest_Data::SourceResource("PelliskMessages").c_str());
}

// Min-size voxelization, the copy tessellation and the refinements of the given numbers.
Handle(Pelk_WrappingSettings) stages(const Handle(Pelk_ProgressNotifier)& theNotifier,
                                     const std::vector<int>&              theRefinements  = {},
                                     bool                                 theIsCancelling = false)
{
  Handle(Pelk_WrappingSettings) aSettings = new Pelk_WrappingSettings(theNotifier);
  aSettings->SetVoxelization(new Algo_VoxelizationMinSize(theNotifier));
  aSettings->SetTessellation(new CopyTessellation(theNotifier, theIsCancelling));
  aSettings->SetCellSize(1.0);
  for (const int anId : theRefinements)
  {
    aSettings->AppendRefinement(new MarkRefinement(anId));
  }
  return aSettings;
}

// The messages: the text of those of the stages' progress, the key of the others.
std::string log(const Handle(Pelk_ProgressNotifier)& theNotifier)
{
  std::string aLog;
  for (NCollection_List<Pelk_Message>::Iterator anIt(theNotifier->Messages()); anIt.More(); anIt.Next())
  {
    const std::string aKey    = anIt.Value().Key().ToCString();
    const bool        isStage = aKey.find("Progress") != std::string::npos || aKey == "Pelk_API.Refinement";
    aLog += (isStage ? std::string(anIt.Value().Text().ToCString()) : aKey) + "; ";
  }
  return aLog;
}
} // namespace

TEST(Pelk_APITest, ChainRunsInOrderAndStopsAtTheFirstFailureOrCancellation)
{
  Handle(Pelk_ProgressNotifier) aNotifier = newNotifier();
  Pelk_API                      anAPI(aNotifier);
  anAPI.SetDirtyMesh(tetrahedron());
  EXPECT_FALSE(anAPI.PerformWrapping(stages(aNotifier, {1, -2, 3})));
  EXPECT_EQ(
      log(aNotifier),
      "Voxelization STARTED; Voxelization FINISHED; Tessellation STARTED; Tessellation FINISHED; "
      "Refinement step Algo_Mark1 STARTED; Refinement step Algo_Mark1 FINISHED; "
      "Refinement step Algo_Mark2 STARTED; Refinement step FAILED; Refinement step Algo_Mark2 FINISHED; ");
  // The result is the mesh object that the first two steps edited.
  ASSERT_FALSE(anAPI.GetResultMesh().IsNull());
  EXPECT_EQ(anAPI.GetResultMesh()->Node(0).X(), -3.0);
  EXPECT_EQ(aNotifier->Indicator()->NbScopes(), 1);
  EXPECT_EQ(aNotifier->GetPosition(), 1.0);

  EXPECT_TRUE(anAPI.PerformWrapping(stages(aNotifier, {4})));
  ASSERT_FALSE(anAPI.GetResultTriangulation().IsNull());
  EXPECT_EQ(anAPI.GetResultTriangulation()->Node(1).X(), -4.0);
  EXPECT_EQ(anAPI.GetResultTriangulation()->NbTriangles(), 4);
  // The result written both ways and read back as the next input.
  const std::string aDir = PelliskTest_Data::ScratchFolder("api_stl");
  for (const char* aFile : {"/binary.stl", "/ascii.stl"})
  {
    EXPECT_TRUE(anAPI.ExportSTL((aDir + aFile).c_str(), aFile[1] == 'b'));
    ASSERT_TRUE(anAPI.ImportSTL((aDir + aFile).c_str()));
    EXPECT_EQ(anAPI.DirtyMesh()->NbTriangles(), 4);
    EXPECT_EQ(anAPI.DirtyMesh()->NbNodes(), 4);
  }
  EXPECT_FALSE(anAPI.ExportSTL((aDir + "/no/such/folder/out.stl").c_str(), true));

  // Cancelled during the tessellation: its result is kept, the refinements skipped.
  aNotifier->Clear();
  EXPECT_FALSE(anAPI.PerformWrapping(stages(aNotifier, {5}, true)));
  const Handle(HalfEdge_Mesh) aResult = anAPI.GetResultMesh();
  ASSERT_FALSE(aResult.IsNull());
  EXPECT_EQ(aResult->Node(0).X(), 0.0);
  EXPECT_EQ(log(aNotifier),
            "Voxelization STARTED; Voxelization FINISHED; Tessellation STARTED; Pelk_API.Cancel; ");
  // Cancelled before the run: nothing after the voxelization.
  aNotifier->Clear();
  EXPECT_FALSE(anAPI.PerformWrapping(stages(aNotifier, {6})));
  EXPECT_EQ(anAPI.GetResultMesh(), aResult);
  EXPECT_EQ(aResult->Node(0).X(), 0.0);
  EXPECT_EQ(log(aNotifier), "Voxelization STARTED; Voxelization FINISHED; ");
}

TEST(Pelk_APITest, FirstRunCubeIsKeptForLaterMeshes)
{
  Pelk_API anAPI(newNotifier());
  anAPI.SetDirtyMesh(tetrahedron());
  EXPECT_TRUE(anAPI.PerformWrapping(stages(anAPI.Notifier())));
  EXPECT_TRUE(anAPI.BoundingBox().CornerMin().IsEqual(gp_Pnt(0, -1, -1.5), 1e-12));
  EXPECT_TRUE(anAPI.BoundingBox().CornerMax().IsEqual(gp_Pnt(4, 3, 2.5), 1e-12));
  const Handle(Pelk_WrappingSettings) aSettings = stages(anAPI.Notifier());
  anAPI.SetDirtyMesh(tetrahedron(1.0));
  EXPECT_TRUE(anAPI.PerformWrapping(aSettings));
  EXPECT_TRUE(aSettings->Voxelization()->Box().CornerMax().IsEqual(gp_Pnt(4, 3, 2.5), 1e-12));

  // A given box is used as given: a non-cube is refused by the voxelization.
  anAPI.Notifier()->Clear();
  anAPI.SetBoundingBox(Bnd_Box(gp_Pnt(0, 0, 0), gp_Pnt(5, 5, 6)));
  EXPECT_FALSE(anAPI.PerformWrapping(stages(anAPI.Notifier())));
  EXPECT_EQ(log(anAPI.Notifier()),
            "Voxelization STARTED; Algo_Voxelization.NonCubeBox; Voxelization FINISHED; ");
}

TEST(Pelk_APITest, MissingStagesAndInputsAreReported)
{
  const std::string             aDir      = PelliskTest_Data::ScratchFolder("api_missing");
  Handle(Pelk_ProgressNotifier) aNotifier = newNotifier();
  Pelk_API                      anAPI(aNotifier);
  EXPECT_TRUE(anAPI.GetResultTriangulation().IsNull());
  EXPECT_FALSE(anAPI.ExportSTL((aDir + "/never_written.stl").c_str(), true));
  EXPECT_FALSE(std::filesystem::exists(aDir + "/never_written.stl"));
  EXPECT_FALSE(anAPI.ImportSTL((aDir + "/missing.stl").c_str()));
  EXPECT_TRUE(anAPI.DirtyMesh().IsNull());
  std::ofstream(aDir + "/garbage.stl") << "this is no STL file\n";
  EXPECT_FALSE(anAPI.ImportSTL((aDir + "/garbage.stl").c_str()));
  // No settings at all, and settings without stages.
  EXPECT_FALSE(anAPI.PerformWrapping(Handle(Pelk_WrappingSettings)()));
  Handle(Pelk_WrappingSettings) aSettings = new Pelk_WrappingSettings(aNotifier);
  aSettings->SetVoxelization(new Algo_VoxelizationMinSize(aNotifier));
  aSettings->SetCellSize(1.0);
  anAPI.SetDirtyMesh(tetrahedron());
  EXPECT_FALSE(anAPI.PerformWrapping(aSettings));
  // An empty mesh without a box: the voxelization reports the missing mesh.
  anAPI.SetDirtyMesh(new Poly_Triangulation());
  anAPI.SetBoundingBox(Bnd_Box());
  EXPECT_FALSE(anAPI.PerformWrapping(aSettings));
  EXPECT_EQ(log(aNotifier),
            "Pelk_API.ExportEmptyMesh; STL import STARTED; STL_IO.FileDoesNotExist; STL import FINISHED; "
            "STL import STARTED; STL_IO.ReadingError; STL import FINISHED; Voxelization STARTED; "
            "Pelk_API.NoVoxelizationAlgo; Algo.NoAlgorithm; Voxelization STARTED; Voxelization FINISHED; "
            "Tessellation STARTED; Pelk_API.NoTessellationAlgo; Algo.NoAlgorithm; Voxelization STARTED; "
            "Algo_Voxelization.NoMesh; Algo_Voxelization.NoInputBox; Voxelization FINISHED; ");
  EXPECT_EQ(aNotifier->Indicator()->NbScopes(), 1);
}

namespace
{
// A turn by multiples of 90 degrees (axes permuted with signs, determinant 1),
// a power-of-two scale and a dyadic shift: exact on single-precision input.
struct Move
{
  std::string Name;
  int         Axis[3], Sign[3];
  double      Scale;
  gp_XYZ      Shift;

  gp_XYZ operator()(const gp_XYZ& theP) const
  {
    const gp_XYZ aTurned(Sign[0] * theP.Coord(Axis[0] + 1), Sign[1] * theP.Coord(Axis[1] + 1),
                         Sign[2] * theP.Coord(Axis[2] + 1));
    return aTurned * Scale + Shift;
  }
};

using Cycle = std::vector<std::array<double, 3>>; // lattice points

// The wrap through the facade: min-size voxelization with cells of 1/128 of
// the input's cube, then Cartesian wrapping; gives the cell size and the cube's least corner.
Handle(HalfEdge_Mesh) wrap(const Handle(Poly_Triangulation)& theMesh, double& theCell, gp_XYZ& theCorner)
{
  const Bnd_Box                 aCube = Algo_Voxelization::BoundingCube(theMesh);
  Pelk_API                      anAPI;
  Handle(Pelk_WrappingSettings) aSettings = new Pelk_WrappingSettings(anAPI.Notifier());
  aSettings->SetVoxelizationAlgorithm("Algo_VoxelizationMinSize");
  aSettings->SetTessellationAlgorithm("Algo_CartesianWrapping");
  theCell = (aCube.CornerMax().X() - aCube.CornerMin().X()) / 128.0;
  aSettings->SetCellSize(theCell);
  anAPI.SetDirtyMesh(theMesh);
  EXPECT_TRUE(anAPI.PerformWrapping(aSettings));
  theCorner = anAPI.BoundingBox().CornerMin().XYZ();
  return anAPI.GetResultMesh();
}

// The faces of the wrap moved by theMove, each as the cycle of its corners
// numbered on the lattice of cells theCell from theCorner, from the least one.
std::set<Cycle>
faces(const Handle(HalfEdge_Mesh)& theWrap, const Move& theMove, const gp_XYZ& theCorner, double theCell)
{
  std::set<Cycle> aFaces;
  for (int aFace = 0; aFace < theWrap->NbFaces(); ++aFace)
  {
    std::list<int> aCorners;
    theWrap->Face(aFace, aCorners);
    Cycle aCycle;
    for (const int aCorner : aCorners)
    {
      const gp_XYZ aPlace = (theMove(theWrap->Node(aCorner).XYZ()) - theCorner) / theCell;
      const gp_XYZ aNode(std::round(aPlace.X()), std::round(aPlace.Y()), std::round(aPlace.Z()));
      EXPECT_TRUE(aPlace.IsEqual(aNode, 128 * 1e-9)) << "off the lattice";
      aCycle.push_back({aNode.X(), aNode.Y(), aNode.Z()});
    }
    std::rotate(aCycle.begin(), std::min_element(aCycle.begin(), aCycle.end()), aCycle.end());
    aFaces.insert(aCycle);
  }
  EXPECT_EQ(aFaces.size(), size_t(theWrap->NbFaces())) << "repeated faces";
  return aFaces;
}
} // namespace

// The wrap of the mesh moved each way must be the wrap of the mesh moved the same way.
TEST(Pelk_APITest, MovedMeshGivesTheSameWrapMovedTheSameWay)
{
  const Move              aStill = {"", {0, 1, 2}, {1, 1, 1}, 1.0, gp_XYZ()};
  const std::vector<Move> aMoves = {
      {"shift", {0, 1, 2}, {1, 1, 1}, 1.0, gp_XYZ(16, -0.375, 3.25)},
      {"scale", {0, 1, 2}, {1, 1, 1}, 4.0, gp_XYZ(-0.375, 0, 0)},
      {"quarter turn about Z", {1, 0, 2}, {-1, 1, 1}, 1.0, gp_XYZ(0, 16, -0.375)},
      {"third turn about a diagonal", {2, 0, 1}, {-1, -1, 1}, 0.5, gp_XYZ(-0.375, 16, 48)}};
  for (const char* aName : {"boeing_cgal.stl", "teapot_utah.stl"})
  {
    Pelk_API aReader;
    ASSERT_TRUE(aReader.ImportSTL(PelliskTest_Data::File(aName).c_str()));
    const Handle(Poly_Triangulation) aMesh = aReader.DirtyMesh();
    double                           aCell = 0.0;
    gp_XYZ                           aCorner;
    const Handle(HalfEdge_Mesh)      aWrap = wrap(aMesh, aCell, aCorner);
    for (const Move& aMove : aMoves)
    {
      SCOPED_TRACE(std::string(aName) + " moved by " + aMove.Name);
      std::vector<gp_Pnt> aNodes;
      for (const gp_Pnt& aNode : PelliskTest_Meshes::Nodes(aMesh))
      {
        aNodes.emplace_back(aMove(aNode.XYZ()));
      }
      const Handle(HalfEdge_Mesh) aMoved =
          wrap(PelliskTest_Meshes::Make(aNodes, PelliskTest_Meshes::Triangles(aMesh)), aCell, aCorner);
      EXPECT_EQ(aWrap->NbNodes(), aMoved->NbNodes());
      EXPECT_TRUE(faces(aWrap, aMove, aCorner, aCell) == faces(aMoved, aStill, aCorner, aCell));
    }
  }
}
