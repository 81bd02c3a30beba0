#ifndef HalfEdge_FaceMetrics_HeaderFile
#define HalfEdge_FaceMetrics_HeaderFile

#include <HalfEdge_Metrics.hxx>

#include <cstdint>

//! A number per face of a mesh, kept in a named face property, with its
//! minimum, maximum and mean over the live faces that have a value (values
//! below 0 are stored but left out of the statistics).
//!
//! Min(), Mean() and Max() recompute every face first when the mesh's face
//! count changed since the last full computation; Update() folds one newly
//! added face into the statistics without a full pass.
class HalfEdge_FaceMetrics : public HalfEdge_Metrics<OpenMesh::FPropHandleT<double>>
{
public:
  ~HalfEdge_FaceMetrics() override;

  //! Computes the value of every live face and the statistics.
  virtual void Compute();

  //! Folds in the value of theFace, added after the last Compute(). When the
  //! mesh did not grow by exactly one face since then, computes everything.
  virtual void Update(int theFace);

  //! Smallest value (1.7976931348623157e308 when no face has one).
  virtual double Min();
  //! Mean value (0 when no face has one).
  virtual double Mean();
  //! Largest value (-1 when no face has one).
  virtual double Max();

  //! The stored value of a face (as last computed or updated).
  double Value(int theFace) const;

protected:
  //! The property called theName on theMesh; statistics empty until Compute().
  HalfEdge_FaceMetrics(Mesh& theMesh, const char* theName);

  //! The metric of one live face of the mesh.
  virtual double faceValue(Mesh::FaceHandle theFace) const = 0;

private:
  //! Computes everything when the face count moved since the last full pass.
  void refresh();

protected:
  double        myMin;
  double        myMax;
  double        myMean;
  std::uint64_t myCount;
  std::uint64_t myNbFaces;
};

#endif
