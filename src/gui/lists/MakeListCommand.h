// Making a list from the automation command "list": the list type of that name
// (compared without regard to case) is read into a Make List sheet, the values
// fill the sheet's fields and the list is made without showing the sheet.
#pragma once

#include <string>
#include <vector>

namespace tunora {

// values are the command's arguments 2 to 10. False when no list type has that name.
bool MakeListFromCommand(const std::string& typeName, const std::vector<std::string>& values);

}  // namespace tunora
