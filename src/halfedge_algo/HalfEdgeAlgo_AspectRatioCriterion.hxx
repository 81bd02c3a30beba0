#ifndef HalfEdgeAlgo_AspectRatioCriterion_HeaderFile
#define HalfEdgeAlgo_AspectRatioCriterion_HeaderFile

#include <HalfEdgeAlgo_SearchFaceCriterion.hxx>

#include <gp_Pnt.hxx>

#include <vector>

//! Passes the faces whose aspect ratio (AspectRatio()) lies in [min, max],
//! bounds included, and the edges whose face passes: the face of the edge's
//! first halfedge, or of its second when the first has none. A face whose
//! ratio cannot be measured (corners that are not numbers) does not pass.
class HalfEdgeAlgo_AspectRatioCriterion : public HalfEdgeAlgo_SearchFaceCriterion
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_AspectRatioCriterion, HalfEdgeAlgo_SearchFaceCriterion)
public:
  //! Faces of aspect ratio in [theMin, theMax].
  HalfEdgeAlgo_AspectRatioCriterion(double theMin, double theMax);

  //! Sets the range of aspect ratios.
  void SetRange(double theMin, double theMax);

  //! True when min <= aspect ratio of the face <= max.
  bool TestFace(Mesh& theMesh, int theFace) const override;

  //! Every face (an empty set). Asked once per face search, before any face
  //! is tested, it makes room to remember each face's answer: the narrow-face
  //! collapse searches the whole surface round after round, and most faces
  //! keep their corners from one round to the next.
  std::set<int> FaceCandidates(Mesh& theMesh) const override;

  //! The face test of the face on the first side of the edge, or on the
  //! second when the first side has no face.
  bool TestEdge(Mesh& theMesh, int theEdge) const override;

  //! Length over width of a loop of corners: the length is the extent of the
  //! corners along the third principal axis of the point cloud (as the
  //! inertia computation orders its axes), the width the smaller of the
  //! extent along the second axis and the largest distance from a corner to
  //! the nearest side that does not end there (for a triangle its largest
  //! altitude). 1.7976931348623157e308 when the width is (almost) zero,
  //! fewer than three corners included. Corners that are not numbers raise a
  //! Standard_Failure.
  static double AspectRatio(const std::vector<gp_Pnt>& theLoop);

private:
  //! The answer for a face of at most four corners, with those corners.
  struct Answer
  {
    double Corners[12];
    int    NbCorners = 0; //!< 0 while nothing is remembered
    bool   IsPassed  = false;
  };

  //! The test of a loop of corners.
  bool isPassed(const std::vector<gp_Pnt>& theLoop) const;

private:
  double myMin;
  double myMax;
  //! By face number, sized by FaceCandidates(); each slot is written only by
  //! the thread testing that face in a face search.
  mutable std::vector<Answer> myAnswers;
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_AspectRatioCriterion, HalfEdgeAlgo_SearchFaceCriterion)

#endif
