#include <PelliskPy_Arrays.hxx>

#include <pybind11/numpy.h>

#include <climits>
#include <cmath>
#include <cstdint>

namespace py = pybind11;

namespace
{
std::string shapeText(const py::array& theArray)
{
  std::string aText = "(";
  for (py::ssize_t i = 0; i < theArray.ndim(); ++i)
  {
    aText += (i > 0 ? ", " : "") + std::to_string(theArray.shape(i));
  }
  return aText + (theArray.ndim() == 1 ? ",)" : ")");
}

// theObject as an array of (k, 3) items of one of theKinds ("f", "i", "u"),
// not yet converted: the kind decides whether a conversion may happen at all.
py::array checkedArray(const py::handle& theObject, const std::string& theName, const std::string& theKinds)
{
  py::array anArray = py::array::ensure(theObject);
  if (!anArray)
  {
    PyErr_Clear();
    throw py::value_error(theName + " must be an array of numbers");
  }
  if (theKinds.find(anArray.dtype().kind()) == std::string::npos)
  {
    throw py::value_error(theName + " must hold " + (theKinds == "iu" ? "whole numbers" : "numbers") +
                          ", not dtype " + py::str(anArray.dtype()).cast<std::string>());
  }
  if (anArray.ndim() != 2 || anArray.shape(1) != 3)
  {
    throw py::value_error(theName + " must have the shape (" + (theKinds == "iu" ? "m" : "n") + ", 3), not " +
                          shapeText(anArray));
  }
  if (anArray.shape(0) > INT_MAX)
  {
    throw py::value_error(theName + " has too many rows");
  }
  return anArray;
}
} // namespace

Handle(Poly_Triangulation) PelliskPy_Arrays::ToTriangulation(const py::handle&  theVertices,
                                                             const py::handle&  theFaces,
                                                             const std::string& theName)
{
  // Converted only when not already C-contiguous float64 / int64: the usual
  // arrays are read in place.
  using Points                      = py::array_t<double, py::array::c_style | py::array::forcecast>;
  using Indices                     = py::array_t<std::int64_t, py::array::c_style | py::array::forcecast>;
  const std::string   aVerticesName = theName + "vertices";
  const std::string   aFacesName    = theName + "faces";
  const Points        aPoints       = Points::ensure(checkedArray(theVertices, aVerticesName, "fiu"));
  const Indices       anIndices     = Indices::ensure(checkedArray(theFaces, aFacesName, "iu"));
  const int           aNbNodes      = static_cast<int>(aPoints.shape(0));
  const int           aNbFaces      = static_cast<int>(anIndices.shape(0));
  const double*       aCoords       = aPoints.data();
  const std::int64_t* aCorners      = anIndices.data();
  for (py::ssize_t i = 0; i < 3 * static_cast<py::ssize_t>(aNbNodes); ++i)
  {
    if (!std::isfinite(aCoords[i]))
    {
      throw py::value_error(aVerticesName + " must be finite; row " + std::to_string(i / 3) + " is not");
    }
  }
  // Unsigned indices above the int64 range arrive negative and fail here too.
  for (py::ssize_t i = 0; i < 3 * static_cast<py::ssize_t>(aNbFaces); ++i)
  {
    if (aCorners[i] < 0 || aCorners[i] >= aNbNodes)
    {
      throw py::value_error(aFacesName + " row " + std::to_string(i / 3) + " names vertex " +
                            std::to_string(aCorners[i]) + ", outside 0.." + std::to_string(aNbNodes - 1));
    }
  }
  if (aNbFaces == 0)
  {
    return Handle(Poly_Triangulation)();
  }
  Handle(Poly_Triangulation) aMesh = new Poly_Triangulation(aNbNodes, aNbFaces, Standard_False);
  for (int aNode = 0; aNode < aNbNodes; ++aNode)
  {
    const double* aPoint = aCoords + 3 * aNode;
    aMesh->SetNode(aNode + 1, gp_Pnt(aPoint[0], aPoint[1], aPoint[2]));
  }
  for (int aFace = 0; aFace < aNbFaces; ++aFace)
  {
    const std::int64_t* aFaceCorners = aCorners + 3 * aFace;
    aMesh->SetTriangle(aFace + 1, Poly_Triangle(static_cast<int>(aFaceCorners[0]) + 1,
                                                static_cast<int>(aFaceCorners[1]) + 1,
                                                static_cast<int>(aFaceCorners[2]) + 1));
  }
  return aMesh;
}

py::tuple PelliskPy_Arrays::FromTriangulation(const Handle(Poly_Triangulation)& theMesh)
{
  const py::ssize_t         aNbNodes = theMesh.IsNull() ? 0 : theMesh->NbNodes();
  const py::ssize_t         aNbFaces = theMesh.IsNull() ? 0 : theMesh->NbTriangles();
  py::array_t<double>       aVertices({aNbNodes, py::ssize_t(3)});
  py::array_t<std::int64_t> aFaces({aNbFaces, py::ssize_t(3)});
  double*                   aCoords  = aVertices.mutable_data();
  std::int64_t*             aCorners = aFaces.mutable_data();
  for (int aNode = 1; aNode <= aNbNodes; ++aNode, aCoords += 3)
  {
    const gp_Pnt aPoint = theMesh->Node(aNode);
    aCoords[0]          = aPoint.X();
    aCoords[1]          = aPoint.Y();
    aCoords[2]          = aPoint.Z();
  }
  for (int aFace = 1; aFace <= aNbFaces; ++aFace, aCorners += 3)
  {
    int aCorner[3];
    theMesh->Triangle(aFace).Get(aCorner[0], aCorner[1], aCorner[2]);
    for (int k = 0; k < 3; ++k)
    {
      aCorners[k] = aCorner[k] - 1;
    }
  }
  return py::make_tuple(aVertices, aFaces);
}
