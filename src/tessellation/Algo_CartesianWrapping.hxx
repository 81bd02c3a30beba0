#ifndef Algo_CartesianWrapping_HeaderFile
#define Algo_CartesianWrapping_HeaderFile

#include <Algo_Tessellation.hxx>
#include <SVO_Node.hxx>

#include <gp_XYZ.hxx>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Algo_CartesianWrapping_Cells
{
class CellSearch;
struct NeighbourLists;
} // namespace Algo_CartesianWrapping_Cells

//! Turns the boundary cells of the voxelization's octree (its leaves of state
//! SVO_Boundary) into a first closed surface of axis-aligned polygon faces:
//! the skin of the union of those cells.
//!
//! Before the skin is built the cell set is made suitable for it: filler cells
//! are added wherever cells meet only along an edge or at a corner (or where
//! the empty space around a corner would pinch), and cells more than twice as
//! large as a touching neighbour are split. The union of the cells then has a
//! 2-manifold boundary. Each cell gives the uncovered parts of its faces; the
//! parts are welded into shells and the outermost shells (or, in inner mode,
//! the next skin inside) are written into Result().
//!
//! The result encloses a positive volume: each of its shells faces outwards,
//! unless it lies inside another shell of the result, then inwards. The outer
//! skin thus faces away from the cells, and the inner skin, which usually has
//! the cells around it, towards them. The result does not depend on the
//! thread count.
class Pellisk_EXPORT Algo_CartesianWrapping : public Algo_Tessellation
{
  DEFINE_STANDARD_RTTIEXT(Algo_CartesianWrapping, Algo_Tessellation)
public:
  //! Polygon skin of one cell: its points (each once) and its faces as lists
  //! of point numbers, each running counter-clockwise seen from outside the cell.
  struct SmallMesh
  {
    std::vector<gp_XYZ>           Points; //!< corners of the faces, each once
    std::vector<std::vector<int>> Faces;  //!< point numbers of each face, in boundary order
  };

public:
  //! An algorithm with empty cell lists reporting to theNotifier.
  explicit Algo_CartesianWrapping(const Handle(Pelk_ProgressNotifier)& theNotifier);

  //! Deletes the cells left over by a run that was interrupted before Clear().
  ~Algo_CartesianWrapping() override;

  //! "Algo_CartesianWrapping".
  std::string Name() const override;

  //! Extracts the boundary cells of Tree(), prepares them and builds the skin
  //! into Result(). True when the result has at least one node and one face;
  //! false on a user break between the steps, when a face could not be added,
  //! or when there is no tree or no boundary cell.
  bool Perform() override;

protected:
  //! Orders cells by their boxes (SVO_Node::operator<), so that cells with the
  //! same box within 5e-8 are one key.
  struct NodeOrder
  {
    bool operator()(const SVO_Node* theA, const SVO_Node* theB) const { return *theA < *theB; }
  };

protected:
  //! Collects the boundary leaves of the tree into the cell list, sorted by
  //! box order, and indexes them. Always true.
  bool ExtactNodes();

  //! Adds filler cells until no two cells meet only along an edge or at a
  //! corner and the empty space around every cell corner is in one piece,
  //! then runs ConvertAdaptiveness(). Always true.
  bool CheckJoints();

  //! Splits, pass after pass, every cell more than 2.01 times larger than a
  //! touching cell into its eight octants. Always true.
  bool ConvertAdaptiveness();

  //! One small mesh per cell of the cell list, in the same order: the parts of
  //! the cell's faces that no neighbour covers, with every corner of a smaller
  //! neighbour that lies on their sides inserted, so that the small meshes of
  //! neighbours meet point to point.
  void BuildSmallMeshes(std::vector<SmallMesh>& theMeshes);

  //! Welds the small meshes, splits them into shells, chooses the skin and
  //! writes it into a new Result(). False when the mesh refused a face.
  bool ConvertIntoTriangles();

  //! Deletes the cells this algorithm created. Always true.
  bool Clear();

protected:
  std::vector<SVO_Node*>              myNodes;        //!< cells to turn into the skin
  std::vector<SVO_Node*>              myCreatedNodes; //!< cells created here, owned here
  std::map<SVO_Node*, int, NodeOrder> myNodeIndex;    //!< position of each cell in myNodes

private:
  void                   deleteCreatedNodes();
  void                   indexNodes();
  bool                   jointsPass(std::vector<int>&                               theWorkList,
                                    const Algo_CartesianWrapping_Cells::CellSearch& theSearch,
                                    size_t                                          theNbSorted,
                                    unsigned int                                    theNbThreads,
                                    Algo_CartesianWrapping_Cells::NeighbourLists*   theKept);
  std::vector<SVO_Node*> newCells(std::vector<SVO_Node> theProposals, unsigned int theNbThreads) const;
  bool                   adaptivenessPass(double theMinExtent, unsigned int theNbThreads);

private:
  // Neighbours found by the first joints pass, for the small meshes.
  std::unique_ptr<Algo_CartesianWrapping_Cells::NeighbourLists> myNeighbourLists;
};

DEFINE_STANDARD_HANDLE(Algo_CartesianWrapping, Algo_Tessellation)

#endif
