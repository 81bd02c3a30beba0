#ifndef HalfEdge_Metrics_HeaderFile
#define HalfEdge_Metrics_HeaderFile

#include <Mesh.hxx>

#pragma push_macro("Handle")
#undef Handle
#include <OpenMesh/Core/Utils/PropertyManager.hh>
#pragma pop_macro("Handle")

//! A named per-element property of doubles on one Mesh. The property is
//! created on first use and stays on the mesh (and on its copies) after the
//! metric object is gone, so a metric made again under the same name reuses it.
template <class PropHandle>
class HalfEdge_Metrics : public OpenMesh::PropertyManager<PropHandle, Mesh>
{
public:
  //! The property called theName on theMesh, created when missing.
  HalfEdge_Metrics(Mesh& theMesh, const char* theName)
      : OpenMesh::PropertyManager<PropHandle, Mesh>(theMesh, theName)
  {
  }

  virtual ~HalfEdge_Metrics() = default;
};

#endif
