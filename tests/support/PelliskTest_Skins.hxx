#ifndef PelliskTest_Skins_HeaderFile
#define PelliskTest_Skins_HeaderFile

#include <HalfEdge_Mesh.hxx>
#include <Trivex_TriangleSet.hxx>

#include <string>

//! Real wrapping surfaces for the tests of mesh edits: the Cartesian skin of
//! a mesh of the tests' data folder, projected onto its input the way a shrink
//! wrap starts.
namespace PelliskTest_Skins
{
struct Skin
{
  Handle(HalfEdge_Mesh)       Mesh;  //!< the surface (garbage-collected)
  Handle(Trivex::TriangleSet) Input; //!< the input's triangles, built
  double                      Cell = 0.0;
};

//! The skin of theFile at cells of 1/theNbCells of its bounding cube,
//! projected onto the input with a gap of theGap cells (none when negative),
//! its edges shorter than a fifth of a cell collapsed, and its faces
//! triangulated by skewness when theIsTriangulated; every step on
//! theNbThreads threads. Fails the calling test (empty mesh) when a step fails.
Skin Projected(const std::string& theFile,
               int                theNbCells,
               double             theGap,
               bool               theIsTriangulated = true,
               unsigned int       theNbThreads      = 2);
} // namespace PelliskTest_Skins

#endif
