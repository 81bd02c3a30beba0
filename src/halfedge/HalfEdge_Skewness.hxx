#ifndef HalfEdge_Skewness_HeaderFile
#define HalfEdge_Skewness_HeaderFile

#include <HalfEdge_FaceMetrics.hxx>

#include <gp_Pnt.hxx>

#include <vector>

class HalfEdge_Mesh;

//! Skewness of the faces of a mesh, in the face property "skewness": 0 for an
//! ideal face (an equilateral triangle, a square), growing towards 1 as the
//! face degenerates. For a triangle with sides l1, l2, l3 and perimeter P it is
//! 1 - (P/l1 - 2)(P/l2 - 2)(P/l3 - 2); for any other face with aspect ratio a
//! (see HalfEdgeAlgo_AspectRatioCriterion::AspectRatio) it is
//! 1 - sqrt(2 / (a^2 + 1)). Values are kept within [0, 1] against rounding.
//!
//! Made with std::make_shared; the constructor computes every face at once.
//! Mesh::RequestMetrics("skewness") registers one on a mesh.
class HalfEdge_Skewness : public HalfEdge_FaceMetrics
{
public:
  //! The skewness of every live face of theMesh, computed now.
  explicit HalfEdge_Skewness(Mesh& theMesh);

  //! Skewness of the face with these corners, in boundary order; 1 for a
  //! face that cannot be measured (a side of no length, corners that are not numbers).
  static double Of(const std::vector<gp_Pnt>& theCorners);

  //! The largest skewness over the live faces of theMesh; -1 without faces.
  static double WorstOf(const HalfEdge_Mesh& theMesh);

protected:
  double faceValue(Mesh::FaceHandle theFace) const override;
};

#endif
