#include <Mesh.hxx>

#include <HalfEdgeAlgo_CheckMesh.hxx>
#include <HalfEdgeAlgo_Export.hxx>
#include <HalfEdgeAlgo_ModifyMesh.hxx>
#include <HalfEdge_Mesh.hxx>
#include <PelliskTest_Mesh.hxx>
#include <PelliskTest_Meshes.hxx>

#include <gtest/gtest.h>

namespace
{
// Moves every live vertex up by one, deletes every other face and reports failure.
class LiftAndThin : public HalfEdgeAlgo_ModifyMesh
{
public:
  std::string Name() const override { return "LiftAndThin"; }
  bool        Perform(Mesh& theMesh) override
  {
    for (const Mesh::VertexHandle aVertex : theMesh.vertices())
    {
      theMesh.set_point(aVertex, theMesh.point(aVertex) + Mesh::Point(0.0, 0.0, 1.0));
    }
    for (const Mesh::FaceHandle aFace : theMesh.faces())
    {
      if (aFace.idx() % 2 == 0)
      {
        theMesh.delete_face(aFace, false);
      }
    }
    return false;
  }
};

// Counts the boundary edges; true when there are some.
class CountBoundaryEdges : public HalfEdgeAlgo_CheckMesh
{
public:
  std::string Name() const override { return "CountBoundaryEdges"; }
  bool        Perform(Mesh& theMesh) override
  {
    myCount = 0;
    for (const Mesh::EdgeHandle anEdge : theMesh.edges())
    {
      myCount += theMesh.is_boundary(anEdge) ? 1 : 0;
    }
    return myCount > 0;
  }
  int myCount = -1;
};
} // namespace

TEST(HalfEdgeAlgo_AlgorithmTest, ExecuteRunsTheAlgorithmAndCollectsGarbageOnlyWhenAsked)
{
  Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(PelliskTest_Meshes::Grid(4, 3));
  EXPECT_FALSE(aMesh->Execute(new LiftAndThin(), true));
  EXPECT_EQ(aMesh->NbFaces(), 12);
  EXPECT_EQ(PelliskTest_Mesh::Check(aMesh), "");
  EXPECT_EQ(aMesh->NodeIndex(gp_Pnt(1, 0, 1)), 1) << "the node index follows the move";
  EXPECT_FALSE(aMesh->Execute(new LiftAndThin(), false));
  EXPECT_EQ(aMesh->NbFaces(), 12);
  EXPECT_EQ(PelliskTest_Mesh::NbLiveFaces(aMesh), 6);
  EXPECT_FALSE(aMesh->Execute(Handle(HalfEdgeAlgo_Algorithm)(), true));
  EXPECT_EQ(aMesh->NbFaces(), 12) << "a null algorithm does nothing, not even the collection";

  Handle(CountBoundaryEdges) aCheck = new CountBoundaryEdges();
  EXPECT_TRUE(
      Handle(HalfEdge_Mesh)(new HalfEdge_Mesh(PelliskTest_Meshes::Grid(2, 2)))->Execute(aCheck, false));
  EXPECT_EQ(aCheck->myCount, 8);
  EXPECT_FALSE(
      Handle(HalfEdge_Mesh)(new HalfEdge_Mesh(PelliskTest_Meshes::Tetrahedron()))->Execute(aCheck, true));
  EXPECT_EQ(aCheck->myCount, 0);
}

TEST(HalfEdgeAlgo_AlgorithmTest, OnlyExecuteRunsAMeshAlgorithm)
{
  for (const Handle(HalfEdgeAlgo_Algorithm)& anAlgo :
       {Handle(HalfEdgeAlgo_Algorithm)(new LiftAndThin()),
        Handle(HalfEdgeAlgo_Algorithm)(new CountBoundaryEdges()),
        Handle(HalfEdgeAlgo_Algorithm)(new HalfEdgeAlgo_Export("out.ply", true))})
  {
    Algo_Interface& anInterface = *anAlgo;
    EXPECT_FALSE(anInterface.Perform());
  }
}
