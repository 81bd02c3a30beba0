// As in a host's mesh algorithm source, the geometry kernel's headers come
// first: Mesh.hxx must still bring in the complete mesh kernel after them.
#include <HalfEdgeAlgo_Algorithm.hxx>
#include <PelliskTest_Mesh.hxx>
#include <PelliskTest_Meshes.hxx>

#include <Mesh.hxx>

#include <gtest/gtest.h>

TEST(HalfEdgeAlgo_AlgorithmTest, ExecuteRunsTheAlgorithmAndCollectsGarbageOnlyWhenAsked)
{
  // Lifts every node by one and deletes every other face.
  const auto liftAndThin = [](Mesh& theMesh)
  {
    for (const Mesh::VertexHandle aVertex : theMesh.vertices())
    {
      theMesh.set_point(aVertex, theMesh.point(aVertex) + Mesh::Point(0.0, 0.0, 1.0));
    }
    for (int f = 0; f < static_cast<int>(theMesh.n_faces()); f += 2)
    {
      theMesh.delete_face(Mesh::FaceHandle(f), false);
    }
    return theMesh.n_faces() == 24;
  };
  Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh(PelliskTest_Meshes::Grid(4, 3));
  EXPECT_TRUE(PelliskTest_Mesh::Apply(aMesh, liftAndThin, true));
  EXPECT_EQ(aMesh->NbFaces(), 12);
  EXPECT_EQ(PelliskTest_Mesh::Check(aMesh), "") << "the node index follows the move";
  EXPECT_FALSE(PelliskTest_Mesh::Apply(aMesh, liftAndThin, false));
  EXPECT_FALSE(aMesh->Execute(Handle(HalfEdgeAlgo_Algorithm)(), true));
  EXPECT_EQ(aMesh->NbFaces(), 12) << "neither collected after the algorithm nor by a null algorithm";
  EXPECT_EQ(Handle(Poly_Triangulation)(*aMesh)->NbTriangles(), 6);
}
