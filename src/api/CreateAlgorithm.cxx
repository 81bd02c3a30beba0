#include <CreateAlgorithm.hxx>

#include <Algo_CartesianWrapping.hxx>
#include <Algo_CollapseNarrowFace.hxx>
#include <Algo_CollapseSmallEdge.hxx>
#include <Algo_FixSelfIntersections.hxx>
#include <Algo_ShrinkWrapping.hxx>
#include <Algo_Smoothing.hxx>
#include <Algo_SplitEdge.hxx>
#include <Algo_SwapEdge.hxx>
#include <Algo_VoxelizationMinSize.hxx>
#include <Algo_VoxelizationGSF.hxx>
#include <Pelk_DummyProgressNotifier.hxx>

#include <utility>
#include <vector>

namespace
{
using Creator = Handle(Algo_Transient) (*)(const Handle(Pelk_ProgressNotifier)&);

template <class Algo>
Handle(Algo_Transient) create(const Handle(Pelk_ProgressNotifier)& theNotifier)
{
  return new Algo(theNotifier);
}

// The class's registered type name is the one its Name() answers.
template <class Algo>
std::pair<std::string, Creator> entry()
{
  return {Algo::get_type_name(), &create<Algo>};
}

// The pipeline algorithms that can be created by name, in the order the names
// are compared. Each entry pairs the class's own name with its constructor.
const std::vector<std::pair<std::string, Creator>>& registeredClasses()
{
  static const std::vector<std::pair<std::string, Creator>> THE_CLASSES = {
      entry<Algo_VoxelizationMinSize>(),
      entry<Algo_VoxelizationGSF>(),
      entry<Algo_CartesianWrapping>(),
      entry<Algo_ShrinkWrapping>(),
      entry<Algo_CollapseSmallEdge>(),
      entry<Algo_CollapseNarrowFace>(),
      entry<Algo_SwapEdge>(),
      entry<Algo_Smoothing>(),
      entry<Algo_FixSelfIntersections>(),
      entry<Algo_SplitEdge>(),
  };
  return THE_CLASSES;
}
} // namespace

Handle(Algo_Transient) CreateAlgorithm(const std::string& theName)
{
  for (const auto& [aName, aCreate] : registeredClasses())
  {
    if (aName == theName)
    {
      return aCreate(Pelk_DummyProgressNotifier::Instance());
    }
  }
  return Handle(Algo_Transient)();
}
