// A host's mesh algorithm source: the geometry kernel's headers come first,
// and Mesh.hxx must still bring in the complete mesh kernel after them.
#include <Poly_Triangulation.hxx>
#include <Standard_Handle.hxx>
#include <gp_Pnt.hxx>

#include <Mesh.hxx>

#include <gtest/gtest.h>

TEST(MeshTest, UsableAfterKernelHeadersWithLiveStatuses)
{
  Mesh                   aMesh;
  const Mesh::FaceHandle f =
      aMesh.add_face(aMesh.add_vertex(Mesh::Point(0, 0, 0)), aMesh.add_vertex(Mesh::Point(1, 0, 0)),
                     aMesh.add_vertex(Mesh::Point(0, 1, 0)));
  ASSERT_TRUE(f.is_valid());
  // The kernel's Handle() still names its handles in the same source.
  Handle(Poly_Triangulation) aTriangulation = new Poly_Triangulation(3, 1, Standard_False);
  EXPECT_EQ(aTriangulation->NbNodes(), 3);
  // Deletion marks and garbage collection removes: the statuses are requested.
  aMesh.delete_face(f, true);
  EXPECT_TRUE(aMesh.status(f).deleted());
  aMesh.garbage_collection();
  EXPECT_EQ(aMesh.n_faces() + aMesh.n_vertices(), 0u);
  EXPECT_EQ(aMesh.GetMetrics("no such metric"), nullptr);
}
