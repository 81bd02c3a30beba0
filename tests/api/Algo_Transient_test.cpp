#include <Algo_CartesianWrapping.hxx>
#include <Algo_ShrinkWrapping.hxx>
#include <Algo_VoxelizationGSF.hxx>
#include <Algo_VoxelizationMinSize.hxx>
#include <CreateAlgorithm.hxx>
#include <Pelk_DummyProgressNotifier.hxx>

#include <gtest/gtest.h>

TEST(Algo_TransientTest, FactoryCreatesEveryRegisteredClassByItsExactNameOnly)
{
  for (const auto& [aName, aType] : {std::pair<std::string, Handle(Standard_Type)>{
                                         "Algo_VoxelizationMinSize", STANDARD_TYPE(Algo_VoxelizationMinSize)},
                                     {"Algo_VoxelizationGSF", STANDARD_TYPE(Algo_VoxelizationGSF)},
                                     {"Algo_CartesianWrapping", STANDARD_TYPE(Algo_CartesianWrapping)},
                                     {"Algo_ShrinkWrapping", STANDARD_TYPE(Algo_ShrinkWrapping)}})
  {
    const Handle(Algo_Transient) anAlgo = CreateAlgorithm(aName);
    ASSERT_FALSE(anAlgo.IsNull()) << aName;
    EXPECT_EQ(anAlgo->DynamicType(), aType);
    EXPECT_EQ(anAlgo->Name(), aName);
    EXPECT_EQ(anAlgo->Notifier(), Pelk_DummyProgressNotifier::Instance());
    // A new object every time: settings must not share a stage by accident.
    EXPECT_NE(CreateAlgorithm(aName), anAlgo);
  }
  // Configuration-file keywords, wrongly cased names and abstract bases are no class names.
  for (const std::string aName :
       {"MinVoxelSize", "ShrinkWrapping", "algo_voxelizationminsize", "Algo_Transient"})
  {
    EXPECT_TRUE(CreateAlgorithm(aName).IsNull()) << aName;
  }
}
