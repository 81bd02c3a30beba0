#ifndef HalfEdge_NodeIndex_HeaderFile
#define HalfEdge_NodeIndex_HeaderFile

#include <OpenMesh/Core/Geometry/VectorT.hh>

#include <Precision.hxx>

#include <algorithm>
#include <array>
#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

//! Index from points to node numbers that finds a node by any point closer
//! than the tolerance in every coordinate. Points are hashed into cubic
//! buckets a few tolerances wide; a search visits the buckets that the box of
//! half-side tolerance around its point meets, so the answer does not depend
//! on the order in which nodes were indexed (an ordered map with a tolerant
//! comparison loses nodes once points nearly share one coordinate).
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
  void Reserve(int theNbPoints) { myBuckets.reserve(static_cast<size_t>(std::max(theNbPoints, 0))); }

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

  struct KeyHash
  {
    size_t operator()(const Key& theKey) const
    {
      uint64_t aHash = 1469598103934665603ULL;
      for (const int64_t aPart : theKey)
      {
        aHash = (aHash ^ static_cast<uint64_t>(aPart)) * 1099511628211ULL;
      }
      return static_cast<size_t>(aHash ^ (aHash >> 29));
    }
  };

  typedef std::vector<std::pair<Point, int>> Bucket;

  int64_t keyOf(double theCoordinate) const;

  bool isNear(const Point& theA, const Point& theB) const;

  //! Calls theVisit with every node indexed within the tolerance of thePoint.
  template <typename Visitor>
  void forEachNear(const Point& thePoint, Visitor theVisit) const
  {
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
          const auto aBucket = myBuckets.find(Key{x, y, z});
          if (aBucket == myBuckets.end())
          {
            continue;
          }
          for (const auto& anEntry : aBucket->second)
          {
            if (isNear(anEntry.first, thePoint))
            {
              theVisit(anEntry.second);
            }
          }
        }
  }

private:
  double                                   myTolerance;
  double                                   myBucketSide;
  std::unordered_map<Key, Bucket, KeyHash> myBuckets;
  int                                      mySize;
};

#endif
