// A host's mesh algorithm source: the geometry kernel's headers come first,
// and Mesh.hxx must still bring in the complete mesh kernel after them.
#include <Poly_Triangulation.hxx>
#include <Standard_Handle.hxx>
#include <gp_Pnt.hxx>

#include <Mesh.hxx>

#include <HalfEdgeAlgo_ModifyMesh.hxx>
#include <HalfEdge_Mesh.hxx>

#include <gtest/gtest.h>

namespace
{
// Moves every live vertex up by one: an edit through the complete Mesh type.
class LiftAll : public HalfEdgeAlgo_ModifyMesh
{
public:
  std::string Name() const override { return "LiftAll"; }
  bool        Perform(Mesh& theMesh) override
  {
    for (const Mesh::VertexHandle aVertex : theMesh.vertices())
    {
      theMesh.set_point(aVertex, theMesh.point(aVertex) + Mesh::Point(0.0, 0.0, 1.0));
    }
    return theMesh.n_vertices() > 0;
  }
};
} // namespace

TEST(MeshTest, UsableAfterKernelHeadersAndEditable)
{
  Mesh aMesh;
  EXPECT_TRUE(aMesh.has_vertex_status() && aMesh.has_edge_status() && aMesh.has_halfedge_status() &&
              aMesh.has_face_status());
  const Mesh::VertexHandle a = aMesh.add_vertex(Mesh::Point(0, 0, 0));
  const Mesh::VertexHandle b = aMesh.add_vertex(Mesh::Point(1, 0, 0));
  const Mesh::VertexHandle c = aMesh.add_vertex(Mesh::Point(0, 1, 0));
  const Mesh::FaceHandle   f = aMesh.add_face(a, b, c);
  ASSERT_TRUE(f.is_valid());

  // The kernel's Handle() still names its handles in the same source.
  Handle(Poly_Triangulation) aTriangulation = new Poly_Triangulation(3, 1, Standard_False);
  EXPECT_EQ(aTriangulation->NbNodes(), 3);

  // Deletion marks, garbage collection removes: statuses are live.
  aMesh.delete_face(f, true);
  EXPECT_TRUE(aMesh.status(f).deleted());
  aMesh.garbage_collection();
  EXPECT_EQ(aMesh.n_faces(), 0u);
  EXPECT_EQ(aMesh.n_vertices(), 0u);
}

TEST(MeshTest, CopiesKeepStatusesAndTheRegistryIsEmptyUntilMetricsExist)
{
  Mesh aMesh;
  aMesh.add_vertex(Mesh::Point(0, 0, 0));
  aMesh.add_vertex(Mesh::Point(1, 0, 0));
  aMesh.status(Mesh::VertexHandle(1)).set_deleted(true);
  const Mesh aCopy(aMesh);
  EXPECT_TRUE(aCopy.status(Mesh::VertexHandle(1)).deleted());
  EXPECT_FALSE(aCopy.status(Mesh::VertexHandle(0)).deleted());

  aMesh.RequestMetrics("no such metric");
  EXPECT_EQ(aMesh.GetMetrics("no such metric"), nullptr);
}

TEST(MeshTest, HostAlgorithmEditsAHalfEdgeMesh)
{
  Handle(HalfEdge_Mesh) aMesh = new HalfEdge_Mesh();
  const int             a     = aMesh->AddNode(gp_Pnt(0, 0, 0));
  const int             b     = aMesh->AddNode(gp_Pnt(1, 0, 0));
  const int             c     = aMesh->AddNode(gp_Pnt(0, 1, 0));
  ASSERT_GE(aMesh->AddFace(a, b, c, true), 0);
  EXPECT_TRUE(aMesh->Execute(new LiftAll(), false));
  EXPECT_DOUBLE_EQ(aMesh->Node(b).Z(), 1.0);
  // The node index follows the move after collection.
  aMesh->GarbageCollection();
  EXPECT_EQ(aMesh->NodeIndex(gp_Pnt(1, 0, 1)), b);
}
