#ifndef PelliskTest_MeshCheck_HeaderFile
#define PelliskTest_MeshCheck_HeaderFile

#include <Poly_Triangulation.hxx>
#include <gp_XYZ.hxx>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

//! Validity check of a wrapped surface, run by the tests on every mesh the
//! library produces. Nodes and triangles are named by their triangulation
//! numbers (from 1); topology is by node number, so nodes at one place that
//! are not merged leave the mesh open.
namespace PelliskTest_MeshCheck
{
//! How crossing faces are searched: one Trivex::IntersectTriMesh query per
//! face, or every pair with a brute-force test written independently (small meshes).
enum class CrossingSearch
{
  Hierarchy,
  BruteForce
};

//! Verdict on one property: offending elements counted, the first one described.
struct Property
{
  bool        IsChecked = false;
  int         NbFaults  = 0;
  std::string FirstFault;

  bool IsOk() const { return IsChecked && NbFaults == 0; }
};

struct Result
{
  int    NbNodes = 0, NbTriangles = 0, NbShells = 0; //!< shells: faces joined by edges
  double Volume = 0.0;                               //!< signed volume enclosed

  Property Closed;         //!< no edge with a single face
  Property EdgeManifold;   //!< no edge with more than two faces
  Property VertexManifold; //!< the faces around each node form one fan
  Property Oriented;       //!< no edge run twice in the same direction
  Property PositiveVolume; //!< positive volume; inside-out shells only as cavities of others
  Property NonDegenerate;  //!< no face with a repeated or invalid node or without area
  Property NoCrossing;     //!< no two faces meeting beyond their shared corners or side
  Property EnclosesInput;  //!< every input node inside or within the tolerance of the surface

  //! The properties in summary order, with their names ("closed", "edge-manifold"...).
  std::vector<std::pair<const char*, const Property*>> Properties() const;

  //! True when every property is fine; EnclosesInput counts only when checked.
  bool IsValid() const;

  //! Counts, then one line per property: "ok", "FAILED (n faults), first: ..." or "not checked".
  std::string Summary() const;
};

//! Checks theMesh, and that it encloses theInput's nodes when theInput is given;
//! nothing is checked for a mesh without triangles. A face is degenerate when
//! twice its area is at most 1e-12 times the squared diagonal of the box of the
//! faces; faces cross when closer than 1e-7 beyond what they share (corners
//! closer than that are shared); input nodes may lie outside by 1e-6 times the
//! diagonal of the box of the input's faces.
Result Check(const Handle(Poly_Triangulation)& theMesh,
             const Handle(Poly_Triangulation)& theInput = Handle(Poly_Triangulation)());

//! Pairs of crossing triangles (numbers from 1, first below second, sorted).
std::vector<std::pair<int, int>> CrossingPairs(const Handle(Poly_Triangulation)& theMesh,
                                               CrossingSearch                    theSearch,
                                               double                            theTolerance = 1e-7);

//! Brute-force geometry, written independently of the library's spatial
//! queries so that tests can check those against it: squared distance between
//! a segment and a closed triangle, and between two closed triangles (0 when
//! they meet); and the crossing rule of Check() for two faces, corners closer
//! than theTolerance counting as shared.
double SegmentTriangleSqDistance(const gp_XYZ& theP, const gp_XYZ& theQ, const gp_XYZ theT[3]);
double TriangleTriangleSqDistance(const gp_XYZ theA[3], const gp_XYZ theB[3]);
bool   FacesCross(const gp_XYZ theA[3], const gp_XYZ theB[3], double theTolerance);

//! Distance from theP to the closed triangles of theMesh, by brute force.
double PointMeshDistance(const Handle(Poly_Triangulation)& theMesh, const gp_Pnt& theP);

//! Success when Check() finds theMesh valid; otherwise a failure carrying the summary.
::testing::AssertionResult
IsValidWrap(const Handle(Poly_Triangulation)& theMesh,
            const Handle(Poly_Triangulation)& theInput = Handle(Poly_Triangulation)());
} // namespace PelliskTest_MeshCheck

#endif
