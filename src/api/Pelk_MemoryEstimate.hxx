#ifndef Pelk_MemoryEstimate_HeaderFile
#define Pelk_MemoryEstimate_HeaderFile

#include <Poly_Triangulation.hxx>

#include <cstddef>

//! What a wrap will cost before anything is allocated: the number of
//! boundary cells at the finest level and the peak memory of the run, from
//! the input's surface area, its triangle count, the side of the wrapping cube
//! and the cell size. Also the limits of the cell grid itself: how fine the
//! cells and how far from the origin the coordinates may be for the octree's
//! cells to stay apart.
//!
//! The peak is dominated by what grows with the cells: the octree's boundary
//! cells, about area / cell^2 of them, and the skin that wraps them (its nodes
//! and faces, the half-edge mesh, the triangle sets of the projection and of
//! the repairs), which follows the outside only: no larger than the surface of
//! the input's box, nor than a few times the input's area (an open sheet is
//! wrapped on both sides). The factors were measured on the meshes of the test
//! data at cells of 1/64 to 1/512 of the cube.
class Pelk_MemoryEstimate
{
public:
  //! Gathers the surface of theMesh (triangles repeated with the same three
  //! nodes, in any order, count once) for a wrap in a cube of side theCubeSide.
  Pelk_MemoryEstimate(const Handle(Poly_Triangulation)& theMesh, double theCubeSide);

  //! Surface area of the distinct triangles.
  double Area() const { return myArea; }

  //! Side of the finest cells for a requested cell size: the octree halves the
  //! cube while its cells are at least twice the request, so the finest cells
  //! are at least the request and less than twice it.
  double LeafSize(double theCellSize) const;

  //! Boundary cells at the finest level (never more than the cube holds).
  double NbCells(double theCellSize) const;

  //! Cells the skin of the wrap passes through, at the finest level.
  double NbSkinCells(double theCellSize) const;

  //! Peak memory of the wrap, in bytes.
  double NbBytes(double theCellSize) const;

  //! The smallest cell size whose estimate stays within theLimit bytes (any
  //! smaller request gets finer cells that do not fit); 0 when even one cell
  //! the size of the cube does not fit.
  double SmallestCell(double theLimit) const;

  //! Half the physical memory of the machine, in megabytes (the default limit).
  static double DefaultLimit();

  //! Largest ratio of the cube side to the cell size: the skin's cell grid
  //! numbers its buckets (two cells wide) along an axis in 21 bits around the
  //! first cell, so 2^20 cells a side always stay inside.
  static double MaxCellRatio() { return 1048576.0; }

  //! Smallest cell size: cells are told apart by their bounds within 5e-8, so
  //! a cell must be many times wider than that.
  static double MinCellSize() { return 1.0e-6; }

  //! Largest coordinate (in absolute value) of the wrapping cube: beyond it,
  //! the spacing of doubles (2^-27 at 2^25) is no longer far below the 5e-8
  //! within which cell bounds are matched.
  static double MaxCoordinate() { return 33554432.0; }

private:
  //! Cells of the given size on a surface of the given area, at most the cube's.
  double cellsOn(double theArea, double theCellSize) const;

private:
  double myArea;
  double mySkinArea;
  double mySide;
  size_t myNbTriangles;
};

#endif
