#include <Algo_CartesianWrapping_Cells.hxx>

#include <gtest/gtest.h>

#include <random>

using namespace Algo_CartesianWrapping_Cells;

// Cells touching a box via the bucket grid (or its box set for unequal cells) and appended cells, vs all
// cells.
TEST(Algo_CartesianWrapping_CellsTest, TouchingMatchesEveryCellTest)
{
  for (const double aLarge : {0.5, 2.0, 64.0}) // size of every 50th cell; the others have size 1
  {
    SCOPED_TRACE(aLarge);
    const gp_XYZ           anOrigin = gp_XYZ(1, 1, 1) * (aLarge * 13.37 - 100.0);
    std::mt19937           aRandom(7);
    std::vector<SVO_Node>  aStore;
    std::vector<SVO_Node*> aCells;
    aStore.reserve(602);
    for (int aCell = 0; aCell < 602; ++aCell)
    {
      const double aSize = aCell % 50 == 0 ? aLarge : (aCell == 601 ? 1e6 : 1.0);
      const gp_XYZ aMin  = gp_XYZ(aRandom() % 12, aRandom() % 12, aRandom() % 12) * aSize + anOrigin;
      aCells.push_back(&aStore.emplace_back(aMin, aMin + gp_XYZ(aSize, aSize, aSize)));
    }
    const CellGrid aGrid(std::vector<SVO_Node*>(aCells.begin(), aCells.end() - 2), 2);
    EXPECT_EQ(aGrid.BoxSet().IsNull(), aLarge < 64.0);
    CellSearch aSearch(aGrid, aCells);
    for (int aQuery = 0; aQuery < 900;
         ++aQuery) // tiny boxes, boxes just within and beyond 1e-7 of cell sides
    {
      const double aSize  = aQuery % 3 == 0 ? 1e-9 : 0.5 * (1 + aQuery % 5);
      const double aShift = (aQuery % 3 == 1 ? 0.9e-7 : (aQuery % 3 == 2 ? -1.1e-7 : 0.0)) - 1.0;
      const gp_XYZ aMin =
          gp_XYZ(aRandom() % 28, aRandom() % 28, aRandom() % 28) * 0.5 + anOrigin + gp_XYZ(1, 1, 1) * aShift;
      const SVO_Node   aBox(aMin, aMin + gp_XYZ(aSize, aSize, aSize));
      std::vector<int> aFound, anExpected;
      for (int aCell = 0; aCell < 602; ++aCell) // the box's corner within the cell grown by the box
      {
        const SVO_Node aGrown(aCells[aCell]->BoxMin - aBox.BoxMax + aBox.BoxMin, aCells[aCell]->BoxMax);
        anExpected.insert(anExpected.end(), ContainsPoint(aGrown, aBox.BoxMin, THE_TOLERANCE) ? 1 : 0, aCell);
      }
      aSearch.Touching(aBox, aFound);
      ASSERT_EQ(aFound, anExpected) << aQuery;
    }
  }
}
