#ifndef HalfEdgeAlgo_AABBClipping_HeaderFile
#define HalfEdgeAlgo_AABBClipping_HeaderFile

#include <HalfEdgeAlgo_SubMesh.hxx>

#include <Bnd_Box.hxx>

#include <memory>
#include <vector>

class HalfEdgeAlgo_AABBClippingIndex;

//! Copies every live face whose corners' bounding box is not out of a clip
//! box (boxes that only touch count as meeting; the gap of either box widens
//! the test), in face number order.
class HalfEdgeAlgo_AABBClipping : public HalfEdgeAlgo_SubMesh
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_AABBClipping, HalfEdgeAlgo_SubMesh)
public:
  HalfEdgeAlgo_AABBClipping();
  ~HalfEdgeAlgo_AABBClipping() override;

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

  //! With theIsIndexed, the clipping files the faces of the mesh it runs on
  //! in a grid on its first run and looks them up there on the next runs over
  //! the same mesh, instead of walking every face each time. The copy is the
  //! same either way, provided every edit of that mesh between two runs is
  //! told with MarkEdited(). Off by default.
  void SetIndexed(bool theIsIndexed);

  //! Tells an indexed clipping that the source nodes copied by theSub (its
  //! last result) may have moved, or had the faces around them rewired,
  //! since the faces were filed. Nothing when not indexed.
  void MarkEdited(const HalfEdgeAlgo_SubMesh& theSub);

  //! Tells an indexed clipping that the nodes theNodes of the mesh it runs on
  //! may have moved, or had the faces around them rewired, since the faces
  //! were filed. Nothing when not indexed.
  void MarkEdited(const std::vector<int>& theNodes);

protected:
  Bnd_Box myBox;

private:
  bool                                            myIsIndexed;
  std::unique_ptr<HalfEdgeAlgo_AABBClippingIndex> myIndex;
  std::vector<int>                                myEdited;
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_AABBClipping, HalfEdgeAlgo_SubMesh)

#endif
