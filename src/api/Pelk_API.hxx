#ifndef Pelk_API_HeaderFile
#define Pelk_API_HeaderFile

#include <Pellisk_Export.hxx>
#include <Pelk_DummyProgressNotifier.hxx>
#include <Pelk_WrappingSettings.hxx>

#include <Bnd_Box.hxx>
#include <Poly_Triangulation.hxx>
#include <TCollection_AsciiString.hxx>

class Algo_FixSelfIntersections;
class HalfEdge_Mesh;

//! The wrapping facade: holds a dirty input triangulation, an optional cubic
//! wrapping box and the latest result, and runs the pipeline of voxelization,
//! tessellation and refinement steps that a settings object names.
//!
//! Usage: construct with a notifier, give the dirty mesh (SetDirtyMesh() or
//! ImportSTL()), optionally SetBoundingBox(), call PerformWrapping(), then read
//! GetResultMesh() / GetResultTriangulation() or call ExportSTL(). Every step
//! reports through the notifier; Cancel() on it from another thread stops the
//! run at the next stage boundary.
class Pellisk_EXPORT Pelk_API
{
public:
  //! A facade reporting to theNotifier.
  explicit Pelk_API(
      const Handle(Pelk_ProgressNotifier)& theNotifier = Pelk_DummyProgressNotifier::Instance());

  ~Pelk_API();

  //! Reads an STL file (binary or text) as the dirty mesh. False, with an
  //! error message, when the file does not exist (the dirty mesh is kept) or
  //! cannot be read, is damaged or holds no triangles (the dirty mesh becomes
  //! null).
  bool ImportSTL(const TCollection_AsciiString& theFileName);

  //! Replaces the dirty mesh; the box and the result are kept.
  void SetDirtyMesh(const Handle(Poly_Triangulation)& theMesh);

  //! The dirty mesh.
  const Handle(Poly_Triangulation)& DirtyMesh() const { return myDirtyMesh; }

  //! Sets the wrapping box, used as given (the voxelization rejects a box
  //! that is not a cube). A void box lets the next run compute the cube.
  void SetBoundingBox(const Bnd_Box& theBox);

  //! The wrapping box: as given, or the cube computed by the first run.
  const Bnd_Box& BoundingBox() const { return myBox; }

  //! Runs the pipeline the settings name; true when every stage succeeded,
  //! the wrap is not empty and no cancellation was requested. A null settings
  //! handle is refused. Before anything is allocated the input is checked:
  //! triangles with NaN or infinite nodes are left out (a warning counts them);
  //! input with no finite triangle or none of non-zero area, coordinates too
  //! far from the origin, cells too small for the cube, and a wrap whose
  //! memory estimate (always reported as an info message) exceeds the
  //! settings' limit are refused with an error.
  bool PerformWrapping(const Handle(Pelk_WrappingSettings)& theSettings);

  //! Runs the pipeline of the configuration file with the given cell size;
  //! false with a warning when the configuration file could not be read.
  bool PerformWrapping(double theCellSize);

  //! The latest result; null before the first tessellation.
  const opencascade::handle<HalfEdge_Mesh>& GetResultMesh() const;

  //! The latest result as a triangulation; null when there is none. The
  //! result mesh itself is changed first: its polygon faces (those of a
  //! Cartesian skin, for example) are split into triangles and it is
  //! garbage-collected, so that its numbers match the triangulation's.
  Handle(Poly_Triangulation) GetResultTriangulation() const;

  //! Writes the result as a binary or text STL file, triangulated as by
  //! GetResultTriangulation(); false, with an error message, when there is no
  //! result or the file cannot be written.
  bool ExportSTL(const TCollection_AsciiString& theFileName, bool theIsBinary);

  //! The notifier of this facade.
  const Handle(Pelk_ProgressNotifier)& Notifier() const { return myNotifier; }

private:
  Pelk_API(const Pelk_API&)            = delete;
  Pelk_API& operator=(const Pelk_API&) = delete;

  bool runStages(const Handle(Pelk_WrappingSettings)& theSettings);

  //! The dirty mesh as the wrap can use it (triangles with non-finite nodes
  //! left out, with a warning), and the cube when none was given; false, with
  //! an error, when no triangle is left or none spans an area.
  bool usableInput(Handle(Poly_Triangulation)& theInput);

  //! False, with an error, when the cell grid cannot hold the wrap: coordinates
  //! too far out, cells too small for the cube, or more memory than allowed.
  bool fitsGrid(const Handle(Pelk_WrappingSettings)& theSettings, const Handle(Poly_Triangulation)& theInput);

  //! Reports the memory estimate; false, with an error naming the smallest
  //! cell that fits, when it exceeds the settings' limit.
  bool fitsMemory(const Handle(Pelk_WrappingSettings)& theSettings,
                  const Handle(Poly_Triangulation)&    theInput,
                  double                               theSide);
  //! Runs the settings' refinement steps on the result; theLastRepair
  //! receives the last self-intersection repair among them.
  bool runRefinements(const Handle(Pelk_WrappingSettings)&            theSettings,
                      opencascade::handle<Algo_FixSelfIntersections>& theLastRepair);

private:
  Handle(Pelk_ProgressNotifier)      myNotifier;
  Handle(Poly_Triangulation)         myDirtyMesh;
  opencascade::handle<HalfEdge_Mesh> myResultMesh;
  Bnd_Box                            myBox;
};

#endif
