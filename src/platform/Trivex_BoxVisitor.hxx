#ifndef Trivex_BoxVisitor_HeaderFile
#define Trivex_BoxVisitor_HeaderFile

#include <Trivex_BVH.hxx>
#include <Trivex_Predicates.hxx>

#include <cstddef>
#include <type_traits>

namespace Trivex
{
//! A BVH::Walk visitor for the queries by box: it enters the nodes whose box
//! touches [Min, Max] and hands each leaf position to Test (which answers false
//! to end the walk). With a Take other than nullptr, a node lying inside the
//! box is not descended: all its leaf positions go to Take(first, end) untested.
template <typename LeafTest, typename RangeTake = std::nullptr_t>
struct BoxVisitor : BVHVisitor
{
  const double* Min;
  const double* Max;
  LeafTest      Test;
  RangeTake     Take;

  BoxVisitor(const double* theMin, const double* theMax, LeafTest theTest, RangeTake theTake = nullptr)
      : Min(theMin),
        Max(theMax),
        Test(theTest),
        Take(theTake)
  {
  }

  bool Meets(const BVHNode& theNode, double&) const
  {
    return Predicates::BoxesTouch(theNode.Min, theNode.Max, Min, Max);
  }

  bool Contains(const BVHNode& theNode) const
  {
    if constexpr (std::is_same_v<RangeTake, std::nullptr_t>)
    {
      return false;
    }
    else
    {
      return Predicates::BoxInside(theNode.Min, theNode.Max, Min, Max);
    }
  }

  bool TakeRange(int theFirst, int theEnd)
  {
    if constexpr (std::is_same_v<RangeTake, std::nullptr_t>)
    {
      return true;
    }
    else
    {
      return Take(theFirst, theEnd);
    }
  }

  bool Visit(int theLeaf) { return Test(theLeaf); }
};
} // namespace Trivex

#endif
