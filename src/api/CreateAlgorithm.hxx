#ifndef CreateAlgorithm_HeaderFile
#define CreateAlgorithm_HeaderFile

#include <Algo_Transient.hxx>
#include <Pellisk_Export.hxx>

#include <string>

//! Creates a new pipeline algorithm from its exact class name (case-sensitive),
//! reporting to the shared dummy notifier; null for any other name. Narrow the
//! result to the stage base needed with Handle(...)::DownCast.
Pellisk_EXPORT Handle(Algo_Transient) CreateAlgorithm(const std::string& theName);

#endif
