#ifndef PelliskTest_MeshCheck_HeaderFile
#define PelliskTest_MeshCheck_HeaderFile

#include <HalfEdge_Mesh.hxx>

#include <Poly_Triangulation.hxx>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

//! Validity check of a wrapped surface, run by the tests on every mesh the
//! library produces: closed, edge- and vertex-manifold, consistently and
//! outwards oriented, without degenerate or crossing faces, and enclosing the
//! input it wraps. Nodes and triangles are named by their triangulation
//! numbers (from 1); topology is by node number, so nodes at one place that
//! are not merged leave the mesh open.
namespace PelliskTest_MeshCheck
{
//! How crossing faces are searched.
enum class CrossingSearch
{
  Hierarchy, //!< one Trivex::IntersectTriMesh query per face (fast)
  BruteForce //!< every pair of faces with PelliskTest_Crossing::FacesCross (small meshes)
};

//! What the check may tolerate.
struct Options
{
  //! A face is degenerate when twice its area is at most this times the
  //! square of the mesh's box diagonal.
  double DegenerateArea = 1e-12;
  //! Faces not sharing a corner cross when closer than this; corners closer
  //! than this count as shared.
  double CrossingTolerance = 1e-7;
  //! How far outside the surface an input node may lie; a negative value
  //! means 1e-6 times the input's box diagonal.
  double InputTolerance = -1.0;
  //! Search used for crossing faces.
  CrossingSearch Search = CrossingSearch::Hierarchy;
};

//! Verdict on one property.
struct Property
{
  bool        IsChecked = false; //!< false when the property could not be or was not checked
  int         NbFaults  = 0;     //!< number of offending elements (edges, nodes, faces, pairs...)
  std::string FirstFault;        //!< readable description of the first offending element(s)

  //! True when checked and without fault.
  bool IsOk() const { return IsChecked && NbFaults == 0; }
};

//! Verdicts of one check.
struct Result
{
  int    NbNodes     = 0;   //!< nodes of the mesh
  int    NbTriangles = 0;   //!< triangles of the mesh
  int    NbShells    = 0;   //!< connected components (faces joined by edges)
  double Volume      = 0.0; //!< signed volume enclosed

  Property Closed;         //!< no edge with a single face
  Property EdgeManifold;   //!< no edge with more than two faces
  Property VertexManifold; //!< the faces around each node form one fan
  Property Oriented;       //!< no edge run twice in the same direction
  Property PositiveVolume; //!< positive volume; inside-out shells only as cavities of others
  Property NonDegenerate;  //!< no face with a repeated or invalid node or without area
  Property NoCrossing;     //!< no two faces crossing (touching only at shared corners or sides)
  Property EnclosesInput;  //!< every input node inside the surface or within the tolerance of it

  //! The properties in summary order, with their names ("closed", "edge-manifold"...).
  std::vector<std::pair<const char*, const Property*>> Properties() const;

  //! True when every property is fine; EnclosesInput counts only when checked.
  bool IsValid() const;

  //! One line per property ("ok", "FAILED (n ...): first fault" or "not checked").
  std::string Summary() const;
};

//! Checks theMesh; with a non-null theInput, also that it encloses theInput's nodes.
Result Check(const Handle(Poly_Triangulation)& theMesh,
             const Handle(Poly_Triangulation)& theInput   = Handle(Poly_Triangulation)(),
             const Options&                    theOptions = Options());

//! Checks a half-edge mesh through its triangulation (which garbage-collects
//! it); a mesh that gives no triangulation fails every property.
Result Check(const Handle(HalfEdge_Mesh)&      theMesh,
             const Handle(Poly_Triangulation)& theInput   = Handle(Poly_Triangulation)(),
             const Options&                    theOptions = Options());

//! Pairs of crossing triangles (numbers from 1, first below second, sorted).
std::vector<std::pair<int, int>> CrossingPairs(const Handle(Poly_Triangulation)& theMesh,
                                               CrossingSearch                    theSearch,
                                               double                            theTolerance = 1e-7);

//! Success when Check() finds theMesh valid; otherwise a failure carrying the summary.
::testing::AssertionResult
IsValidWrap(const Handle(Poly_Triangulation)& theMesh,
            const Handle(Poly_Triangulation)& theInput   = Handle(Poly_Triangulation)(),
            const Options&                    theOptions = Options());

//! Success when Check() finds the half-edge mesh valid.
::testing::AssertionResult
IsValidWrap(const Handle(HalfEdge_Mesh)&      theMesh,
            const Handle(Poly_Triangulation)& theInput   = Handle(Poly_Triangulation)(),
            const Options&                    theOptions = Options());
} // namespace PelliskTest_MeshCheck

#endif
