#ifndef HalfEdgeAlgo_DivideEdges_HeaderFile
#define HalfEdgeAlgo_DivideEdges_HeaderFile

#include <HalfEdgeAlgo_ModifyMesh.hxx>

//! Splits the interior edges of a mesh where that makes its faces better
//! shaped. Each edge the mesh had when Perform() started is tried once, in
//! number order (edges made by earlier splits are not visited): the two faces
//! beside it are copied, the copy's edge is split where HalfEdgeAlgo_SplitEdge
//! puts a new node, and the copy is triangulated by skewness. When that lowers
//! the worst skewness of the two faces by more than 1e-7, the mesh gets the
//! same node and split, and each of the two faces is triangulated by skewness.
//! Boundary edges are left alone.
//!
//! Perform() is false when an applied split or triangulation failed; no edge
//! is split after that. Deleted elements stay until the caller collects them.
class Pellisk_EXPORT HalfEdgeAlgo_DivideEdges : public HalfEdgeAlgo_ModifyMesh
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_DivideEdges, HalfEdgeAlgo_ModifyMesh)
public:
  HalfEdgeAlgo_DivideEdges();

  //! "HalfEdgeAlgo_DivideEdges".
  std::string Name() const override;

  //! Divides the edges of theMesh; see the class comment.
  bool Perform(Mesh& theMesh) override;
  using HalfEdgeAlgo_Algorithm::Perform;
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_DivideEdges, HalfEdgeAlgo_ModifyMesh)

#endif
