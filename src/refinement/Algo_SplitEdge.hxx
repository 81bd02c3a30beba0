#ifndef Algo_SplitEdge_HeaderFile
#define Algo_SplitEdge_HeaderFile

#include <Algo_Refinement.hxx>

//! Refinement step "SplitEdge": splits interior edges where that lowers the
//! worst skewness of the faces beside them.
class Pellisk_EXPORT Algo_SplitEdge : public Algo_Refinement
{
  DEFINE_STANDARD_RTTIEXT(Algo_SplitEdge, Algo_Refinement)
public:
  //! No parameter.
  explicit Algo_SplitEdge(const Handle(Pelk_ProgressNotifier)& theNotifier);

  //! "Algo_SplitEdge".
  std::string Name() const override;

  //! Refines Mesh() in place; true when the step succeeded (Result() is then
  //! the input mesh).
  bool Perform() override;
};

DEFINE_STANDARD_HANDLE(Algo_SplitEdge, Algo_Refinement)

#endif
