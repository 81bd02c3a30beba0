// The mesh kernel's headers come before the geometry kernel's (see Mesh.hxx).
#include <HalfEdge_Skewness.hxx>

#include <HalfEdgeAlgo_DivideEdges.hxx>
#include <HalfEdgeAlgo_SplitEdge.hxx>
#include <HalfEdgeAlgo_SubMeshByFaces.hxx>
#include <HalfEdgeAlgo_Triangulate.hxx>

#include <algorithm>
#include <vector>

IMPLEMENT_STANDARD_RTTIEXT(HalfEdgeAlgo_DivideEdges, HalfEdgeAlgo_ModifyMesh)

namespace
{
// A split is kept only when it lowers the worst skewness by more than this:
// smaller gains are rounding, and would add nodes for nothing.
constexpr double THE_MIN_GAIN = 1e-7;

// Splits a copy of the two faces beside theEdge and triangulates it; true,
// with the new node's place, when that lowers their worst skewness enough.
bool isSplitBetter(Mesh&                                   theMesh,
                   Mesh::EdgeHandle                        theEdge,
                   const Handle(HalfEdgeAlgo_Triangulate)& theTriangulate,
                   gp_Pnt&                                 thePlace)
{
  const Mesh::HalfedgeHandle          aHalf = theMesh.halfedge_handle(theEdge, 0);
  const Mesh::HalfedgeHandle          anOpp = theMesh.opposite_halfedge_handle(aHalf);
  Handle(HalfEdgeAlgo_SubMeshByFaces) aCopy = new HalfEdgeAlgo_SubMeshByFaces();
  aCopy->SetFaces({theMesh.face_handle(aHalf).idx(), theMesh.face_handle(anOpp).idx()});
  if (!aCopy->Perform(theMesh) || aCopy->Result().IsNull())
  {
    return false;
  }
  const Handle(HalfEdge_Mesh)& aLocal = aCopy->Result();
  const int    anEdge  = aLocal->EdgeIndex(aCopy->SubNode(theMesh.from_vertex_handle(aHalf).idx()),
                                           aCopy->SubNode(theMesh.to_vertex_handle(aHalf).idx()));
  const double aBefore = HalfEdge_Skewness::WorstOf(*aLocal);
  // Only an edge that is interior in the copy too tells what the mesh would get.
  if (anEdge >= 0 && !aLocal->IsBoundaryEdge(anEdge) &&
      aLocal->Execute(new HalfEdgeAlgo_SplitEdge(anEdge), false))
  {
    thePlace = aLocal->Node(aLocal->NbNodes() - 1);
    aLocal->Execute(theTriangulate, true);
    return HalfEdge_Skewness::WorstOf(*aLocal) + THE_MIN_GAIN < aBefore;
  }
  return false;
}
} // namespace

HalfEdgeAlgo_DivideEdges::HalfEdgeAlgo_DivideEdges() = default;

std::string HalfEdgeAlgo_DivideEdges::Name() const
{
  return "HalfEdgeAlgo_DivideEdges";
}

bool HalfEdgeAlgo_DivideEdges::Perform(Mesh& theMesh)
{
  Handle(HalfEdgeAlgo_Triangulate) aTriangulate = new HalfEdgeAlgo_Triangulate("skewness");
  const int                        aNbEdges     = static_cast<int>(theMesh.n_edges());
  for (int anIndex = 0; anIndex < aNbEdges; ++anIndex)
  {
    const Mesh::EdgeHandle anEdge(anIndex);
    gp_Pnt                 aPlace;
    if (theMesh.status(anEdge).deleted() || theMesh.is_boundary(anEdge) ||
        !isSplitBetter(theMesh, anEdge, aTriangulate, aPlace))
    {
      continue;
    }
    // split_edge keeps both faces' numbers: they gained the new node as a corner.
    const Mesh::FaceHandle         aFace0 = theMesh.face_handle(theMesh.halfedge_handle(anEdge, 0));
    const Mesh::FaceHandle         aFace1 = theMesh.face_handle(theMesh.halfedge_handle(anEdge, 1));
    Handle(HalfEdgeAlgo_SplitEdge) aSplit = new HalfEdgeAlgo_SplitEdge(anIndex);
    aSplit->SetNode(theMesh.add_vertex(Mesh::Point(aPlace.X(), aPlace.Y(), aPlace.Z())).idx());
    // Both triangulations run, so that neither face is left a polygon.
    const bool isFace0 = aSplit->Perform(theMesh) && aTriangulate->TriangulateFace(theMesh, aFace0.idx());
    const bool isFace1 = aTriangulate->TriangulateFace(theMesh, aFace1.idx());
    if (!isFace0 || !isFace1)
    {
      return false;
    }
  }
  return true;
}
