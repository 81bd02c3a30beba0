#ifndef Trivex_TriangleSet_HeaderFile
#define Trivex_TriangleSet_HeaderFile

#include <Pellisk_Export.hxx>
#include <Trivex_TriangleData.hxx>

#include <Bnd_Box.hxx>
#include <Poly_Triangulation.hxx>
#include <Standard_Transient.hxx>
#include <Standard_Type.hxx>

#include <memory>
#include <vector>

namespace Trivex
{
class BVH;
class TriangleSet;
DEFINE_STANDARD_HANDLE(TriangleSet, Standard_Transient)

//! A set of triangles with a bounding-volume hierarchy for the spatial queries
//! (IntersectBoxMesh, ClassifyPntMesh, ProjectPntMesh, DistRayMesh,
//! IntersectRayMesh, IntersectTriMesh).
//!
//! Triangles are numbered from 0 in the order they were given: triangle i of a
//! triangulation is number i - 1 (its record keeps i as face index), record i of
//! a vector is number i. Every query answers with these numbers.
//!
//! Use: construct, SetNbBuilderThreads, InitBuilder, then Build once on the
//! calling thread. The built set is read-only: any number of threads may then
//! query it at once, each with its own query object. Queries on a set that is
//! not built, or empty, find nothing. Triangles with a coordinate that is not a
//! finite number are kept in the numbering but never found.
class Pellisk_EXPORT TriangleSet : public Standard_Transient
{
  friend class IntersectBoxMesh;
  friend class ClassifyPntMesh;
  friend class ProjectPntMesh;
  friend class DistRayMesh;
  friend class IntersectRayMesh;
  friend class IntersectTriMesh;

public:
  //! A set over the triangles of theMesh (empty for a null mesh). A triangle
  //! with a node number out of range gets corners that are not numbers.
  explicit TriangleSet(const Handle(Poly_Triangulation)& theMesh);

  //! A set over a copy of theTriangles.
  explicit TriangleSet(const std::vector<TriangleData>& theTriangles);

  //! A set over theTriangles, taken over without a copy.
  explicit TriangleSet(std::vector<TriangleData>&& theTriangles);

  ~TriangleSet() override;

  //! Number of triangles.
  int NbTriangles() const { return static_cast<int>(myTriangles.size()); }

  //! Triangle number theIndex (from 0); an invalid number gives a record with
  //! all corners at the origin and face index -1.
  const TriangleData& Triangle(int theIndex) const;

  //! Threads used to build the hierarchy.
  int NbBuilderThreads() const { return myNbBuilderThreads; }

  //! Sets the threads used to build the hierarchy (values below 1 mean 1).
  void SetNbBuilderThreads(int theNbThreads) { myNbBuilderThreads = theNbThreads < 1 ? 1 : theNbThreads; }

  //! True when Build sorts the triangles along a space-filling curve instead
  //! of choosing splits by surface area (false by default).
  bool IsQuickBuild() const { return myIsQuickBuild; }

  //! Chooses the quick build: several times quicker, for a hierarchy that
  //! answers somewhat slower; worth it for a set that serves one pass of
  //! queries, such as its triangles against each other. Takes effect at the
  //! next Build after InitBuilder.
  void SetQuickBuild(bool theIsQuick) { myIsQuickBuild = theIsQuick; }

  //! Prepares the builder with the current thread count and drops any built
  //! hierarchy, so that the next Build builds anew.
  void InitBuilder();

  //! Builds the hierarchy unless it is built; true when the set is built and
  //! holds at least one triangle. An empty set is never built (false).
  virtual bool Build();

  //! True after a successful Build.
  bool IsBuilt() const { return myIsBuilt; }

  //! Bounding box of the findable triangles; void when not built.
  const Bnd_Box& Box() const { return myBox; }

  DEFINE_STANDARD_RTTIEXT(Trivex::TriangleSet, Standard_Transient)

private:
  // Corners of the triangle at leaf position theLeaf (9 coordinates).
  const double* leafCorners(int theLeaf) const { return myCorners.get() + 9 * static_cast<size_t>(theLeaf); }
  // Face indices of the triangles in leaf order.
  const int* leafFaces() const { return myLeafFaces.get(); }
  const BVH& hierarchy() const { return *myHierarchy; }

private:
  std::vector<TriangleData> myTriangles;
  std::unique_ptr<double[]> myCorners; // not cleared first: every value is written
  std::unique_ptr<int[]>    myLeafFaces;
  std::unique_ptr<BVH>      myHierarchy;
  Bnd_Box                   myBox;
  int                       myNbBuilderThreads = 1;
  bool                      myIsBuilt          = false;
  bool                      myIsQuickBuild     = false;
};
} // namespace Trivex

#endif
