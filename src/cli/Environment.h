// What every tunora-cli command starts from: the program directory, the settings
// read from it, and the environment of tune format strings.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Command.h"
#include "app/Settings.h"
#include "base/TextEncoding.h"
#include "tunefile/TuneFormat.h"
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
  TextEncoding fileEncoding = TextEncoding::kUtf8;  // of the tune file loaded last

  TuneFileOptions TuneOptions() const;
  // Text of the tune file (titles, fields, error excerpts) as UTF-8 for a terminal.
  std::string ForPeople(std::string_view text) const { return DecodeText(text, fileEncoding); }
};

// Resolves the program directory (--home, TUNORA_HOME, the executable's folder, the
// user data folder) and loads the settings. False with a message printed on failure.
bool LoadEnvironment(const Args& args, Environment& env);

// Loads an ABC file with the environment's options and notes its text encoding;
// prints the error and returns false.
bool LoadTuneFile(const std::string& path, Environment& env, const TuneFileOptions& options,
                  TuneFile& file);
bool LoadTuneFile(const std::string& path, Environment& env, TuneFile& file);

// Loads the environment, the file named first and the tune position named second
// (from min); prints what failed and returns false.
bool LoadTuneArgs(const Args& a, Environment& env, TuneFile& file, int& position, int min = 1);

// Leaves object to the system, which takes a process's memory back at once when it
// ends: a command that holds something of every tune of a big file ends sooner without
// handing it back one piece at a time. The object stays reachable, so leak checkers
// pass it by.
template <typename T>
T& KeepUntilExit(std::unique_ptr<T> object) {
  static auto* kept = new std::vector<const void*>();
  kept->push_back(object.get());
  return *object.release();
}

// Parses a 1-based tune position; false when it is not a number from min to count.
bool ParsePosition(const std::string& text, int min, size_t count, int& position);

// The file header's text, "" when the file has none.
inline std::string_view FileHeaderText(const TuneFile& file) {
  return file.headerText ? std::string_view(*file.headerText) : std::string_view();
}

// Applies the --set KEY=VALUE options to the Midi settings; false with a message
// for a key that is not a Midi setting.
bool ApplyMidiSets(const Args& a, Settings& settings);

// "-o OUT" among the positional words (the option parser keeps short words there),
// or --output OUT: out gets it and rest the other positional words. False when
// no output was named.
bool TakeOutput(const Args& a, std::vector<std::string>& rest, std::string& out);

// Writes bytes to standard output; false when the write failed.
bool WriteOut(std::string_view bytes);

// Reads a signed whole number; false when the text is not one.
bool ParseInt(const std::string& text, int& value);

// Splits "a,b,c" and sets the flag of each word; false for an unknown word.
bool SetWords(const std::string& list, const std::vector<std::pair<std::string, bool*>>& words,
              std::string& unknown);

// A file without tunes is not an error: a command for every tune of it writes nothing,
// says so on standard error and succeeds. Returns the exit status 0.
int NoTunes(const std::string& path);

}  // namespace tunora::cli
