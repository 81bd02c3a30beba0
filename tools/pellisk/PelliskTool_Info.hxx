#ifndef PelliskTool_Info_HeaderFile
#define PelliskTool_Info_HeaderFile

#include <Poly_Triangulation.hxx>

#include <ostream>

//! What "pellisk info" tells of a triangle soup: sizes, bounding box,
//! connected pieces, open and non-manifold edges, and whether it is a closed,
//! consistently oriented surface.
struct PelliskTool_Info
{
  int    NbNodes            = 0;
  int    NbFaces            = 0;
  int    NbDegenerateFaces  = 0; //!< faces with a repeated node or no area
  int    NbComponents       = 0; //!< pieces connected through shared nodes
  int    NbEdges            = 0;
  int    NbBoundaryEdges    = 0;   //!< edges of one face
  int    NbNonManifoldEdges = 0;   //!< edges of three faces or more
  int    NbMisorientedEdges = 0;   //!< two-face edges used twice in the same direction
  double Volume             = 0.0; //!< signed volume; meaningful for closed surfaces
  gp_Pnt Min;
  gp_Pnt Max;

  //! Closed: every edge has exactly two faces.
  bool IsClosed() const { return NbBoundaryEdges == 0 && NbNonManifoldEdges == 0; }

  //! Consistently oriented: every two-face edge is used once in each direction.
  bool IsOriented() const { return NbMisorientedEdges == 0; }

  //! Describes theMesh.
  static PelliskTool_Info Compute(const Handle(Poly_Triangulation)& theMesh);

  //! Writes the description, one "name: value" line per item.
  void Print(std::ostream& theStream) const;
};

#endif
