#include "gui/lists/MakeListCommand.h"

namespace tunora {

// Temporary: the list engine's own definition of this function replaces this file.
bool MakeListFromCommand(const std::string&, const std::vector<std::string>&) { return false; }

}  // namespace tunora
