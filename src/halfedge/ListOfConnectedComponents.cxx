#include <ListOfConnectedComponents.hxx>

ListOfConnectedComponents::IteratorImpl::~IteratorImpl() = default;

ListOfConnectedComponents::Iterator::~Iterator() = default;

ListOfConnectedComponents::~ListOfConnectedComponents() = default;
