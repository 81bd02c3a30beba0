#ifndef PelliskPy_Arrays_HeaderFile
#define PelliskPy_Arrays_HeaderFile

#include <pybind11/pybind11.h>

#include <Poly_Triangulation.hxx>

#include <string>

//! Meshes between NumPy arrays and triangulations: vertices as (n, 3) numbers,
//! faces as (m, 3) whole numbers counting vertices from 0.
class PelliskPy_Arrays
{
public:
  //! The triangulation of the arrays, checked first: numbers of the right
  //! kind and shape, finite coordinates, faces naming existing vertices.
  //! Raises ValueError naming the argument (theName, then "vertices" or
  //! "faces") otherwise. Null when there are no faces: the kernel's
  //! triangulation cannot be empty. Needs the GIL.
  static Handle(Poly_Triangulation) ToTriangulation(const pybind11::handle& theVertices,
                                                    const pybind11::handle& theFaces,
                                                    const std::string&      theName);

  //! New float64 (n, 3) and int64 (m, 3) arrays of a triangulation; empty
  //! ones for a null handle. Needs the GIL.
  static pybind11::tuple FromTriangulation(const Handle(Poly_Triangulation)& theMesh);
};

#endif
