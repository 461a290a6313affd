// The import command's engine: converts a Bagpipe Music Writer (BWW/BMW), Piob
// Mhor (BGP) or SongWright file into ABC tunes and adds them to a tune file after
// a position, as the import command of the tune list and tunora-cli do.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tunora {

class MessageSink;
class TuneFile;

enum class ImportKind { kBww, kBgp, kSongWright };

// "bww" for .bww and .bmw, "bgp" for .bgp, SongWright for anything else.
ImportKind ImportKindFromPath(std::string_view path);
// Reads "bww", "bmw", "bgp", "sw" (either case); false for any other word.
bool ParseImportKind(std::string_view word, ImportKind& kind);

// The name of the embellishment table in the program directory.
inline constexpr std::string_view kBwwTableFileName = "abcbmw.cfg";

struct ImportOutcome {
  bool ok = false;                 // the file was read and converted
  std::vector<std::string> tunes;  // ABC texts (CR LF), without X: lines
  int errorLines = 0;              // marked error lines in the tunes
  std::string error;               // why the file could not be converted
};

// Converts one file. programDir (ending with "/") holds abcbmw.cfg; sink gets the
// messages the BGP importer gives while it goes on.
ImportOutcome ConvertFile(ImportKind kind, const std::string& path, const std::string& programDir,
                          MessageSink& sink);

// Adds the tunes after position (0: at the head); each gets the next number.
// They are one undo step. Returns the number of tunes added.
int InsertTunes(TuneFile& file, int position, const std::vector<std::string>& tunes);

}  // namespace tunora
