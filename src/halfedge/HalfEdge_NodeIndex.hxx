#ifndef HalfEdge_NodeIndex_HeaderFile
#define HalfEdge_NodeIndex_HeaderFile

#include <OpenMesh/Core/Geometry/VectorT.hh>

#include <Precision.hxx>

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

//! Index from points to node numbers that finds a node by any point closer
//! than the tolerance in every coordinate. Points are hashed into cubic
//! buckets a few tolerances wide; a search visits the buckets that the box of
//! half-side tolerance around its point meets, so the answer does not depend
//! on the order in which nodes were indexed (an ordered map with a tolerant
//! comparison loses nodes once points nearly share one coordinate).
//!
//! Meshes rebuild their index at every garbage collection, so it is kept in
//! two flat arrays: an open-addressing table of buckets, each holding the
//! first of its entries, and the entries chained by number.
class HalfEdge_NodeIndex
{
public:
  typedef OpenMesh::Vec3d Point;

  explicit HalfEdge_NodeIndex(double theTolerance = Precision::Confusion());

  double Tolerance() const { return myTolerance; }

  //! Number of indexed entries, stale ones included.
  int Size() const { return mySize; }

  void Clear();

  //! Makes room for theNbPoints points in as many buckets.
  void Reserve(int theNbPoints);

  //! Indexes theNode at thePoint (a node may be indexed at several points).
  void Add(const Point& thePoint, int theNode);

  //! Removes the entry of theNode at thePoint, if there is one.
  void Remove(const Point& thePoint, int theNode);

  //! Lowest node number indexed within the tolerance of thePoint that
  //! theIsWanted accepts; -1 when there is none.
  template <typename Predicate>
  int Find(const Point& thePoint, Predicate theIsWanted) const
  {
    int aFound = -1;
    forEachNear(thePoint,
                [&](int theNode)
                {
                  if ((aFound < 0 || theNode < aFound) && theIsWanted(theNode))
                  {
                    aFound = theNode;
                  }
                });
    return aFound;
  }

private:
  typedef std::array<int64_t, 3> Key;

  //! A bucket of the table: its key and its first entry (-1 when it has none
  //! left); myFirst is THE_UNUSED for a slot no key took.
  struct Slot
  {
    Key myKey;
    int myFirst;
  };

  struct Entry
  {
    Point myPoint;
    int   myNode;
    int   myNext; //!< next entry of the same bucket, or of the free list; -1 ends
  };

  static constexpr int THE_UNUSED = -2;

  static size_t hashOf(const Key& theKey)
  {
    uint64_t aHash = 0x9E3779B97F4A7C15ULL;
    for (const int64_t aPart : theKey)
    {
      aHash = (aHash ^ static_cast<uint64_t>(aPart)) * 0xBF58476D1CE4E5B9ULL;
      aHash ^= aHash >> 31;
    }
    return static_cast<size_t>(aHash);
  }

  int64_t keyOf(double theCoordinate) const;

  Key keyOf(const Point& thePoint) const
  {
    return Key{keyOf(thePoint[0]), keyOf(thePoint[1]), keyOf(thePoint[2])};
  }

  bool isNear(const Point& theA, const Point& theB) const;

  //! The slot of theKey, or of the unused slot where it would go.
  size_t slotOf(const Key& theKey) const
  {
    size_t aSlot = hashOf(theKey) & (mySlots.size() - 1);
    while (mySlots[aSlot].myFirst != THE_UNUSED && mySlots[aSlot].myKey != theKey)
    {
      aSlot = (aSlot + 1) & (mySlots.size() - 1);
    }
    return aSlot;
  }

  //! Makes room for theNbKeys keys at most half filling the table.
  void grow(size_t theNbKeys);

  //! Calls theVisit with every node indexed within the tolerance of thePoint.
  template <typename Visitor>
  void forEachNear(const Point& thePoint, Visitor theVisit) const
  {
    if (myNbKeys == 0)
    {
      return;
    }
    int64_t aLow[3], aHigh[3];
    for (int k = 0; k < 3; ++k)
    {
      aLow[k]  = keyOf(thePoint[k] - myTolerance);
      aHigh[k] = keyOf(thePoint[k] + myTolerance);
    }
    for (int64_t x = aLow[0]; x <= aHigh[0]; ++x)
      for (int64_t y = aLow[1]; y <= aHigh[1]; ++y)
        for (int64_t z = aLow[2]; z <= aHigh[2]; ++z)
        {
          for (int anEntry = mySlots[slotOf(Key{x, y, z})].myFirst; anEntry >= 0;
               anEntry     = myEntries[static_cast<size_t>(anEntry)].myNext)
          {
            const Entry& aCurrent = myEntries[static_cast<size_t>(anEntry)];
            if (isNear(aCurrent.myPoint, thePoint))
            {
              theVisit(aCurrent.myNode);
            }
          }
        }
  }

private:
  double             myTolerance;
  double             myBucketSide;
  std::vector<Slot>  mySlots; //!< a power of two of them
  std::vector<Entry> myEntries;
  size_t             myNbKeys;
  int                myFree; //!< first entry of the free list, or -1
  int                mySize;
};

#endif
