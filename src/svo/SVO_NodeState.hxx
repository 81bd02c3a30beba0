#ifndef SVO_NodeState_HeaderFile
#define SVO_NodeState_HeaderFile

#include <cstdint>

//! Classification of an octree cell, as kept in SVO_Node::State.
enum SVO_NodeState : std::int32_t
{
  SVO_Unclassified = 0, //!< as built; also an empty cell the voxelization found no surface in
  SVO_Inside       = 1, //!< empty cell inside the object
  SVO_Outside      = 2, //!< empty cell outside the object
  SVO_Boundary     = 3  //!< cell whose box meets the input surface
};

#endif
