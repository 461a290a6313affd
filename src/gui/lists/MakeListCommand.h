// List making started by the automation "list" command: the Make List sheet is
// filled from the list type and the command's values, and the list is made
// without showing the sheet.
#pragma once

#include <string>
#include <vector>

namespace tunora {

// Makes a list with the list type named typeName (compared without regard to case,
// among the list types loaded at start-up). Returns false, doing nothing, when no
// list type has that name; otherwise true, also when the run failed or was stopped
// (the Make List checks and "Cannot write file %s" are shown as in the sheet).
//
// values are the command's arguments 2 to 10 (values[0] is argument 2); missing
// ones change nothing. They fill the sheet in the order of its fields:
//   values[0] (argument 2)  Files, when not empty
//   values[1] (argument 3)  Output, when not empty
//   values[2] (argument 4)  Sort, when not empty
//   values[3] (argument 5)  Match, unless it is "-" (an empty text clears the match)
//   values[4] (argument 6)  option letters: "O" or "o" turns Open Output on,
//                           "S" or "s" turns Search Subdirectories on; an option
//                           whose letter is missing keeps the list type's setting
//   values[5..8] (arguments 7 to 10)  the answers of prompt lines 1 to 4
// Files, Output, Sort and Match are replaced even when the list type does not let
// the user change them in the sheet: automation speaks for the user.
bool MakeListFromCommand(const std::string& typeName, const std::vector<std::string>& values);

}  // namespace tunora
