// What every tunora-cli command starts from: the program directory, the settings
// read from it, and the environment of tune format strings.
#pragma once

#include <string>

#include "Command.h"
#include "app/Settings.h"
#include "lists/TuneFormat.h"
#include "tunefile/TuneFile.h"

namespace tunora::cli {

// Prints engine messages on standard error.
class StderrSink : public MessageSink {
 public:
  void Message(std::string_view text) override;
};

struct Environment {
  std::string programDir;
  Settings settings;
  FormatEnv formatEnv;

  TuneFileOptions TuneOptions() const;
};

// Resolves the program directory (--home, TUNORA_HOME, the executable's folder, the
// user data folder) and loads the settings. False with a message printed on failure.
bool LoadEnvironment(const Args& args, Environment& env);

// Loads an ABC file with the environment's options; prints the error and returns false.
bool LoadTuneFile(const std::string& path, const TuneFileOptions& options, TuneFile& file);

// Loads the environment, the file named first and the tune position named second
// (from min); prints what failed and returns false.
bool LoadTuneArgs(const Args& a, Environment& env, TuneFile& file, int& position, int min = 1);

// Parses a 1-based tune position; false when it is not a number from min to count.
bool ParsePosition(const std::string& text, int min, size_t count, int& position);

// The file header's text, "" when the file has none.
inline std::string_view FileHeaderText(const TuneFile& file) {
  return file.headerText ? std::string_view(*file.headerText) : std::string_view();
}

// Applies the --set KEY=VALUE options to the Midi settings; false with a message
// for a key that is not a Midi setting.
bool ApplyMidiSets(const Args& a, Settings& settings);

// Writes bytes to standard output; false when the write failed.
bool WriteOut(std::string_view bytes);

// A file without tunes is not an error: a command for every tune of it writes nothing,
// says so on standard error and succeeds. Returns the exit status 0.
int NoTunes(const std::string& path);

}  // namespace tunora::cli
