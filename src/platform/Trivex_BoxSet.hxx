#ifndef Trivex_BoxSet_HeaderFile
#define Trivex_BoxSet_HeaderFile

#include <Pellisk_Export.hxx>
#include <Trivex_BoxData.hxx>

#include <Standard_Transient.hxx>
#include <Standard_Type.hxx>

#include <memory>
#include <vector>

namespace Trivex
{
class BVH;
class BoxSet;
DEFINE_STANDARD_HANDLE(BoxSet, Standard_Transient)

//! A set of axis-aligned boxes with a bounding-volume hierarchy for
//! IntersectBoxBox. Boxes are numbered from 0 in the order given.
//!
//! Use: construct, SetNbBuilderThreads, InitBuilder, then Build once on the
//! calling thread; the built set is read-only and may be queried from many
//! threads at once. Queries on a set that is not built find nothing; void
//! boxes and boxes with infinite coordinates are kept in the numbering but
//! never found.
class Pellisk_EXPORT BoxSet : public Standard_Transient
{
  friend class IntersectBoxBox;

public:
  //! A set over a copy of theBoxes.
  explicit BoxSet(const std::vector<BoxData>& theBoxes);

  ~BoxSet() override;

  //! Number of boxes.
  int NbBoxes() const { return static_cast<int>(myBoxes.size()); }

  //! Box number theIndex (from 0); an invalid number gives a void box with index -1.
  const BoxData& Box(int theIndex) const;

  //! Threads used to build the hierarchy.
  int NbBuilderThreads() const { return myNbBuilderThreads; }

  //! Sets the threads used to build the hierarchy (values below 1 mean 1).
  void SetNbBuilderThreads(int theNbThreads) { myNbBuilderThreads = theNbThreads < 1 ? 1 : theNbThreads; }

  //! Prepares the builder with the current thread count and drops any built
  //! hierarchy, so that the next Build builds anew.
  void InitBuilder();

  //! Builds the hierarchy unless it is built; true when the set is built and
  //! holds at least one box that is not void.
  virtual bool Build();

  //! True after a successful Build.
  bool IsBuilt() const { return myIsBuilt; }

  DEFINE_STANDARD_RTTIEXT(Trivex::BoxSet, Standard_Transient)

private:
  // The box at leaf position theLeaf.
  const BoxData& leafBox(int theLeaf) const { return myLeafBoxes[static_cast<size_t>(theLeaf)]; }
  const BVH&     hierarchy() const { return *myHierarchy; }

private:
  std::vector<BoxData> myBoxes;
  std::vector<BoxData> myLeafBoxes; // copies in leaf order, read contiguously by the queries
  std::unique_ptr<BVH> myHierarchy;
  int                  myNbBuilderThreads = 1;
  bool                 myIsBuilt          = false;
};
} // namespace Trivex

#endif
