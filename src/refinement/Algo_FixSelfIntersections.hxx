#ifndef Algo_FixSelfIntersections_HeaderFile
#define Algo_FixSelfIntersections_HeaderFile

#include <Algo_Refinement.hxx>

#include <Bnd_Box.hxx>
#include <gp_Pnt.hxx>

#include <map>
#include <memory>
#include <set>
#include <vector>

class Algo_GroupCrossings;
class HalfEdgeAlgo_AABBClipping;
class HalfEdgeAlgo_SubMesh;

//! Refinement step "FixSelfIntersections": alternates a check of the whole
//! surface, which groups the crossing faces, with a repair of each group on a
//! sub-mesh clipped around it (moving offending nodes, then swapping offending
//! edges, then smoothing the neighbourhood), carried back to the surface.
class Pellisk_EXPORT Algo_FixSelfIntersections : public Algo_Refinement
{
  DEFINE_STANDARD_RTTIEXT(Algo_FixSelfIntersections, Algo_Refinement)
public:
  //! Tolerance 1e-7, two rounds.
  explicit Algo_FixSelfIntersections(const Handle(Pelk_ProgressNotifier)& theNotifier);

  ~Algo_FixSelfIntersections() override;

  //! "Algo_FixSelfIntersections".
  std::string Name() const override;

  //! Refines Mesh() in place; true when the step succeeded (Result() is then
  //! the input mesh).
  bool Perform() override;

  //! Tolerance of the global self-intersection check.
  double Parameter() const { return myParameter; }
  //! Sets the tolerance of the global check.
  void SetParameter(double theValue) { myParameter = theValue; }

  //! Number of check-and-repair rounds.
  int NbIterations() const { return myNbIterations; }
  //! Sets the number of rounds; 0 or less only removes sticking faces.
  void SetNbIterations(int theNbIterations) { myNbIterations = theNbIterations; }

  //! Repairs one group of crossing faces (numbers of Mesh()) on a sub-mesh
  //! clipped around it; true when the sub-mesh ends free of crossings, but
  //! for those of neighbouring groups that the repair found there and did
  //! not make (their own repair parts them).
  bool FixSelfIntersectedGroup(const std::set<int>& theGroup);

private:
  //! Moves the nodes theVertices of theSub among their neighbours and writes
  //! the sub-mesh's positions back through theClip.
  void VertexHammering(const Handle(HalfEdge_Mesh)&        theSub,
                       const std::set<int>&                theVertices,
                       const Handle(HalfEdgeAlgo_SubMesh)& theClip);

  //! Flips each edge of theEdges in theSub and, when kept, the edge between
  //! the same two nodes of the surface.
  void EdgeSwapping(const Handle(HalfEdge_Mesh)&        theSub,
                    const std::set<int>&                theEdges,
                    const Handle(HalfEdgeAlgo_SubMesh)& theClip);

  //! Smooths theSub in cycles, each written back and followed by a new
  //! sub-mesh of every face meeting the box of the last one (theSub and
  //! theClip are replaced). The later cycles also lift the corners of
  //! crossing faces along their normals or, with theIsSided, each the way
  //! that parts its faces from those they cross. theStart receives the place each node of the surface had
  //! before the smoothing first moved it. With theIsChecked, theCrossings already holds the findings of a
  //! check of theSub as it is, and the smoothing starts without one. True when the last sub-mesh is free of
  //! the crossings theCrossings holds the group's.
  bool Smoothing(Handle(HalfEdge_Mesh)&        theSub,
                 Handle(HalfEdgeAlgo_SubMesh)& theClip,
                 bool                          theIsSided,
                 std::map<int, gp_Pnt>&        theStart,
                 Algo_GroupCrossings&          theCrossings,
                 bool                          theIsChecked);

  //! Puts the nodes of theStart back and smooths again from theFirstClip,
  //! lifting each node the way that parts its faces from those they cross.
  bool SmoothingAgain(Handle(HalfEdge_Mesh)&              theSub,
                      Handle(HalfEdgeAlgo_SubMesh)&       theClip,
                      const Handle(HalfEdgeAlgo_SubMesh)& theFirstClip,
                      std::map<int, gp_Pnt>&              theStart,
                      Algo_GroupCrossings&                theCrossings);

  //! Tells the round's clippings that the surface nodes copied by theSub
  //! may have moved.
  void MarkEdited(const HalfEdgeAlgo_SubMesh& theSub) const;

  //! Tells the round's clippings that the surface nodes theNodes may have moved.
  void MarkEdited(const std::vector<int>& theNodes) const;

  //! The box of the corners of the live faces of theGroup; void when none is left.
  Bnd_Box GroupBox(const std::set<int>& theGroup) const;

  //! theBox grown on each side by theRatio of its extent along that axis; a
  //! flat extent counts as the largest one, so that a flat group still gets
  //! a neighbourhood across its plane.
  static Bnd_Box EnlargeBox(const Bnd_Box& theBox, double theRatio);

protected:
  double myParameter;
  int    myNbIterations;

private:
  //! The clipping shared by the groups of one round of Perform, which files
  //! the surface's faces once for all of them; null outside Perform.
  Handle(HalfEdgeAlgo_AABBClipping) myRoundClipping;
  //! The clipping of a round that widens the smoothing's copies.
  Handle(HalfEdgeAlgo_AABBClipping) myRoundWidening;
  //! Which crossings each group of a round answers for.
  std::unique_ptr<Algo_GroupCrossings> myCrossings;
  //! The place of the group being repaired in its round.
  int  myGroupPlace  = 0;
  bool myIsLastRound = false;
};

DEFINE_STANDARD_HANDLE(Algo_FixSelfIntersections, Algo_Refinement)

#endif
