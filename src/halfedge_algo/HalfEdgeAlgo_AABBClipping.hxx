#ifndef HalfEdgeAlgo_AABBClipping_HeaderFile
#define HalfEdgeAlgo_AABBClipping_HeaderFile

#include <HalfEdgeAlgo_SubMesh.hxx>

#include <Bnd_Box.hxx>

//! Copies every live face whose corners' bounding box is not out of a clip
//! box (boxes that only touch count as meeting; the gap of either box widens
//! the test), in face number order.
class HalfEdgeAlgo_AABBClipping : public HalfEdgeAlgo_SubMesh
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_AABBClipping, HalfEdgeAlgo_SubMesh)
public:
  //! True when some face was copied. False for a void box or when no face
  //! meets the box; the previous result is then kept.
  bool Perform(Mesh& theMesh) override;
  using HalfEdgeAlgo_Algorithm::Perform;

  //! "HalfEdgeAlgo_AABBClipping".
  std::string Name() const override;

  //! The clip box (void after construction).
  const Bnd_Box& Box() const { return myBox; }

  //! Replaces the clip box.
  void SetBox(const Bnd_Box& theBox) { myBox = theBox; }

protected:
  Bnd_Box myBox;
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_AABBClipping, HalfEdgeAlgo_SubMesh)

#endif
