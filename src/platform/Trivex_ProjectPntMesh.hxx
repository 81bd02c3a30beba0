#ifndef Trivex_ProjectPntMesh_HeaderFile
#define Trivex_ProjectPntMesh_HeaderFile

#include <Pellisk_Export.hxx>
#include <Trivex_TriangleSet.hxx>

#include <gp_Pnt.hxx>

#include <limits>
#include <utility>
#include <vector>

namespace Trivex
{
//! The point of a triangle set closest to a given point.
class Pellisk_EXPORT ProjectPntMesh
{
public:
  //! A query on theSet (which must be built; see TriangleSet).
  explicit ProjectPntMesh(const Handle(TriangleSet)& theSet)
      : mySet(theSet)
  {
  }

  //! The closest point of the triangles to thePoint. A null, empty or unbuilt
  //! set gives thePoint itself and IsDone() false.
  gp_Pnt Perform(const gp_Pnt& thePoint);

  //! As above, and theIndices receives, ascending, the numbers of the
  //! triangles whose distance to thePoint is at most the smallest distance
  //! plus theTolerance (emptied first).
  gp_Pnt Perform(const gp_Pnt& thePoint, double theTolerance, std::vector<int>& theIndices);

  //! True when the last Perform found a closest point.
  bool IsDone() const { return myIndex >= 0; }

  //! Distance from the last query point to its closest point (0 when not done).
  double Distance() const { return myDistance; }

  //! Number of the triangle holding the last closest point, -1 when not done.
  int Index() const { return myIndex; }

  //! State of one nearest-triangle search (used by the implementation).
  struct Nearest
  {
    double Best2 =
        std::numeric_limits<double>::infinity(); //!< squared distance of the nearest triangle so far
    double Bound2 = std::numeric_limits<double>::infinity(); //!< subtrees farther than this are skipped
    gp_XYZ Point;                                            //!< closest point so far
    int    Leaf = -1;                                        //!< its leaf position, -1 before the first
  };

private:
  gp_Pnt  perform(const gp_Pnt& thePoint, double theTolerance, std::vector<int>* theIndices);
  Nearest search(const gp_XYZ& theP, double theTolerance, bool theIsAllNear);

private:
  Handle(TriangleSet)                 mySet;
  std::vector<std::pair<int, double>> myNear; // scratch kept between queries
  double                              myDistance = 0.0;
  int                                 myIndex    = -1;
};
} // namespace Trivex

#endif
