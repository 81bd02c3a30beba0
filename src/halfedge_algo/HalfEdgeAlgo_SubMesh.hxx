#ifndef HalfEdgeAlgo_SubMesh_HeaderFile
#define HalfEdgeAlgo_SubMesh_HeaderFile

#include <HalfEdge_Mesh.hxx>
#include <HalfEdgeAlgo_Algorithm.hxx>

#include <map>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

//! Base of the algorithms that copy part of a mesh into a new, independent
//! mesh, Result(), and remember where each copied node and face came from, so
//! that work done on the small copy can be carried back to the source.
//!
//! A copied face keeps its corners in the source's order, starting at the same
//! corner. Nodes are copied with the faces that use them; a node left without
//! a face in the copy is not kept. Copied numbers are dense from 0.
//!
//! A Perform() that fails leaves the previous result and its maps as they
//! were. Run the algorithm without garbage collection of the source, or the
//! source numbers in the maps no longer match.
class HalfEdgeAlgo_SubMesh : public HalfEdgeAlgo_Algorithm
{
  DEFINE_STANDARD_RTTIEXT(HalfEdgeAlgo_SubMesh, HalfEdgeAlgo_Algorithm)
public:
  //! The mesh built by the last successful Perform(); null before.
  const Handle(HalfEdge_Mesh)& Result() const { return myResult; }

  //! The copy of source face theFace, or -1 when it was not copied.
  int SubFace(int theFace) const { return find(myFaceMap, theFace); }

  //! The source node of copied node theNode, or -1 when there is none.
  int SourceNode(int theNode) const { return find(mySubNodeMap, theNode); }

  //! The copy of source node theNode, or -1 when it was not copied.
  int SubNode(int theNode) const { return find(mySourceNodeMap, theNode); }

  //! Source node number to copied node number.
  const std::map<int, int>& SourceNodeMap() const { return mySourceNodeMap; }

  //! Copied node number to source node number.
  const std::map<int, int>& SubNodeMap() const { return mySubNodeMap; }

  //! Source face number to copied face number.
  const std::map<int, int>& FaceMap() const { return myFaceMap; }

  //! Moves every source node that has a copy to the copy's current position
  //! (nothing without a result or for a null source). The source keeps its
  //! numbers: it is not garbage-collected.
  void UpdateSource(const Handle(HalfEdge_Mesh)& theSource) const;

protected:
  //! A copy of source faces and nodes being gathered, with its maps.
  class Copy
  {
  public:
    //! An empty copy of parts of theSource.
    explicit Copy(const Mesh& theSource);
    ~Copy();

    //! Copies a live source node unless it is copied already; returns its
    //! copy, or -1 for an invalid number.
    int AddNode(int theNode);

    //! Copies a live source face and its corners unless it is copied already.
    //! A face the copy cannot take (its corners repeat, or it would make the
    //! copy non-manifold) is left out.
    void AddFace(int theFace);

    //! True when source face theFace is copied.
    bool HasFace(int theFace) const { return myFaceOf.count(theFace) > 0; }

    //! Number of faces copied so far.
    int NbFaces() const { return static_cast<int>(myFaces.size()); }

  private:
    friend class HalfEdgeAlgo_SubMesh;
    struct Buffers;
    const Mesh&                      mySource;
    std::unique_ptr<Mesh>            myCopy;
    std::unique_ptr<Buffers>         myBuffers;
    std::unordered_map<int, int>     myNodeOf;   //!< source node to copied node
    std::vector<int>                 mySourceOf; //!< copied node to source node
    std::unordered_map<int, int>     myFaceOf;   //!< source face to copied face
    std::vector<std::pair<int, int>> myFaces;    //!< (source face, copied face), as copied
  };

protected:
  HalfEdgeAlgo_SubMesh();

  //! Makes theCopy the result: nodes it left without a face are dropped, the
  //! rest renumbered densely, and the maps follow.
  void setResult(Copy& theCopy);

private:
  static int find(const std::map<int, int>& theMap, int theKey)
  {
    const auto aFound = theMap.find(theKey);
    return aFound != theMap.end() ? aFound->second : -1;
  }

protected:
  Handle(HalfEdge_Mesh) myResult;
  std::map<int, int>    mySourceNodeMap;
  std::map<int, int>    mySubNodeMap;
  std::map<int, int>    myFaceMap;
};

DEFINE_STANDARD_HANDLE(HalfEdgeAlgo_SubMesh, HalfEdgeAlgo_Algorithm)

#endif
