#ifndef SVO_ClassifyInOut_HeaderFile
#define SVO_ClassifyInOut_HeaderFile

#include <Pellisk_Export.hxx>
#include <SVO_UpdateTree.hxx>

//! Labels every empty leaf of an octree (a leaf whose State is not
//! SVO_Boundary) as SVO_Inside or SVO_Outside using the tree alone.
//!
//! Empty leaves are grouped into regions connected across faces. Regions that
//! reach the boundary of the root box are outside. The other, enclosed, regions
//! are nested by their bounding boxes: the outermost ones are inside, the
//! regions within them outside (cavities), the next level inside, and so on.
//! Enclosed regions with the same bounding box (within 5e-8) do not nest in each
//! other: they are at the same level. Boundary leaves and split nodes keep their
//! states; earlier inside/outside labels are recomputed.
class Pellisk_EXPORT SVO_ClassifyInOut : public SVO_UpdateTree
{
  DEFINE_STANDARD_RTTIEXT(SVO_ClassifyInOut, SVO_UpdateTree)
public:
  //! Classifies the empty leaves of the given tree.
  explicit SVO_ClassifyInOut(const Handle(SVO_Tree)& theTree);

  //! Writes SVO_Inside or SVO_Outside into every empty leaf; true on success
  //! (also when there is no empty leaf), false without a tree (nothing changed).
  bool Perform() override;
};

DEFINE_STANDARD_HANDLE(SVO_ClassifyInOut, SVO_UpdateTree)

#endif
