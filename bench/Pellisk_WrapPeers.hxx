// The peer wrappers of Pellisk_WrapPeers_bench, behind plain triangle soups:
// their headers are compiled apart from the kernel's, whose Handle(...) macro
// breaks them.

#ifndef Pellisk_WrapPeers_HeaderFile
#define Pellisk_WrapPeers_HeaderFile

#include <array>
#include <string>
#include <vector>

namespace WrapPeers
{
//! Points and triangles over 0-based point numbers.
struct Soup
{
  std::vector<std::array<double, 3>> Points;
  std::vector<std::array<int, 3>>    Triangles;
};

//! What one peer run gave: its wall time split into its parts (conversions of
//! the soups left out), and its surface.
struct PeerRun
{
  bool                IsDone = false;
  std::vector<double> PartSeconds;
  Soup                Result;
  std::string         Error;
};

//! True when the bench was built with the alpha wrapping.
bool HasAlphaWrap();

//! True when the bench was built with the level-set wrap.
bool HasLevelSetWrap();

//! The alpha wrapping of the soup; one part.
PeerRun AlphaWrap(const Soup& theInput, double theAlpha, double theOffset);

//! The level-set wrap of the soup: its unsigned distance field on voxels of
//! theVoxel, meshed at theIsoValue without adaptivity, quadrilaterals split
//! into triangles; parts: field, extraction. Runs on theNbThreads threads.
PeerRun LevelSetWrap(const Soup& theInput, double theVoxel, double theIsoValue, int theNbThreads);
} // namespace WrapPeers

#endif
