#ifndef HalfEdgeAlgo_SoundEdits_HeaderFile
#define HalfEdgeAlgo_SoundEdits_HeaderFile

#include <Mesh.hxx>
#include <Trivex_TriangleSet.hxx>

#include <vector>

//! Collapses and swaps on a closed triangle mesh, each made only when it keeps
//! the surface sound: the mesh kernel allows it, every face it reshapes keeps
//! facing within 90 degrees of where it faced, crosses no other face, and gets
//! no corner sharper than a given angle unless it makes the sharpest corner
//! of the faces it replaces less sharp.
//!
//! The faces are filed once, and filed anew when many have changed; the faces
//! the edits reshape or delete in between are listed. A face an edit would
//! reshape is tested against the listed ones as they are now, and against the
//! others as filed. Deleted elements stay until the caller garbage-collects.
class HalfEdgeAlgo_SoundEdits
{
public:
  //! Edits on theMesh that make no corner sharper than theSharpestAngle
  //! degrees; theNbThreads build the filing.
  HalfEdgeAlgo_SoundEdits(Mesh& theMesh, double theSharpestAngle, unsigned int theNbThreads);

  //! Collapses theNode into its neighbour theKept; false, with nothing
  //! changed, when the collapse would not be sound.
  bool Collapse(Mesh::VertexHandle theNode, Mesh::VertexHandle theKept);

  //! Collapses theNode into its neighbour theKept and moves theKept to
  //! thePlace; false, with nothing changed, when that would not be sound.
  bool Collapse(Mesh::VertexHandle theNode, Mesh::VertexHandle theKept, const gp_XYZ& thePlace);

  //! Turns theEdge between its two triangles to join their other corners;
  //! false, with nothing changed, when the swap would not be sound or would
  //! move the surface by more than a tenth of the shorter diagonal of the
  //! quadrilateral the triangles form. A new triangle must face within 90
  //! degrees of the quadrilateral's summed normal.
  bool Swap(Mesh::EdgeHandle theEdge);

  //! The cosine of the sharpest corner of the triangle theCorners (1 for
  //! one with a side of no length).
  static double SharpestCosine(const gp_XYZ (&theCorners)[3]);

private:
  using Records = std::vector<Trivex::TriangleData>;

  //! A face an edit changes: its corners before and after, unless it
  //! vanishes, and a normal the face must keep facing within 90 degrees.
  struct Reshape
  {
    int    Face = -1;
    gp_XYZ Before[3];
    gp_XYZ After[3];
    gp_XYZ Facing;
    bool   IsVanishing = false;
  };

  //! Whether the faces of theReshapes keep normals, corners and places sound.
  bool isSound(const std::vector<Reshape>& theReshapes) const;

  //! Whether a face of theReshaped crosses another one, or a face of the mesh
  //! but theChanging: an unchanged face as filed, a face reshaped before as it
  //! is now.
  bool isCrossing(const std::vector<int>& theChanging, const Records& theReshaped) const;

  //! Lists theChanging as reshaped, and files every face anew when the list
  //! has grown long.
  void noteChanged(const std::vector<int>& theChanging);

  //! Files every live face as it is now; none is listed as reshaped any more.
  void file();

  gp_XYZ pointOf(Mesh::VertexHandle theNode) const;

  Mesh&                       myMesh;
  double                      mySharpCosine; //!< of the sharpest corner allowed
  unsigned int                myNbThreads;
  Handle(Trivex::TriangleSet) myFaces;      //!< every face as last filed
  std::vector<char>           myIsChanged;  //!< whether each face was reshaped or deleted since
  std::vector<int>            myChanged;    //!< the faces reshaped or deleted since, in order
  size_t                      myMaxChanged; //!< the length of that list at which faces are filed anew
};

#endif
