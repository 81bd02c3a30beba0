#ifndef HalfEdgeAlgo_AABBClippingIndex_HeaderFile
#define HalfEdgeAlgo_AABBClippingIndex_HeaderFile

#include <cstdint>
#include <unordered_map>
#include <vector>

class Mesh;

//! Faces of a mesh filed by the boxes of their corners in a uniform grid, so
//! that a clipping finds the faces near its box without walking the whole
//! mesh. Each face is filed once, in the cell of its box's lower corner; a
//! face wider than half a cell along some axis, or with a corner that is not
//! a number, is kept in a list that every search returns.
//!
//! A search returns a superset of the faces whose box meets the given box, as
//! long as the mesh has changed only in the faces around the nodes passed to
//! Refresh() since they were filed: faces added since the index was built are
//! always returned. Callers test the returned faces exactly.
class HalfEdgeAlgo_AABBClippingIndex
{
public:
  //! Files every live face of theMesh.
  explicit HalfEdgeAlgo_AABBClippingIndex(const Mesh& theMesh);

  //! True when the index was built over theMesh and can follow it: a garbage
  //! collection since (fewer nodes or faces) renumbers what it holds.
  bool IsOver(const Mesh& theMesh) const;

  //! Files anew the faces around theNodes (numbers of the mesh), whose corners
  //! may have moved or been rewired since they were filed.
  void Refresh(const Mesh& theMesh, const std::vector<int>& theNodes);

  //! Candidates for the faces whose corner box meets [theMin, theMax],
  //! ascending, without repeats; false (and nothing) when the box covers so
  //! many cells that walking the mesh is cheaper.
  bool Search(const Mesh&       theMesh,
              const double      theMin[3],
              const double      theMax[3],
              std::vector<int>& theFaces) const;

private:
  struct Box
  {
    double Min[3];
    double Max[3];
  };

  //! The box of the corners of a live face.
  static Box faceBox(const Mesh& theMesh, int theFace);

  //! Cell of a coordinate along an axis, clamped to the grid.
  int64_t cellOf(int theAxis, double theCoord) const;

  //! True when theBox fits the filing rule (finite, at most half a cell wide).
  bool isFileable(const Box& theBox) const;

  //! Key of the cell of theBox's lower corner.
  int64_t keyOf(const Box& theBox) const;

  //! Files one face in the overlay of refreshed faces.
  void fileRefreshed(const Mesh& theMesh, int theFace);

private:
  const Mesh*                                   myMesh;
  size_t                                        myNbNodes;
  size_t                                        myNbFaces;
  double                                        myOrigin[3];
  double                                        myCell;
  int64_t                                       myDims[3];
  std::vector<int>                              myStart; // faces of cell k: myStart[k] .. myStart[k + 1]
  std::vector<int>                              myFaces;
  std::vector<char>                             myIsRefreshed;
  std::unordered_map<int64_t, std::vector<int>> myRefreshed;
  std::vector<int>                              myLarge;
  // Where each face is filed outside the grid: a cell key of myRefreshed,
  // or a negative mark for myLarge or for none. A face filed anew leaves its
  // old place, so that the lists do not grow with the number of refreshes.
  std::vector<int64_t> myPlace;
};

#endif
