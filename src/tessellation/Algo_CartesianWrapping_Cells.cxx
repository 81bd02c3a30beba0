#include <Algo_CartesianWrapping_Cells.hxx>

void Algo_CartesianWrapping_Cells::CellSide(const SVO_Node& theA, const SVO_Node& theB, int theSide[3])
{
  for (int anAxis = 1; anAxis <= 3; ++anAxis)
  {
    int& aSide = theSide[anAxis - 1];
    if (theA.BoxMin.Coord(anAxis) + THE_TOLERANCE > theB.BoxMax.Coord(anAxis))
    {
      aSide = -1;
    }
    else if (theB.BoxMin.Coord(anAxis) > theA.BoxMax.Coord(anAxis) - THE_TOLERANCE)
    {
      aSide = 1;
    }
    else
    {
      aSide = 0;
    }
  }
}

bool Algo_CartesianWrapping_Cells::ContainsPoint(const SVO_Node& theCell,
                                                 const gp_XYZ&   thePoint,
                                                 double          theTolerance)
{
  for (int anAxis = 1; anAxis <= 3; ++anAxis)
  {
    const double aValue = thePoint.Coord(anAxis);
    if (aValue < theCell.BoxMin.Coord(anAxis) - theTolerance ||
        aValue > theCell.BoxMax.Coord(anAxis) + theTolerance)
    {
      return false;
    }
  }
  return true;
}

Handle(Trivex::BoxSet) Algo_CartesianWrapping_Cells::BuildBoxSet(const std::vector<SVO_Node*>& theCells,
                                                                 unsigned int                  theNbThreads)
{
  std::vector<Trivex::BoxData> aBoxes;
  aBoxes.reserve(theCells.size());
  for (size_t anIndex = 0; anIndex < theCells.size(); ++anIndex)
  {
    aBoxes.emplace_back(theCells[anIndex]->BoxMin, theCells[anIndex]->BoxMax, static_cast<int>(anIndex));
  }
  Handle(Trivex::BoxSet) aSet = new Trivex::BoxSet(aBoxes);
  aSet->SetNbBuilderThreads(static_cast<int>(theNbThreads));
  aSet->InitBuilder();
  aSet->Build();
  return aSet;
}

void Algo_CartesianWrapping_Cells::CellSearch::Touching(const SVO_Node& theBox, std::vector<int>& theFound)
{
  theFound.clear();
  if (myQuery.Perform(Trivex::BoxData(theBox.BoxMin, theBox.BoxMax), myBoxes, THE_TOLERANCE))
  {
    theFound = myQuery.Indices();
  }
  for (size_t aPosition = myNbIndexed; aPosition < myCells->size(); ++aPosition)
  {
    const SVO_Node& aCell      = *(*myCells)[aPosition];
    bool            isTouching = true;
    for (int anAxis = 1; anAxis <= 3 && isTouching; ++anAxis)
    {
      isTouching = aCell.BoxMin.Coord(anAxis) <= theBox.BoxMax.Coord(anAxis) + THE_TOLERANCE &&
                   theBox.BoxMin.Coord(anAxis) - THE_TOLERANCE <= aCell.BoxMax.Coord(anAxis);
    }
    if (isTouching)
    {
      theFound.push_back(static_cast<int>(aPosition));
    }
  }
}
