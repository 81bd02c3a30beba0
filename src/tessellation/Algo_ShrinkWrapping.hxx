#ifndef Algo_ShrinkWrapping_HeaderFile
#define Algo_ShrinkWrapping_HeaderFile

#include <Algo_Tessellation.hxx>

//! The default tessellation: the Cartesian skin of the boundary cells, shrunk
//! onto the input surface and cleaned of what the shrinking leaves behind.
//!
//! The skin is pulled to within a tenth of a cell of the input, relaxed by
//! one averaging step, pulled again to within a hundredth of a cell (as far
//! as each node goes without making faces cross), and rid of faces stuck
//! back to back; nodes pulled out as spikes are brought back among their
//! neighbours. Up to two passes then remove sticking faces,
//! collapse narrow faces, repair self-intersections and split the remaining
//! polygons into triangles. The first pass is allowed to fail: its errors
//! reach the host as warnings, and a second pass starts from where it ended.
//! Only the second pass's errors count.
class Pellisk_EXPORT Algo_ShrinkWrapping : public Algo_Tessellation
{
  DEFINE_STANDARD_RTTIEXT(Algo_ShrinkWrapping, Algo_Tessellation)
public:
  //! An algorithm reporting to theNotifier.
  explicit Algo_ShrinkWrapping(const Handle(Pelk_ProgressNotifier)& theNotifier);

  //! "Algo_ShrinkWrapping".
  std::string Name() const override;

  //! Wraps Tree() into Result(). True when a surface was produced. False
  //! without a tree or with an empty one ("Algo_MarchingCubes.NoTree"), on a
  //! user break, when a step before the passes failed, or when both passes
  //! failed. The tree is released once the skin is built; errors are never
  //! left turned into warnings.
  bool Perform() override;

  //! Settles theMesh's nodes as a pass's end does (below), making no corner
  //! sharper than 6 degrees unless it was: the refinements' own repairs move
  //! nodes off the input too. Then swaps or collapses the edges of triangles
  //! with a corner under 12 degrees where that is sound.
  void FinishRefined(const Handle(HalfEdge_Mesh)& theMesh) override;

protected:
  //! Builds the Cartesian skin of Tree() into Result() and releases the tree.
  bool CartesianWrapping();

  //! Projects Result() onto the input in two passes (gaps of 0.1 and 0.01
  //! cell, the second stopping nodes short where their faces would cross)
  //! with an averaging step between them, then removes sticking faces.
  bool Project();

  //! Pulls splash nodes back among their neighbours; true when there was none.
  bool FixSplashes();

  //! Removes faces stuck back to back; a failure is ignored. Always true.
  bool RemoveStickingFaces();

  //! Collapses faces of aspect ratio 10 or more; a failure keeps the surface
  //! and is reported. Always true.
  bool CollapseNarrowFaces();

  //! Repairs self-intersections; the repair's own result.
  bool FixSelfIntersections();

  //! Splits the remaining polygons by skewness; on failure, warns in the
  //! first pass and reports an error in the second.
  bool Tessellate(bool theIsFirstPass);

  //! Brings the nodes the repairs pushed off the input back towards it, as
  //! far as they go without making faces cross or turn into slivers, then
  //! collapses those still farther than 0.19 cell (most span holes or gaps
  //! of the input) where that keeps the surface sound. Always true.
  bool SettleNodes();

private:
  //! One pass of the four repair steps, all run whatever the others gave;
  //! true when all succeeded and no user break was seen after any of them.
  //! A pass that succeeds ends by settling the nodes.
  bool performPass(bool theIsFirstPass);

  //! Settles theMesh's nodes, making no corner sharper than
  //! theSharpestAngle degrees unless it was, then collapses the nodes still
  //! farther than 0.19 cell.
  void settle(const Handle(HalfEdge_Mesh)& theMesh, double theSharpestAngle) const;

  //! theIsDone, unless the host asked to stop.
  bool isDoneAndGoing(bool theIsDone) const;
};

DEFINE_STANDARD_HANDLE(Algo_ShrinkWrapping, Algo_Tessellation)

#endif
