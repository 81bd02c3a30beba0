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
      mySlots(1, Slot{Key{0, 0, 0}, THE_UNUSED}),
      myNbKeys(0),
      myFree(-1),
      mySize(0)
{
}

void HalfEdge_NodeIndex::Clear()
{
  // The table keeps its size: a mesh rebuilds its index over about as many
  // nodes as before.
  std::fill(mySlots.begin(), mySlots.end(), Slot{Key{0, 0, 0}, THE_UNUSED});
  myEntries.clear();
  myNbKeys = 0;
  myFree   = -1;
  mySize   = 0;
}

void HalfEdge_NodeIndex::Reserve(int theNbPoints)
{
  const size_t aNbPoints = static_cast<size_t>(std::max(theNbPoints, 0));
  myEntries.reserve(aNbPoints);
  grow(aNbPoints);
}

void HalfEdge_NodeIndex::grow(size_t theNbKeys)
{
  size_t aSize = mySlots.size();
  while (aSize < 2 * theNbKeys)
  {
    aSize *= 2;
  }
  if (aSize == mySlots.size())
  {
    return;
  }
  std::vector<Slot> anOld(aSize, Slot{Key{0, 0, 0}, THE_UNUSED});
  anOld.swap(mySlots);
  for (const Slot& aSlot : anOld)
  {
    if (aSlot.myFirst != THE_UNUSED)
    {
      mySlots[slotOf(aSlot.myKey)] = aSlot;
    }
  }
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
  grow(myNbKeys + 1);
  const Key aKey  = keyOf(thePoint);
  Slot&     aSlot = mySlots[slotOf(aKey)];
  if (aSlot.myFirst == THE_UNUSED)
  {
    aSlot = Slot{aKey, -1};
    ++myNbKeys;
  }
  int anEntry = myFree;
  if (anEntry >= 0)
  {
    myFree = myEntries[static_cast<size_t>(anEntry)].myNext;
  }
  else
  {
    anEntry = static_cast<int>(myEntries.size());
    myEntries.emplace_back();
  }
  myEntries[static_cast<size_t>(anEntry)] = Entry{thePoint, theNode, aSlot.myFirst};
  aSlot.myFirst                           = anEntry;
  ++mySize;
}

void HalfEdge_NodeIndex::Remove(const Point& thePoint, int theNode)
{
  Slot& aSlot = mySlots[slotOf(keyOf(thePoint))];
  if (aSlot.myFirst == THE_UNUSED)
  {
    return;
  }
  for (int* aLink = &aSlot.myFirst; *aLink >= 0; aLink = &myEntries[static_cast<size_t>(*aLink)].myNext)
  {
    Entry& anEntry = myEntries[static_cast<size_t>(*aLink)];
    if (anEntry.myNode == theNode && anEntry.myPoint == thePoint)
    {
      // The bucket keeps its slot, emptied or not: probes for other keys pass over it.
      const int aGone = *aLink;
      *aLink          = anEntry.myNext;
      anEntry.myNext  = myFree;
      myFree          = aGone;
      --mySize;
      return;
    }
  }
}
