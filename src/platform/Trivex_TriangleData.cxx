#include <Trivex_TriangleData.hxx>

#include <cmath>

Trivex::TriangleData::TriangleData(const gp_Pnt& theP1,
                                   const gp_Pnt& theP2,
                                   const gp_Pnt& theP3,
                                   const gp_Dir& theNormal,
                                   int           theFaceIndex,
                                   int           theSecondIndex)
    : myPoints{theP1, theP2, theP3},
      myNormal(theNormal),
      myFaceIndex(theFaceIndex),
      mySecondIndex(theSecondIndex)
{
}

Trivex::TriangleData::TriangleData(
    const gp_Pnt& theP1, const gp_Pnt& theP2, const gp_Pnt& theP3, int theFaceIndex, int theSecondIndex)
    : TriangleData(theP1, theP2, theP3, SafeNormal(theP1, theP2, theP3), theFaceIndex, theSecondIndex)
{
}

void Trivex::TriangleData::SetPoint(int theIndex, const gp_Pnt& thePoint)
{
  if (theIndex >= 0 && theIndex < 3)
  {
    myPoints[theIndex] = thePoint;
  }
}

gp_Dir Trivex::TriangleData::SafeNormal(const gp_Pnt& theP1, const gp_Pnt& theP2, const gp_Pnt& theP3)
{
  const gp_XYZ aNormal = (theP2.XYZ() - theP1.XYZ()).Crossed(theP3.XYZ() - theP1.XYZ());
  const double aLength = aNormal.Modulus();
  // gp_Dir refuses vectors shorter than gp::Resolution(); a NaN length fails the
  // comparison and takes the default as well.
  if (!(aLength > 1e-300) || !std::isfinite(aLength))
  {
    return gp_Dir(0.0, 0.0, 1.0);
  }
  return gp_Dir(aNormal / aLength);
}
