// The header fields of a tune as the tune editor shows them: one line per
// field in display order, each a letter, its value (CR LF between the lines of
// a multi-line value) and the expanded flag. The rules of the editor that need
// no screen live here: filling the lines from a tune, rebuilding the tune text,
// cleaning and storing an edited value, where new lines go, copy, cut and
// paste of fields, and setting a field in the raw text of a tune.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tunora {

struct TuneRecord;

struct FormLine {
  char letter = '?';  // '?' for the placeholder line of the new-field chooser
  std::string value;  // CR LF between lines
  bool expanded = false;
};

// The label of a line: the field's short name ("C: Comp."), "?:" for the
// placeholder. Its first two characters are the tag the text is rebuilt from.
std::string FormLabel(char letter);
// True when the value has more than one line.
bool IsMultiLine(std::string_view value);
// Number of lines of a value (1 for an empty value).
int LineCountOf(std::string_view value);

// Which editor a field gets.
enum class FieldEditorKind { kSingleLine, kMultiLine, kRhythm };
FieldEditorKind EditorKindFor(char letter);

// A typed value cleaned for storing: T loses a blank at the start of each
// line, trailing blanks and line breaks and its empty lines; X is trimmed and
// must be decimal digits (nullopt otherwise); every other field is trimmed.
std::optional<std::string> CleanFieldValue(char letter, std::string_view typed);

// The text of one field as the clipboard gets it: the tag, the value with the
// tag repeated after every LF, and CR LF.
std::string FieldText(char letter, std::string_view value);

// A field given as text ("C:Someone"): letter and value, or nullopt when the
// text does not begin with an upper-case letter or 'u' and a colon.
struct FieldPiece {
  char letter;
  std::string value;
};
std::optional<FieldPiece> SplitFieldText(std::string_view text);
// Pasted text cut into fields: leading blanks and line breaks are skipped;
// when it begins with a field tag, every following line that begins with a tag
// starts another field and other lines continue the one before. Empty when the
// text does not begin with a tag. Values keep their line breaks (CR LF).
std::vector<FieldPiece> SplitPastedFields(std::string_view text);
// Leading spaces, tabs, CR and LF skipped.
std::string_view SkipLeadingSpace(std::string_view text);

class TuneForm {
 public:
  TuneForm(std::string fieldOrder, std::string fieldExpanded);

  const std::string& FieldOrder() const { return fieldOrder_; }

  // The display order of a tune: "XT", the FieldOrder letters, the fields the
  // order string leaves out that the tune has (so no field is lost on save),
  // then "K". Letters appear once; W and letters without a field are skipped.
  std::string DisplayOrder(const TuneRecord* tune = nullptr) const;
  // The FieldExpanded index of a letter: X 0, T 1, K the length of FieldOrder
  // plus 2, others their position in FieldOrder plus 2; -1 when not in it.
  int ExpandedIndex(char letter) const;
  bool ExpandedByDefault(char letter) const;

  // The lines for a tune's fields, in display order.
  void Fill(const TuneRecord& tune);

  std::vector<FormLine> lines;

  int IndexOf(char letter) const;
  bool Has(char letter) const { return IndexOf(letter) >= 0; }

  // The header part of the tune text: every line's tag and value, the tag
  // repeated after each LF of the value, and CR LF.
  std::string HeaderText() const;
  // The whole tune text: the header lines, the body (given a final line break
  // when it lacks one, so nothing can join its last line) and, when there are
  // words, "W:" before each of their lines.
  std::string Rebuild(std::string_view body, std::string_view words) const;

  // Stores a typed value in line index. What happened:
  enum class StoreResult {
    kUnchanged,  // the cleaned value is the old one (and not an empty field that goes)
    kRejected,   // an X that is not a number: the old value stays
    kChanged,
    // An empty value of a field other than X, T, K and M (also when it was
    // empty before: a new line left empty).
    kRemoved,
  };
  StoreResult Store(int index, std::string_view typed);

  // The letters the new-field chooser offers: those of FieldOrder without a
  // line, without E and I, each once.
  std::string ChooserLetters() const;

  // Inserts the placeholder line of the new-field chooser for the current line
  // (-1 when none) and returns its index, or -1 when the chooser would be
  // empty. X and T stay first and K last: when the current line is X or T and
  // the form holds nothing but X and T, an empty K line is appended first; the
  // new line goes right after the X and T lines when the current line is one of
  // them, before the current line otherwise, and before a last K line (else at
  // the end) when there is no current line.
  int InsertPlaceholder(int current);
  // The chooser chose a letter for the placeholder at index; value is its
  // start. False when the index holds no placeholder.
  bool ChoosePlaceholder(int index, char letter, std::string value = {});
  // The chooser closed without a choice.
  void DropPlaceholder(int index);

  // Cut: true when the line may be removed (not X, T or K); removes it then.
  bool Cut(int index);

  // Sets a field from outside the editor (paste, tools). With append an
  // existing value gets CR LF and the text; fields that hold a single value
  // (X, F, K, L, M, P, Q, R) are replaced instead, since a second line of
  // them would be lost or, for K, read as music. Without append the value is
  // replaced. A missing field becomes a line before a last K line, else at
  // the end, with its expanded flag from the settings. Returns the line's
  // index, or -1 when nothing changed (an X that is not a number).
  int SetField(char letter, std::string_view text, bool append);

 private:
  std::string fieldOrder_;
  std::string fieldExpanded_;
};

// Sets a field in the raw text of a tune. The header lines (those whose second
// character is ':', up to the K: line) are scanned; the field's lines are
// replaced in place (or, with append, the new lines follow its last line); a
// new field is written in front of the K: line, or after the last header line
// when there is none. Multi-line values give one tagged line each.
std::string SetRawField(std::string_view raw, char letter, std::string_view value, bool append);

}  // namespace tunora
