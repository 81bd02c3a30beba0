// A host of the installed library, as the README shows it: wraps the mesh of
// INPUT.stl into a closed surface with cells of SIZE and writes it to OUTPUT.stl.
#include <Pelk_API.hxx>
#include <Pelk_ProgressNotifier.hxx>

#include <iostream>
#include <string>

int main(int theArgc, char** theArgv)
{
  if (theArgc != 4)
  {
    std::cerr << "usage: my_host INPUT.stl OUTPUT.stl SIZE\n";
    return 2;
  }
  // The notifier reads its message texts from the catalogue installed with the library.
  Handle(Pelk_ProgressNotifier) aNotifier = new Pelk_ProgressNotifier();
  Pelk_API                      anAPI(aNotifier);
  // The chain chosen in code: the voxel skin of the input, without refinement.
  // PerformWrapping(size) takes the chain from the configuration file instead.
  Handle(Pelk_WrappingSettings) aSettings = new Pelk_WrappingSettings(aNotifier);
  aSettings->SetVoxelizationAlgorithm("Algo_VoxelizationMinSize");
  aSettings->SetTessellationAlgorithm("Algo_CartesianWrapping");
  aSettings->SetCellSize(std::stod(theArgv[3]));
  // The skin's polygon faces are split into triangles for STL; true: binary.
  const bool isDone =
      anAPI.ImportSTL(theArgv[1]) && anAPI.PerformWrapping(aSettings) && anAPI.ExportSTL(theArgv[2], true);
  aNotifier->Dump(std::cout, Pelk_Info, false); // "0 [info]: STL import STARTED" and so on
  return isDone ? 0 : 1;
}
