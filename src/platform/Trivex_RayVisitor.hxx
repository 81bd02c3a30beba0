#ifndef Trivex_RayVisitor_HeaderFile
#define Trivex_RayVisitor_HeaderFile

#include <Trivex_BVH.hxx>
#include <Trivex_Predicates.hxx>

namespace Trivex
{
//! A BVH::Walk visitor for the queries by ray: it enters the nodes that the
//! ray meets within [TMin, TMax], node boxes widened by Tol so that rounding in
//! the slab test never drops a triangle the ray touches, and hands each leaf
//! position to Test (which answers false to end the walk).
template <typename LeafTest>
struct RayVisitor : BVHVisitor
{
  const RayTester& Ray;
  double           Tol;
  double           TMin;
  double           TMax;
  LeafTest         Test;

  RayVisitor(const RayTester& theRay, double theTol, double theTMin, double theTMax, LeafTest theTest)
      : Ray(theRay),
        Tol(theTol),
        TMin(theTMin),
        TMax(theTMax),
        Test(theTest)
  {
  }

  bool Meets(const BVHNode& theNode, double&) const
  {
    double anEntry = 0.0;
    return Ray.WidenedSlab(theNode.Min, theNode.Max, Tol, TMin, TMax, anEntry);
  }

  bool Visit(int theLeaf) { return Test(theLeaf); }
};
} // namespace Trivex

#endif
