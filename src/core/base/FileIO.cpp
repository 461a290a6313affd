#include "base/FileIO.h"

#include <filesystem>
#include <fstream>
#include <random>

namespace tunora {

namespace {

// Opens a file for reading; false with a message for a folder or a file that
// cannot be opened.
bool OpenForReading(const std::string& path, std::ifstream& in, std::string& error) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    error = "\"" + path + "\" is a folder, not a file.";
    return false;
  }
  in.open(path, std::ios::binary);
  if (!in) {
    error = "Cannot open \"" + path + "\".";
    return false;
  }
  return true;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& error) {
  std::ifstream in;
  if (!OpenForReading(path, in, error)) return false;
  in.seekg(0, std::ios::end);
  std::streamoff size = in.tellg();
  in.seekg(0, std::ios::beg);
  bytes.clear();
  if (size > 0) {
    bytes.resize(static_cast<size_t>(size));
    in.read(bytes.data(), size);
    bytes.resize(static_cast<size_t>(in.gcount()));
  }
  // Streams whose size is unknown (pipes) are read to their end.
  char buf[32768];
  while (in.read(buf, sizeof buf) || in.gcount() > 0)
    bytes.append(buf, static_cast<size_t>(in.gcount()));
  if (in.bad()) {
    error = "Cannot read \"" + path + "\".";
    return false;
  }
  return true;
}

bool ReadFileLimited(const std::string& path, size_t limit, std::string& bytes,
                     std::string& error) {
  std::ifstream in;
  if (!OpenForReading(path, in, error)) return false;
  bytes.assign(limit + 1, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<size_t>(in.gcount()));
  if (in.bad()) {
    error = "Cannot read \"" + path + "\".";
    return false;
  }
  return true;
}

namespace {
// Writes bytes into the file at target (made or emptied); the messages name path, and
// refused says why a write that started did not end.
bool WriteBytes(const std::filesystem::path& target, std::string_view bytes,
                const std::string& path, const char* refused, std::string& error) {
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  if (!out) {
    error = "Cannot write \"" + path + "\".";
    return false;
  }
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.flush();
  if (!out) {
    error = "Cannot write \"" + path + "\": " + refused;
    return false;
  }
  return true;
}
}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string& error) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path target(path);
  if (fs::is_symlink(target, ec)) {
    fs::path resolved = fs::canonical(target, ec);
    if (!ec) target = resolved;
  }
  fs::file_status current = fs::status(target, ec);
  if (!ec && fs::exists(current) && !fs::is_regular_file(current)) {
    // A device or a pipe is written in place: renaming a file over it would replace the
    // device node itself. A folder cannot be written at all.
    if (fs::is_directory(current)) {
      error = "\"" + path + "\" is a folder, not a file.";
      return false;
    }
    return WriteBytes(target, bytes, path, "the device refused the data.", error);
  }
  fs::path dir = target.parent_path();
  if (!dir.empty() && !fs::exists(dir, ec)) {
    fs::create_directories(dir, ec);
    if (ec) {
      error = "Cannot create the folder \"" + dir.string() + "\": " + ec.message();
      return false;
    }
  }
  thread_local std::mt19937_64 rng{std::random_device{}()};
  fs::path temp = (dir.empty() ? fs::path(".") : dir) /
                  ("." + target.filename().string() + ".tmp" + std::to_string(rng() % 1000000000));
  if (!WriteBytes(temp, bytes, path, "the disk may be full.", error)) {
    fs::remove(temp, ec);
    return false;
  }
  fs::file_status old = fs::status(target, ec);
  if (!ec && fs::exists(old)) fs::permissions(temp, old.permissions(), ec);
  fs::rename(temp, target, ec);
  if (ec) {
    std::error_code ignore;
    fs::remove(temp, ignore);
    error = "Cannot replace \"" + path + "\": " + ec.message();
    return false;
  }
  return true;
}

}  // namespace tunora
