#include <HalfEdge_NodeIndex.hxx>

#include <algorithm>
#include <cmath>

namespace
{
// Buckets this many tolerances wide: a search box then meets one bucket per
// axis most of the time, and a bucket rarely holds more than one point.
const double THE_BUCKET_TOLERANCES = 16.0;

// Keys are clamped here so that far or non-finite coordinates cannot overflow
// the conversion; such points share edge buckets and are told apart exactly.
const double THE_KEY_LIMIT = 4.0e18;
} // namespace

HalfEdge_NodeIndex::HalfEdge_NodeIndex(double theTolerance)
    : myTolerance(theTolerance),
      myBucketSide(THE_BUCKET_TOLERANCES * theTolerance),
      mySize(0)
{
}

void HalfEdge_NodeIndex::Clear()
{
  myBuckets.clear();
  mySize = 0;
}

int64_t HalfEdge_NodeIndex::keyOf(double theCoordinate) const
{
  const double aScaled = std::floor(theCoordinate / myBucketSide);
  if (std::isnan(aScaled))
  {
    return 0;
  }
  return static_cast<int64_t>(std::clamp(aScaled, -THE_KEY_LIMIT, THE_KEY_LIMIT));
}

bool HalfEdge_NodeIndex::isNear(const Point& theA, const Point& theB) const
{
  return std::abs(theA[0] - theB[0]) < myTolerance && std::abs(theA[1] - theB[1]) < myTolerance &&
         std::abs(theA[2] - theB[2]) < myTolerance;
}

void HalfEdge_NodeIndex::Add(const Point& thePoint, int theNode)
{
  myBuckets[Key{keyOf(thePoint[0]), keyOf(thePoint[1]), keyOf(thePoint[2])}].emplace_back(thePoint, theNode);
  ++mySize;
}

void HalfEdge_NodeIndex::Remove(const Point& thePoint, int theNode)
{
  const auto aBucket = myBuckets.find(Key{keyOf(thePoint[0]), keyOf(thePoint[1]), keyOf(thePoint[2])});
  if (aBucket == myBuckets.end())
  {
    return;
  }
  Bucket&    anEntries = aBucket->second;
  const auto anEntry   = std::find(anEntries.begin(), anEntries.end(), std::make_pair(thePoint, theNode));
  if (anEntry == anEntries.end())
  {
    return;
  }
  *anEntry = anEntries.back();
  anEntries.pop_back();
  --mySize;
  if (anEntries.empty())
  {
    myBuckets.erase(aBucket);
  }
}
