#ifndef Algo_CollapseNarrowFace_HeaderFile
#define Algo_CollapseNarrowFace_HeaderFile

#include <Algo_Refinement.hxx>

class HalfEdgeAlgo_FindEdges;
class HalfEdgeAlgo_FindFaces;

//! Refinement step "CollapseNarrowFace": collapses faces whose aspect ratio
//! reaches the parameter (10 by default) onto their skeletons, round after
//! round until none is left, removing sticking faces once when a round fails.
class Pellisk_EXPORT Algo_CollapseNarrowFace : public Algo_Refinement
{
  DEFINE_STANDARD_RTTIEXT(Algo_CollapseNarrowFace, Algo_Refinement)
public:
  //! Parameter 10.
  explicit Algo_CollapseNarrowFace(const Handle(Pelk_ProgressNotifier)& theNotifier);

  //! "Algo_CollapseNarrowFace".
  std::string Name() const override;

  //! Refines Mesh() in place; true when the step succeeded (Result() is then
  //! the input mesh).
  bool Perform() override;

  //! Aspect ratio at or above which a face counts as narrow.
  double Parameter() const { return myParameter; }
  //! Sets the aspect-ratio threshold; used as given.
  void SetParameter(double theValue) { myParameter = theValue; }

private:
  //! Rounds of degenerate-edge and narrow-face collapses until no face is
  //! narrow; false when a face collapse failed twice, or when the degenerate
  //! edges of the last round could not be collapsed.
  bool performCycle(const opencascade::handle<HalfEdgeAlgo_FindFaces>& theNarrowFaces,
                    const opencascade::handle<HalfEdgeAlgo_FindEdges>& theDegenerateEdges);

protected:
  double myParameter;
};

DEFINE_STANDARD_HANDLE(Algo_CollapseNarrowFace, Algo_Refinement)

#endif
