#ifndef PelliskTool_WrapReport_HeaderFile
#define PelliskTool_WrapReport_HeaderFile

#include <Poly_Triangulation.hxx>

//! What "pellisk check" measures of a wrap against its input: the faults that
//! make it invalid, its volume and smallest angle, and how far its nodes lie
//! from the input. Plain data, so that a benchmark's child process can send it
//! back as it is.
struct PelliskTool_WrapReport
{
  int    NbInputNodes       = 0;
  int    NbInputFaces       = 0;
  int    NbNodes            = 0; //!< nodes of the wrap's faces, coincident ones merged
  int    NbFaces            = 0;
  int    NbShells           = 0; //!< sets of faces joined through shared nodes
  int    NbDegenerateFaces  = 0; //!< faces repeating a node once nodes are merged
  int    NbBoundaryEdges    = 0;
  int    NbNonManifoldEdges = 0; //!< edges of three faces or more
  int    NbNonManifoldNodes = 0; //!< nodes whose faces make more than one fan
  int    NbRefusedFaces     = 0; //!< faces the half-edge mesh could not take without breaking manifoldness
  int    NbMisorientedEdges = 0; //!< two-face edges run twice in the same direction
  int    NbCrossingPairs    = 0;
  double Volume             = 0.0;
  double SmallestAngle      = 0.0; //!< degrees
  double MeanDistance       = 0.0;
  double MaxDistance        = 0.0;
  double Diagonal           = 0.0; //!< of the input's bounding box

  bool IsClosed() const { return NbBoundaryEdges == 0; }
  bool IsEdgeManifold() const { return NbNonManifoldEdges == 0 && NbRefusedFaces == 0; }
  bool IsVertexManifold() const { return NbNonManifoldNodes == 0; }
  bool IsOriented() const { return NbMisorientedEdges == 0 && Volume > 0.0; }
  bool IsValid() const
  {
    return IsClosed() && IsEdgeManifold() && IsVertexManifold() && IsOriented() && NbCrossingPairs == 0;
  }

  //! Measures theWrap against theInput on theNbThreads threads; the result
  //! does not depend on the thread count.
  static PelliskTool_WrapReport Examine(const Handle(Poly_Triangulation)& theInput,
                                        const Handle(Poly_Triangulation)& theWrap,
                                        int                               theNbThreads);
};

#endif
