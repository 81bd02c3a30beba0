#ifndef Algo_CollapseSmallEdge_HeaderFile
#define Algo_CollapseSmallEdge_HeaderFile

#include <Algo_Refinement.hxx>

//! Refinement step "CollapseSmallEdge": collapses every edge no longer than
//! the parameter (1e-7 by default: only degenerate edges).
class Pellisk_EXPORT Algo_CollapseSmallEdge : public Algo_Refinement
{
  DEFINE_STANDARD_RTTIEXT(Algo_CollapseSmallEdge, Algo_Refinement)
public:
  //! Parameter 1e-7.
  explicit Algo_CollapseSmallEdge(const Handle(Pelk_ProgressNotifier)& theNotifier);

  //! "Algo_CollapseSmallEdge".
  std::string Name() const override;

  //! Refines Mesh() in place; true when the step succeeded (Result() is then
  //! the input mesh).
  bool Perform() override;

  //! Edge length at or below which an edge is collapsed (model units).
  double Parameter() const { return myParameter; }
  //! Sets the edge length; used as given.
  void SetParameter(double theValue) { myParameter = theValue; }

protected:
  double myParameter;
};

DEFINE_STANDARD_HANDLE(Algo_CollapseSmallEdge, Algo_Refinement)

#endif
