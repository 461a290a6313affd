// The in-memory model of one ABC tune file: the file header, its tunes and the
// undo history of its list. Loading cuts the text into header and tunes;
// saving writes back the bytes of every tune that still reads as it was loaded
// (a new number changes only its X: line) and the canonical text of the others,
// all with the file's own line ends.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tunefile/Fields.h"
#include "tunefile/TuneHistory.h"
#include "tunefile/TuneRecord.h"

namespace tunora {

struct FormatEnv;

// The settings the file model depends on; the application fills them in.
struct TuneFileOptions {
  std::string fieldOrder{kDefaultFieldOrder};
  bool convertTeX = false;  // TeX escapes decoded on load, encoded on save
  bool cvtTeXEsc = false;   // also escape #, & and backslash on save
  std::string defaultLength = "1/8";
  const FormatEnv* formatEnv = nullptr;  // for expanding file-header fields in new tunes
  bool newFileCrLf = false;              // line ends of files that have none yet: CR LF, else LF
  bool canonical = false;                // save every tune in canonical form with CR LF line ends
};

// The line ends a file is written with.
enum class LineEnds { kLf, kCrLf, kCr };

// The 18 fields a file header keeps, in this order.
inline constexpr std::string_view kFileHeaderLetters = "ABCDFGHKLMNOQRSUuZ";

struct DeleteResult {
  int removed = 0;
  std::vector<int> refused;  // positions (as selected) that were open and not removed
};

class TuneFile {
 public:
  explicit TuneFile(TuneFileOptions options = {});
  ~TuneFile();
  TuneFile(const TuneFile&) = delete;
  TuneFile& operator=(const TuneFile&) = delete;

  std::string name;                       // full path of the file
  std::optional<std::string> headerText;  // all text before the first tune
  std::array<std::optional<std::string>, kFileHeaderLetters.size()> headerFields;

  TuneFileOptions& Options() { return options_; }
  const TuneFileOptions& Options() const { return options_; }

  // --- model ---------------------------------------------------------------
  // Cuts text into file header and tunes. With create, the header is stored and
  // the tunes appended; without, the header part is ignored and the tunes are
  // inserted after position, position + 1, ... Returns the number of tunes.
  int SplitTunes(std::string_view text, bool create, int position, bool decodeTeX);
  // Replaces the header text and its fields (loading: text as SplitTunes made it).
  void ParseFileHeader(std::string_view text);
  // The header as edited in the header dialog: trimmed of line ends, ended by CR LF.
  void SetHeaderFromDialog(std::string_view text);
  // Fills record from the text of one tune; returns the offset of the body.
  static size_t ParseTune(TuneRecord& record, std::string_view text, bool fromFile);
  // Reads a file's text as a tune list shows it, without building the model: calls
  // each for every tune, in file order, with a record that holds the tune's number,
  // titles and header fields only: its body, text after it and loaded bytes are
  // empty, and its words are those of the header's W: lines.
  // The tunes are the ones SplitTunes cuts; the record is reused from call to call.
  // Returns the number of tunes.
  static size_t ReadHeadings(std::string_view text, bool decodeTeX,
                             const std::function<void(const TuneRecord&)>& each);
  // Reads a file's text tune by tune as a load does, without building the model:
  // header gets the file header's text as headerText would hold it ("" for none).
  // Then each is called for every tune, in file order, with a record that holds what
  // the model's would, but for its loaded bytes; the record is the callee's, and
  // each gives back a record to read the next tune into (one handed over before, so
  // that its room is used again, or null for a new one). Returns the number of tunes.
  using TakeTune = std::function<std::unique_ptr<TuneRecord>(std::unique_ptr<TuneRecord>)>;
  static size_t ReadTunes(std::string_view text, bool decodeTeX, std::string& header,
                          const TakeTune& each);
  // The canonical text of a tune: fields in the set order, CR LF line ends.
  std::string WriteTune(const TuneRecord& record, bool encodeTeX) const;
  // The whole file as Save writes it.
  std::string WriteFile() const;
  // True when the tune would be saved as the bytes it was loaded from.
  bool KeepsLoadedBytes(const TuneRecord& record) const;

  // The file-header bytes as loaded ("" for none or a file made in the program).
  const std::string& LoadedHeader() const { return headerLoaded_; }
  LineEnds FileLineEnds() const {
    return lineEnds_.value_or(options_.newFileCrLf ? LineEnds::kCrLf : LineEnds::kLf);
  }
  void SetFileLineEnds(LineEnds ends) { lineEnds_ = ends; }

  size_t TuneCount() const { return tunes_.size(); }
  uint32_t TuneCountPlusOne() const { return static_cast<uint32_t>(tunes_.size() + 1); }
  TuneRecord* TuneAt(int position);
  const TuneRecord* TuneAt(int position) const;
  // 1-based position of a record of this file; 0 when it is not in the list.
  int PositionOf(const TuneRecord& record) const;

  // A tune from text keeps its X: number (one without X: follows the tune before
  // it); a new empty tune takes the first number after the previous tune's that
  // no tune of the file has.
  TuneRecord* InsertTune(int after, const std::string_view* text);
  TuneRecord* InsertTune(int after) { return InsertTune(after, nullptr); }
  TuneRecord* InsertTune(int after, std::string_view text) { return InsertTune(after, &text); }
  void NewTune(TuneRecord& record, int32_t number) const;
  // Empties the file and its undo history.
  void ClearAll();

  // Value of a file-header field (one of kFileHeaderLetters), null when absent.
  const std::optional<std::string>* HeaderField(char letter) const;

  // --- document operations ---------------------------------------------------
  // Each operation that changes the list is one undo step of its own, unless an
  // UndoStep is open: then it is part of that step.
  // Joined WriteTune texts (no TeX encoding) of the tunes at the given positions.
  std::string CopyText(const std::vector<int>& positions) const;
  // Removes the tunes at the ascending positions. A tune for which isOpen
  // answers true stays and is reported in refused.
  DeleteResult DeleteTunes(const std::vector<int>& positions,
                           const TuneHistory::IsOpen& isOpen = {});
  const TuneHistory& History() const { return history_; }
  bool CanUndo() const { return history_.CanUndo(); }
  bool CanRedo() const { return history_.CanRedo(); }
  // Takes back the last step, or does the last undone one again. A step that
  // would take a tune out of the list for which isOpen answers true is refused.
  ListChange Undo(const TuneHistory::IsOpen& isOpen = {});
  ListChange Redo(const TuneHistory::IsOpen& isOpen = {});
  // Inserts clipboard text after position; returns the number of tunes inserted.
  int Paste(int after, std::string_view text);
  // The numbers that more than one tune has, ascending.
  std::vector<int32_t> RepeatedNumbers() const;
  // The first number from wanted on that no tune has.
  int32_t UnusedNumber(int32_t wanted) const;
  // Gives the tunes consecutive numbers from start, in list order.
  void Renumber(int32_t start);
  // Stores a tune's text after it from the text dialog; true when it changed.
  bool SetAfterText(int position, std::string_view text);

  // --- files -----------------------------------------------------------------
  // Reads a file and splits it (create, decodeTeX = ConvertTeX), taking its line
  // ends from its first line. On failure the model is unchanged and error holds a
  // message.
  bool Load(const std::string& path, std::string& error);
  // Writes WriteFile() through a temporary file renamed over path.
  bool Save(const std::string& path, std::string& error) const;

 private:
  friend class TuneHistory;
  friend class UndoStep;

  // Reads the X: number, titles and header fields of a tune's text into a cleared
  // record; header comments are appended to headerComments when it is given.
  // Returns the offset of the body.
  static size_t ParseHeading(TuneRecord& record, std::string_view text,
                             std::string* headerComments);
  // Cuts text as SplitTunes does and calls each with the text of every tune, TeX
  // escapes decoded with decodeTeX; header (when given) gets the file header as
  // headerText would hold it. Returns the number of tunes.
  static size_t ForEachTuneText(std::string_view text, bool decodeTeX, std::string* header,
                                const std::function<void(std::string_view)>& each);
  void LinkAt(size_t index, std::unique_ptr<TuneRecord> record);
  // Takes the tunes at the ascending positions out of the list, in one pass.
  std::vector<std::unique_ptr<TuneRecord>> TakeOut(const std::vector<int>& positions);
  // Puts records into the list so that they stand at the ascending positions.
  void PutIn(const std::vector<int>& positions, std::vector<std::unique_ptr<TuneRecord>> records);
  void InvalidatePositions() const { positionsValid_ = false; }
  // How a tune's loaded bytes compare with what it holds now.
  enum class Kept { kNo, kYes, kNumberOnly };
  Kept CompareLoaded(const TuneRecord& record) const;
  void AppendTune(std::string& out, const TuneRecord& record) const;
  void AppendCanonical(std::string& out, std::string_view crlfText) const;

  TuneFileOptions options_;
  std::vector<std::unique_ptr<TuneRecord>> tunes_;
  TuneHistory history_;
  mutable bool positionsValid_ = true;
  std::optional<LineEnds> lineEnds_;         // unset until a file with line ends is loaded
  std::string headerLoaded_;                 // the header bytes as loaded
  std::optional<std::string> headerParsed_;  // headerText as loading made it
};

// The line ends of a text, from its first line end; none when it has no line end.
std::optional<LineEnds> DetectLineEnds(std::string_view text);
// Gives a text with CR LF line ends the given line ends.
std::string ConvertCrLf(std::string_view crlfText, LineEnds ends);

// Turns lone CRs (old Mac line ends) into CR LF; other bytes are kept.
std::string NormalizeLoneCr(std::string_view text);
bool HasLoneCr(std::string_view text);

}  // namespace tunora
