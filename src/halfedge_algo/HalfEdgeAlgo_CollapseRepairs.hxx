#ifndef HalfEdgeAlgo_CollapseRepairs_HeaderFile
#define HalfEdgeAlgo_CollapseRepairs_HeaderFile

#include <Mesh.hxx>

#include <functional>
#include <vector>

//! The legality test of a half-edge collapse and the local re-triangulations
//! that make it pass where it fails on real surfaces. Every repair replaces a
//! few faces around the edge's ends by faces that fill exactly the same hole,
//! so the mesh stays manifold and consistently oriented; nodes do not move.
//! The half-edge to collapse keeps its number. A repair whose preconditions do
//! not hold changes nothing.
//!
//! The collapse of an edge (a, b) is refused, in practice, because a node w
//! is a neighbour of both a and b without being the third corner of a
//! triangle beside the edge: the edges (a, w) and (b, w) would become one edge
//! with too many faces. The repairs remove such shared neighbours, or turn
//! them into such corners.
class HalfEdgeAlgo_CollapseRepairs
{
public:
  //! Repairs on theMesh; theIsHeld tells the edges that must keep their
  //! number and ends (those still waiting for their own collapse).
  HalfEdgeAlgo_CollapseRepairs(Mesh& theMesh, const std::function<bool(int)>& theIsHeld);

  //! True when collapsing theHalf (its from-node into its to-node) keeps the
  //! mesh manifold: the kernel accepts it, and no face but the two beside the
  //! edge has both ends as corners (such a face would get a corner twice).
  static bool IsLegal(Mesh& theMesh, Mesh::HalfedgeHandle theHalf);

  //! True when the faces on both sides of theHalf run back to back over the
  //! same corners: a closed two-sided pocket, which the collapse may flatten
  //! away although the kernel refuses it.
  static bool IsBackToBackPocket(const Mesh& theMesh, Mesh::HalfedgeHandle theHalf);

  //! Tries the repairs in turn, again and again while one of them changes
  //! something, until the collapse of theHalf is legal. False when it is not
  //! in the end; the repairs made stay (the mesh is valid after each).
  bool Run(Mesh::HalfedgeHandle theHalf);

private:
  //! A triangle beside the edge whose third corner has three triangles around
  //! it: the three become one triangle and the corner disappears.
  bool removeValenceThreeCorner(Mesh::HalfedgeHandle theHalf);

  //! A shared neighbour that closes a cycle of three edges around a small
  //! disc on one side of the edge: the disc becomes one triangle.
  bool fillSharedNeighbourPocket(Mesh::HalfedgeHandle theHalf);

  //! Cuts the first edge from an end to a shared neighbour that theCut
  //! accepts: flip() for an edge between two triangles, dissolve() for an
  //! edge beside a polygon.
  bool cutSharedNeighbourEdge(Mesh::HalfedgeHandle theHalf,
                              bool (HalfEdgeAlgo_CollapseRepairs::*theCut)(Mesh::HalfedgeHandle));

  //! The faces of the disc bounded by theSide and theShared, on theSide's
  //! side; none when there is no such disc of a few faces.
  std::vector<Mesh::FaceHandle> pocket(Mesh::HalfedgeHandle theSide, Mesh::VertexHandle theShared) const;

  //! Flips the edge of theHalf between its two triangles.
  bool flip(Mesh::HalfedgeHandle theHalf);

  //! Merges the two faces beside the edge of theHalf into one.
  bool dissolve(Mesh::HalfedgeHandle theHalf);

  //! The neighbours of both ends of theHalf, but the third corners of the
  //! triangles beside it.
  std::vector<Mesh::VertexHandle> sharedNeighbours(Mesh::HalfedgeHandle theHalf) const;

  //! The edges from either end of theHalf to its shared neighbours.
  std::vector<Mesh::HalfedgeHandle> edgesToSharedNeighbours(Mesh::HalfedgeHandle theHalf) const;

  //! True when theHalf is valid, has a face on both sides, its edge is not
  //! held, and both of its ends keep three neighbours or more without it.
  bool isRemovable(Mesh::HalfedgeHandle theHalf) const;

private:
  Mesh&                    myMesh;
  std::function<bool(int)> myIsHeld;
};

#endif
