// Cancel() from a second thread at random moments of a real wrap: the run stops promptly and
// fails, the notifier tells why, and the settings (whose algorithms the cancelled run used) then
// give the uninterrupted wrap. A cancelled notifier stays so: each run has a facade of its own.
#include <Algo_Voxelization.hxx>
#include <Pelk_API.hxx>
#include <Pelk_Configuration.hxx>
#include <PelliskTest_Data.hxx>
#include <PelliskTest_MeshCheck.hxx>

#include <OSD_Path.hxx>
#include <RWStl.hxx>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <random>
#include <thread>

namespace
{
using Clock = std::chrono::steady_clock;

struct WrapRun
{
  bool                          IsDone      = false;
  double                        Seconds     = 0.0;  //!< wall time of PerformWrapping
  double                        AfterCancel = -1.0; //!< from the cancel to the return; -1 when it came later
  Handle(Pelk_ProgressNotifier) Notifier    = new Pelk_ProgressNotifier();
  Handle(Poly_Triangulation)    Wrap;
};

//! A wrap by a new facade; a second thread cancels it after theDelay seconds
//! unless theDelay is negative.
WrapRun wrap(const Handle(Poly_Triangulation)&    theInput,
             const Handle(Pelk_WrappingSettings)& theSettings,
             double                               theDelay)
{
  WrapRun aRun;
  theSettings->SetProgressNotifier(aRun.Notifier);
  Pelk_API anApi(aRun.Notifier);
  anApi.SetDirtyMesh(theInput);
  Clock::time_point aCancelAt = Clock::time_point::max();
  const auto        aStart    = Clock::now();
  std::thread       aCanceller(
      [&]
      {
        if (theDelay >= 0.0)
        {
          std::this_thread::sleep_for(std::chrono::duration<double>(theDelay));
          aCancelAt = Clock::now();
          aRun.Notifier->Cancel();
        }
      });
  aRun.IsDone      = anApi.PerformWrapping(theSettings);
  const auto anEnd = Clock::now();
  aCanceller.join();
  aRun.Seconds     = std::chrono::duration<double>(anEnd - aStart).count();
  aRun.AfterCancel = aCancelAt < anEnd ? std::chrono::duration<double>(anEnd - aCancelAt).count() : -1.0;
  aRun.Wrap        = anApi.GetResultTriangulation();
  return aRun;
}
} // namespace

TEST(Pelk_API_Cancel, CancelFromAnotherThreadStopsTheRunAndLeavesTheSettingsReusable)
{
  const Handle(Poly_Triangulation) anInput =
      RWStl::ReadFile(OSD_Path(PelliskTest_Data::File("teapot_utah.stl").c_str()));
  ASSERT_FALSE(anInput.IsNull());
  const Handle(Pelk_WrappingSettings) aSettings =
      Pelk_Configuration(PelliskTest_Data::SourceResource("Pellisk.conf").c_str(),
                         Pelk_Configuration::Instance().CataloguePath())
          .CreateSettings(new Pelk_ProgressNotifier());
  ASSERT_FALSE(aSettings.IsNull());
  aSettings->SetCellSize(std::sqrt(Algo_Voxelization::BoundingCube(anInput).SquareExtent() / 3.0) / 20.0);
  const WrapRun aReference = wrap(anInput, aSettings, -1.0);
  ASSERT_TRUE(aReference.IsDone);
  ASSERT_TRUE(PelliskTest_MeshCheck::IsValidWrap(aReference.Wrap));
  std::mt19937                           aRandom(20261206);
  std::uniform_real_distribution<double> aDelay(0.0, aReference.Seconds);
  int                                    aNbCancelled = 0;
  for (int aTrial = 0; aTrial < 100; ++aTrial)
  {
    SCOPED_TRACE(testing::Message() << "trial " << aTrial);
    const WrapRun aRun = wrap(anInput, aSettings, aDelay(aRandom));
    if (aRun.AfterCancel >= 0.0 && !aRun.IsDone)
    {
      ++aNbCancelled;
      EXPECT_LT(aRun.AfterCancel, 2.0);
      EXPECT_TRUE(aRun.Notifier->UserBreak());
      const auto& aMessages = aRun.Notifier->Messages();
      EXPECT_TRUE(std::any_of(aMessages.begin(), aMessages.end(),
                              [](const Pelk_Message& theMessage)
                              { return theMessage.Key() == "Pelk_API.Cancel"; }));
    }
    else
    {
      EXPECT_TRUE(aRun.IsDone); // the cancel came after the last look at it
    }
    const WrapRun aRerun = wrap(anInput, aSettings, -1.0);
    ASSERT_TRUE(aRerun.IsDone && aRerun.Wrap->NbTriangles() == aReference.Wrap->NbTriangles());
    ASSERT_EQ(aRerun.Wrap->NbNodes(), aReference.Wrap->NbNodes());
    for (int aNode = 1; aNode <= aRerun.Wrap->NbNodes(); ++aNode)
    {
      ASSERT_TRUE(aRerun.Wrap->Node(aNode).IsEqual(aReference.Wrap->Node(aNode), 0.0)) << aNode;
    }
  }
  EXPECT_GE(aNbCancelled, 60);
}
