// The rules of the tune list window that need no screen: finding a line by
// typing, where dropped tunes land, moving tunes between lists, the name a
// file is offered under in Save As and the modified marker of a title.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tunora {

class TuneFile;

// Line texts of a list: line 0 is the file header, line n tune n.
using LineTextFn = std::function<std::string_view(int line)>;

// Type-ahead search: the typed characters select the first line whose number
// (when the text begins with a digit) or title (the text after the line's
// first space, compared without regard to case) begins with them.
class TypeAhead {
 public:
  // The typed text starts afresh after this pause between keys.
  static constexpr int kResetMs = 1000;

  enum class KeyKind {
    kCharacter,  // a typed character (ch)
    kBackspace,
    kDelete,
    kOther,  // any other key (arrows, Enter, ...)
  };
  struct Result {
    bool consumed = false;  // the list's own handling must not see the key
    int select = -1;        // the line to select and make current, or -1
    bool deleteSelection = false;
  };

  // current is the caret line, lineCount the number of lines (tunes + 1).
  Result Key(KeyKind kind, char ch, int current, int lineCount, const LineTextFn& lineText);
  void Clear() { text_.clear(); }
  const std::string& Text() const { return text_; }

  // The comparisons, for tests and for other lists.
  static bool NumberMatches(std::string_view line, std::string_view typed);
  static bool TitleMatches(std::string_view line, std::string_view typed);

 private:
  int Search(int from, int to, int step, int lineCount, const LineTextFn& lineText) const;

  std::string text_;
};

// Where on a list the pointer is when tunes are dropped. Coordinates are in
// pixels relative to the list's contents area.
struct DropGeometry {
  int x = 0;
  int y = 0;
  int lineHeight = 1;
  int topLine = 0;  // first line shown (first line of the first shown column)
  bool multiColumn = false;
  int columnWidth = 1;   // multi-column only
  int clientHeight = 0;  // multi-column only: height of the contents area
  int lineCount = 1;     // tunes + 1
};
// The line under the pointer; a point past the end gives the last line.
int DropTargetLine(const DropGeometry& g);

// What a drop does. insertAfter is the tune after which the tunes go, counted
// after the move's removal when tunes move within one list.
struct DropPlan {
  bool nothing = true;
  std::vector<int> tunes;  // the dragged tune positions, ascending, header left out
  bool removeSource = false;
  int insertAfter = 0;
};
// lines: the selection remembered when the button went down. move: left
// button. sameList: the drop lands on the list the drag started from.
DropPlan PlanDrop(const std::vector<int>& lines, int pressedLine, int targetLine, bool sameList,
                  bool move);

// A tune taken out of one file to be put into another: its canonical text
// without the text after it, and that text kept apart so a move does not turn
// it into music lines.
struct TuneTransfer {
  std::string text;
  std::optional<std::string> afterText;
};
std::vector<TuneTransfer> TakeTunes(const TuneFile& file, const std::vector<int>& positions);
// Inserts the tunes after position after, each with the text that followed it.
// convert (when set) turns every text into the target file's characters.
// The tunes are one undo step. Returns the number of tunes inserted.
int PutTunes(TuneFile& file, int after, const std::vector<TuneTransfer>& tunes,
             const std::function<std::string(std::string_view)>& convert = {});

// Tab stops of list lines whose format holds tabs: the text between tabs (a
// cell) begins at the stop of its column. Automatic stops come from the widest
// cell of each column among the lines measured so far plus a gap; fixed stops
// lie every fixedWidth pixels, a cell starting at the first one past the end of
// the text before it. Stops only grow until Reset, so lines measured earlier stay
// lined up with later ones.
class TabStops {
 public:
  // fixedWidth 0: automatic stops. gap: the space after the widest cell.
  void Reset(int fixedWidth, int gap);
  // Takes a line's cell widths into account; true when a stop moved.
  bool Measure(const std::vector<int>& cellWidths);
  // Where each cell of a line begins, relative to the start of the line.
  std::vector<int> Positions(const std::vector<int>& cellWidths) const;
  // The width of the widest line measured, as laid out with the stops now.
  int Width() const;

 private:
  int fixedWidth_ = 0;
  int gap_ = 0;
  std::vector<int> columns_;    // automatic: widest cell of each column but the last of a line
  std::vector<int> lastCells_;  // automatic: widest last cell of lines of n + 1 cells
  int widest_ = 0;              // fixed: the widest line
};

// The name Save As offers: the path, or for a file without one the title
// without its modified marker, cut at the first character a file name cannot
// hold, with ".abc" added.
std::string SaveAsSuggestion(std::string_view path, std::string_view title);

// A title with the modified marker " *" added (unless it already ends in '*')
// or removed.
std::string TitleWithModified(std::string_view title, bool modified);

// The question asked before tunes are removed, or "" when the setting says
// not to ask. count is the number of selected tunes; a single tune is named by
// its list line when given.
std::string RemoveQuestion(int count, bool askCut, bool askCutMulti,
                           std::string_view tuneLine = {});

}  // namespace tunora
