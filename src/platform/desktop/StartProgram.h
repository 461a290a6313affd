// Starting other programs: the words of a command line are started directly, as
// the program and its arguments, never through a shell.
#pragma once

#include <string>
#include <vector>

#include "app/Association.h"

namespace tunora {

// Starts words[0] with the other words as arguments, detached. 0 on success, else
// an error code: 2 when the program is not found, 13 when it cannot be run, 1 for
// any other failure.
int StartProgram(const std::vector<std::string>& words, long long* pid = nullptr);

// After the association was written: lets the desktop's MIME and application
// caches learn the new files (the tools run when they are installed).
void RefreshDesktopDatabases(const XdgDirs& dirs);

}  // namespace tunora
