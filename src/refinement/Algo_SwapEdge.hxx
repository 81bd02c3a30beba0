#ifndef Algo_SwapEdge_HeaderFile
#define Algo_SwapEdge_HeaderFile

#include <Algo_Refinement.hxx>

//! Refinement step "SwapEdge": flips the longest flippable edge of each badly
//! shaped triangle, worst first, when no triangle gets worse and no crossing
//! appears.
class Pellisk_EXPORT Algo_SwapEdge : public Algo_Refinement
{
  DEFINE_STANDARD_RTTIEXT(Algo_SwapEdge, Algo_Refinement)
public:
  //! Skewness limit 0.8.
  explicit Algo_SwapEdge(const Handle(Pelk_ProgressNotifier)& theNotifier);

  //! "Algo_SwapEdge".
  std::string Name() const override;

  //! Refines Mesh() in place; true when the step succeeded (Result() is then
  //! the input mesh).
  bool Perform() override;

  //! Skewness at or above which triangles are visited by the swap.
  double Parameter() const { return myParameter; }
  //! Sets the skewness limit; a negative one switches the quality test off.
  void SetParameter(double theValue) { myParameter = theValue; }

protected:
  double myParameter;
};

DEFINE_STANDARD_HANDLE(Algo_SwapEdge, Algo_Refinement)

#endif
