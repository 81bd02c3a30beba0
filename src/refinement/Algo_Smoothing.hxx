#ifndef Algo_Smoothing_HeaderFile
#define Algo_Smoothing_HeaderFile

#include <Algo_Refinement.hxx>

//! Refinement step "Smoothing": relaxes the nodes with the mesh kernel's
//! Laplace smoother, along the surface, across it or both.
class Pellisk_EXPORT Algo_Smoothing : public Algo_Refinement
{
  DEFINE_STANDARD_RTTIEXT(Algo_Smoothing, Algo_Refinement)
public:
  //! Both components, 5 iterations.
  explicit Algo_Smoothing(const Handle(Pelk_ProgressNotifier)& theNotifier);

  //! "Algo_Smoothing".
  std::string Name() const override;

  //! Refines Mesh() in place; true when the step succeeded (Result() is then
  //! the input mesh).
  bool Perform() override;

  //! The parts of a node's move the smoother keeps.
  enum SmoothingComponent
  {
    Tangential = 0, //!< along the surface only
    Normal     = 1, //!< across the surface
    Both       = 2  //!< both
  };

  //! The component smoothed.
  SmoothingComponent Component() const { return myComponent; }
  //! Sets the component; values other than 0 and 1 smooth both.
  void SetComponent(SmoothingComponent theComponent) { myComponent = theComponent; }

  //! Number of smoothing iterations.
  int NbIterations() const { return myNbIterations; }
  //! Sets the number of iterations.
  void SetNbIterations(int theNbIterations) { myNbIterations = theNbIterations; }

protected:
  SmoothingComponent myComponent;
  int                myNbIterations;
};

DEFINE_STANDARD_HANDLE(Algo_Smoothing, Algo_Refinement)

#endif
