#include "import/Importer.h"

#include "base/Ascii.h"
#include "base/FileIO.h"
#include "base/MessageSink.h"
#include "import/BgpImport.h"
#include "import/BwwImport.h"
#include "import/BwwTable.h"
#include "import/SongWrightImport.h"
#include "tunefile/TuneFile.h"

namespace tunora {

namespace {

std::string Extension(std::string_view path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return "";
  return LowerText(path.substr(dot + 1));
}

// Reads a file of at most limit bytes; false with outcome.error set.
bool ReadLimited(const std::string& path, size_t limit, std::string& bytes,
                 ImportOutcome& outcome) {
  if (!ReadFileLimited(path, limit, bytes, outcome.error)) return false;
  if (bytes.size() > limit) {
    outcome.error =
        "\"" + path + "\" is too large to import (at most " + std::to_string(limit) + " bytes).";
    return false;
  }
  return true;
}

}  // namespace

ImportKind ImportKindFromPath(std::string_view path) {
  const std::string ext = Extension(path);
  if (ext == "bww" || ext == "bmw") return ImportKind::kBww;
  if (ext == "bgp") return ImportKind::kBgp;
  return ImportKind::kSongWright;
}

bool ParseImportKind(std::string_view word, ImportKind& kind) {
  const std::string w = LowerText(word);
  if (w == "bww" || w == "bmw") {
    kind = ImportKind::kBww;
  } else if (w == "bgp") {
    kind = ImportKind::kBgp;
  } else if (w == "sw" || w == "songwright") {
    kind = ImportKind::kSongWright;
  } else {
    return false;
  }
  return true;
}

ImportOutcome ConvertFile(ImportKind kind, const std::string& path, const std::string& programDir,
                          MessageSink& sink) {
  ImportOutcome outcome;
  std::string bytes;
  switch (kind) {
    case ImportKind::kBww: {
      BwwTable table;
      const std::string tablePath = programDir + std::string(kBwwTableFileName);
      if (!table.Load(tablePath)) {
        outcome.error = "Cannot read the embellishment table \"" + tablePath + "\".";
        return outcome;
      }
      if (!ReadLimited(path, kBwwMaxFileSize - 1, bytes, outcome)) return outcome;
      BwwResult r = ConvertBwwText(bytes, table, path);
      outcome.tunes = std::move(r.tunes);
      outcome.errorLines = r.errorLines;
      break;
    }
    case ImportKind::kBgp: {
      if (!ReadLimited(path, kBgpMaxFileSize, bytes, outcome)) return outcome;
      outcome.tunes.push_back(ConvertBgpText(bytes, path, sink));
      break;
    }
    case ImportKind::kSongWright: {
      if (!ReadLimited(path, kSongWrightMaxFileSize, bytes, outcome)) return outcome;
      std::string tune = ConvertSongWrightText(bytes, path);
      if (tune.empty()) {
        outcome.error = "\"" + path + "\" is no SongWright file (it does not begin with a title).";
        return outcome;
      }
      outcome.tunes.push_back(std::move(tune));
      break;
    }
  }
  if (outcome.tunes.empty()) {
    outcome.error = "\"" + path + "\" holds no tune.";
    return outcome;
  }
  outcome.ok = true;
  return outcome;
}

int InsertTunes(TuneFile& file, int position, const std::vector<std::string>& tunes) {
  UndoStep step(file, "Import");
  int added = 0;
  for (const std::string& text : tunes)
    if (file.InsertTune(position + added, text) != nullptr) ++added;
  return added;
}

}  // namespace tunora
