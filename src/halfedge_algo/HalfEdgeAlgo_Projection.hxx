#ifndef HalfEdgeAlgo_Projection_HeaderFile
#define HalfEdgeAlgo_Projection_HeaderFile

#include <HalfEdgeAlgo_ModifyMesh.hxx>
#include <Trivex_TriangleSet.hxx>

//! Pulls every live node towards its closest point on a triangle set and
//! stops it at a gap from that point: a node farther than the gap ends exactly
//! at the gap, a nearer one stays. Each node moves from its own position
//! only, so the result does not depend on the order or the number of threads.
//! Connectivity is not touched; the mesh's point index follows the moves at
//! its next garbage collection.
class HalfEdgeAlgo_Projection : public HalfEdgeAlgo_ModifyMesh
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_Projection, HalfEdgeAlgo_ModifyMesh)
public:
  //! No triangle set, gap 0.
  HalfEdgeAlgo_Projection();

  //! Moves the nodes; always true. Without a built triangle set nothing moves.
  bool Perform(Mesh& theMesh) override;
  using HalfEdgeAlgo_Algorithm::Perform;

  //! "HalfEdgeAlgo_Projection".
  std::string Name() const override;

  //! The triangles the nodes are pulled to (shared, built by the caller).
  const Handle(Trivex::TriangleSet)& TriangleSet() const { return myTriangleSet; }

  //! Sets the triangles the nodes are pulled to; the set must be built.
  void SetTriangleSet(const Handle(Trivex::TriangleSet)& theSet) { myTriangleSet = theSet; }

  //! Distance from the triangles at which a moving node stops.
  double Gap() const { return myGap; }

  //! Sets the stopping distance; a negative gap counts as 0.
  void SetGap(double theGap) { myGap = theGap; }

protected:
  Handle(Trivex::TriangleSet) myTriangleSet;
  double                      myGap;
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_Projection, HalfEdgeAlgo_ModifyMesh)

#endif
