// Reading and writing whole files. Writing goes through a temporary file in the same
// folder that is renamed over the original, so a failed write leaves the original
// untouched and no partial file behind.
#pragma once

#include <string>
#include <string_view>

namespace tunora {

// Reads a whole file; false with a message when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& error);
// Reads at most limit + 1 bytes of a file, so a caller with a size limit can tell a
// file that is too long without reading all of it; false with a message when it
// cannot be read.
bool ReadFileLimited(const std::string& path, size_t limit, std::string& bytes, std::string& error);
// Writes bytes to path atomically; saving through a link replaces the file it points to.
// Missing folders on the way are created. A device or pipe (/dev/null, a FIFO) is
// written directly instead, since renaming over it would replace the node itself.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string& error);

}  // namespace tunora
