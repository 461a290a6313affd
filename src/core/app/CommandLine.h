// The command line of the desktop program. Options begin with / or - and a
// letter, in either case; the first word that is no option is the file to open
// and ends the options (a word beginning with "/" that holds another "/" or a
// "." is a path, not an option).
//   /s        no start-up banner
//   /w name   no banner; player-only mode for the SongWright file name
//   /m        no-save mode: placement, toolbars and window list are not saved
//   /d        MIDI debug mode
//   /b word   the word is read and not used
//   /e        no effect (passed by the desktop's open command)
//   --home DIR  the program directory
// Any other option letter skips the rest of its word.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tunora {

struct CommandLineInfo {
  bool empty = true;                 // nothing was given (--home does not count)
  bool banner = true;                // show the start-up banner
  bool noSave = false;               // /m
  bool playerOnly = false;           // /w
  bool midiDebug = false;            // /d
  std::string fileToOpen;            // first word that is no option
  std::string playerFile;            // the name after /w
  std::string home;                  // --home DIR
  std::vector<std::string> ignored;  // option words that were not understood
};

// Parses the words of the command line (the program name not included).
CommandLineInfo ParseCommandLine(const std::vector<std::string>& words);

// Cuts a one-line command line into words at blanks (spaces and tabs). A line
// without a blank is one word.
std::vector<std::string> SplitCommandLine(std::string_view line);

}  // namespace tunora
