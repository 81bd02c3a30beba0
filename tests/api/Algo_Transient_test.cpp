#include <Algo_Transient.hxx>
#include <CreateAlgorithm.hxx>
#include <Pelk_DummyProgressNotifier.hxx>

#include <gtest/gtest.h>

namespace
{
class Algo_TestStage : public Algo_Transient
{
  DEFINE_STANDARD_RTTI_INLINE(Algo_TestStage, Algo_Transient)
public:
  explicit Algo_TestStage(const Handle(Pelk_ProgressNotifier)& theNotifier)
      : Algo_Transient(theNotifier)
  {
  }
  std::string Name() const override { return "Algo_TestStage"; }
  bool        Perform() override { return true; }
};
} // namespace

TEST(Algo_TransientTest, StagesAreSharedAndTypedThroughHandles)
{
  Handle(Algo_TestStage) aStage = new Algo_TestStage(Pelk_DummyProgressNotifier::Instance());
  EXPECT_EQ(aStage->NbThreads(), 0u);
  EXPECT_EQ(aStage->Notifier(), Pelk_DummyProgressNotifier::Instance());

  // A handle of the base sees the same object and narrows back.
  Handle(Algo_Transient) aBase = aStage;
  EXPECT_EQ(aBase->GetRefCount(), 2);
  EXPECT_EQ(Handle(Algo_TestStage)::DownCast(aBase), aStage);
  EXPECT_TRUE(aBase->IsKind(STANDARD_TYPE(Algo_Transient)));
  EXPECT_STREQ(aBase->DynamicType()->Parent()->Name(), "Algo_Transient");
  EXPECT_STREQ(STANDARD_TYPE(Algo_Transient)->Parent()->Name(), "Standard_Transient");

  // Configured through the interface part, seen through the handle.
  Algo_Interface& anInterface = *aStage;
  anInterface.SetNbThreads(4);
  Handle(Pelk_ProgressNotifier) aNotifier = new Pelk_ProgressNotifier(TCollection_AsciiString());
  anInterface.SetNotifier(aNotifier);
  EXPECT_EQ(aBase->NbThreads(), 4u);
  EXPECT_EQ(aBase->Notifier(), aNotifier);
  EXPECT_TRUE(aBase->Perform());
}

TEST(Algo_TransientTest, FactoryKnowsClassNamesOnly)
{
  // Configuration-file keywords and wrongly cased names are not class names.
  EXPECT_TRUE(CreateAlgorithm("ShrinkWrapping").IsNull());
  EXPECT_TRUE(CreateAlgorithm("algo_shrinkwrapping").IsNull());
  EXPECT_TRUE(CreateAlgorithm("").IsNull());
  EXPECT_TRUE(CreateAlgorithm("Algo_Transient").IsNull());
}
