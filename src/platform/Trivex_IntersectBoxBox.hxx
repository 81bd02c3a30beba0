#ifndef Trivex_IntersectBoxBox_HeaderFile
#define Trivex_IntersectBoxBox_HeaderFile

#include <Pellisk_Export.hxx>
#include <Trivex_BoxData.hxx>
#include <Trivex_BoxSet.hxx>

#include <Precision.hxx>

#include <utility>
#include <vector>

namespace Trivex
{
//! The boxes of a set that overlap or touch a given box within a tolerance.
class Pellisk_EXPORT IntersectBoxBox
{
public:
  //! A query on theSet (which must be built; see BoxSet).
  explicit IntersectBoxBox(const Handle(BoxSet)& theSet)
      : mySet(theSet)
  {
  }

  //! True when boxes of the set come within theTolerance of theBox on every
  //! axis (so boxes sharing a face, an edge or a corner touch); theResult
  //! receives them, in ascending box number (emptied first). A box of the set
  //! equal to the query is found as well. False for a void query box and for a
  //! null or unbuilt set.
  bool Perform(const BoxData&        theBox,
               std::vector<BoxData>& theResult,
               double                theTolerance = Precision::Confusion());

  //! Numbers of the boxes found by the last Perform, ascending.
  const std::vector<int>& Indices() const { return myIndices; }

private:
  Handle(BoxSet)                   mySet;
  std::vector<int>                 myIndices;
  std::vector<std::pair<int, int>> myFound; // (box number, leaf position), scratch kept between queries
};
} // namespace Trivex

#endif
