// A host's mesh algorithm source: the geometry kernel's headers come first,
// and Mesh.hxx must still bring in the complete mesh kernel after them.
#include <Poly_Triangulation.hxx>
#include <Standard_Handle.hxx>
#include <gp_Pnt.hxx>

#include <Mesh.hxx>

#include <gtest/gtest.h>

TEST(MeshTest, UsableAfterKernelHeadersWithLiveStatusesAndNoMetricsYet)
{
  Mesh aMesh;
  EXPECT_TRUE(aMesh.has_vertex_status() && aMesh.has_edge_status() && aMesh.has_halfedge_status() &&
              aMesh.has_face_status());
  const Mesh::FaceHandle f =
      aMesh.add_face(aMesh.add_vertex(Mesh::Point(0, 0, 0)), aMesh.add_vertex(Mesh::Point(1, 0, 0)),
                     aMesh.add_vertex(Mesh::Point(0, 1, 0)));
  ASSERT_TRUE(f.is_valid());
  // The kernel's Handle() still names its handles in the same source.
  Handle(Poly_Triangulation) aTriangulation = new Poly_Triangulation(3, 1, Standard_False);
  EXPECT_EQ(aTriangulation->NbNodes(), 3);

  // Deletion marks, copies keep the marks, garbage collection removes.
  aMesh.delete_face(f, true);
  const Mesh aCopy(aMesh);
  EXPECT_TRUE(aCopy.status(f).deleted());
  EXPECT_TRUE(aCopy.status(Mesh::VertexHandle(1)).deleted());
  aMesh.garbage_collection();
  EXPECT_EQ(aMesh.n_faces() + aMesh.n_vertices(), 0u);

  aMesh.RequestMetrics("no such metric");
  EXPECT_EQ(aMesh.GetMetrics("no such metric"), nullptr);
}
