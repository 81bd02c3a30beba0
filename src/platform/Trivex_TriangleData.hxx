#ifndef Trivex_TriangleData_HeaderFile
#define Trivex_TriangleData_HeaderFile

#include <Pellisk_Export.hxx>

#include <gp_Dir.hxx>
#include <gp_Pnt.hxx>

namespace Trivex
{
//! One triangle of a triangle set: three corners, a unit normal, the number of
//! the face it comes from and a second integer that callers keep at -1.
class Pellisk_EXPORT TriangleData
{
public:
  //! A triangle with all corners at the origin, normal +Z, face index -1.
  TriangleData() = default;

  //! A triangle with the given corners and normal.
  TriangleData(const gp_Pnt& theP1,
               const gp_Pnt& theP2,
               const gp_Pnt& theP3,
               const gp_Dir& theNormal,
               int           theFaceIndex,
               int           theSecondIndex = -1);

  //! A triangle whose normal is computed from its corners (right-hand rule);
  //! a triangle of zero area gets the normal of SafeNormal().
  TriangleData(const gp_Pnt& theP1,
               const gp_Pnt& theP2,
               const gp_Pnt& theP3,
               int           theFaceIndex,
               int           theSecondIndex = -1);

  //! Corner theIndex (0, 1 or 2); other numbers give the first corner.
  const gp_Pnt& Point(int theIndex) const { return myPoints[theIndex >= 0 && theIndex < 3 ? theIndex : 0]; }

  //! Sets corner theIndex (0, 1 or 2); other numbers change nothing.
  void SetPoint(int theIndex, const gp_Pnt& thePoint);

  //! Unit normal.
  const gp_Dir& Normal() const { return myNormal; }

  //! Sets the unit normal.
  void SetNormal(const gp_Dir& theNormal) { myNormal = theNormal; }

  //! Number of the source face.
  int FaceIndex() const { return myFaceIndex; }

  //! Sets the number of the source face.
  void SetFaceIndex(int theFaceIndex) { myFaceIndex = theFaceIndex; }

  //! Second integer, -1 unless a caller gives it a meaning.
  int SecondIndex() const { return mySecondIndex; }

  //! Sets the second integer.
  void SetSecondIndex(int theSecondIndex) { mySecondIndex = theSecondIndex; }

  //! Unit normal of the corners by the right-hand rule; +Z when the corners
  //! span no area (or are not finite), so that degenerate input never throws.
  static gp_Dir SafeNormal(const gp_Pnt& theP1, const gp_Pnt& theP2, const gp_Pnt& theP3);

private:
  gp_Pnt myPoints[3];
  gp_Dir myNormal;
  int    myFaceIndex   = -1;
  int    mySecondIndex = -1;
};
} // namespace Trivex

#endif
