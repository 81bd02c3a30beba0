#ifndef HalfEdgeAlgo_EdgeLengthCriterion_HeaderFile
#define HalfEdgeAlgo_EdgeLengthCriterion_HeaderFile

#include <HalfEdgeAlgo_SearchEdgeCriterion.hxx>

//! Passes the edges whose squared length lies in [min, max] (both squared
//! lengths, bounds included).
class HalfEdgeAlgo_EdgeLengthCriterion : public HalfEdgeAlgo_SearchEdgeCriterion
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_EdgeLengthCriterion, HalfEdgeAlgo_SearchEdgeCriterion)
public:
  //! Edges of squared length in [theMinSq, theMaxSq].
  HalfEdgeAlgo_EdgeLengthCriterion(double theMinSq, double theMaxSq);

  //! Sets the range of squared lengths.
  void SetRange(double theMinSq, double theMaxSq);

  //! True when min <= squared length <= max.
  bool TestEdge(Mesh& theMesh, int theEdge) const override;

private:
  double myMin;
  double myMax;
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_EdgeLengthCriterion, HalfEdgeAlgo_SearchEdgeCriterion)

#endif
