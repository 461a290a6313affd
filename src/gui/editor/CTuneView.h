// The tune editor's form: three panes one above the other, the header fields
// as a list ("hdrs"), the music body ("tune") and the words ("wrds"), each with
// a caption and a "<<"/">>" button that hides or shows it; or, in raw mode,
// the whole tune text in one box. Header fields are edited in an editor laid
// over the value column of their line: a line edit, a multi-line box, the
// rhythm drop-down for R:, or the new-field chooser for a new line.
#pragma once

#include <QPointer>
#include <QString>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "editor/TuneForm.h"
#include "gui/app/CMinFormView.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QToolButton;

namespace tunora {

class AbcHighlighter;
class CTuneDoc;
class HeaderListModel;
class HeaderListView;

class CTuneView : public CMinFormView {
  Q_OBJECT

 public:
  explicit CTuneView(CTuneDoc* document, QWidget* parent = nullptr);
  ~CTuneView() override;

  CTuneDoc* Doc() const;

  // --- filling and reading ---------------------------------------------------
  // Fills the form (or the raw box) from the tune record.
  void FillFromTune();
  // The tune text the form holds now (bytes of the tune file); unmappable, when
  // given, counts the characters the file's character set cannot hold.
  std::string TuneText(size_t* unmappable = nullptr) const;
  // The text of the box that holds the tune body (bytes, CR LF).
  std::string BoxText() const;
  // Tells the user that characters became '?' on their way into the file.
  void WarnUnmappable(size_t count) const;
  bool IsRaw() const { return raw_; }
  // Raw mode from now on: the form's text goes into the raw box.
  void SwitchToRaw();
  // The form was saved: the modified flags of the form and the boxes are cleared.
  void MarkSaved();

  TuneForm& Form() { return form_; }
  const TuneForm& Form() const { return form_; }

  // --- widgets (for the document and for tests) -------------------------------
  HeaderListView* HeaderList() const { return list_; }
  QPlainTextEdit* BodyBox() const { return body_; }
  QPlainTextEdit* WordsBox() const { return words_; }
  QPlainTextEdit* RawBox() const { return rawBox_; }
  // The box that holds the tune body: the body box, or the raw box.
  QPlainTextEdit* TuneBox() const;
  QToolButton* PaneButton(int pane) const { return buttons_[static_cast<size_t>(pane)]; }
  QLabel* PaneCaption(int pane) const { return captions_[static_cast<size_t>(pane)]; }
  AbcHighlighter* Highlighter() const { return highlighter_; }

  // --- panes --------------------------------------------------------------------
  bool PaneShown(int pane) const { return shown_[static_cast<size_t>(pane)]; }
  // Shows or hides a pane; the last pane shown stays. False when nothing changed.
  bool TogglePane(int pane);
  void ShowPane(int pane, bool show);
  // The content height of each pane as laid out now.
  int PaneHeight(int pane) const;

  // --- header list ----------------------------------------------------------------
  enum class Editing { kNone, kSingleLine, kMultiLine, kRhythm, kChooser };
  Editing EditingKind() const { return editing_; }
  int EditingRow() const { return editingRow_; }
  // The widget of the field editor in use, or null.
  QWidget* FieldEditor() const;
  QLineEdit* SingleLineEditor() const { return lineEditor_; }
  QPlainTextEdit* MultiLineEditor() const { return textEditor_; }
  QComboBox* RhythmEditor() const { return rhythmEditor_; }
  QComboBox* FieldChooser() const { return chooser_; }

  int CurrentRow() const;
  void SelectRow(int row);
  // Starts editing a line: key is the key that started it (Qt::Key_Backspace,
  // Key_Delete, Key_Left, Key_Right, Key_Space or 0), text a typed character
  // that replaces the value.
  void StartEditing(int row, int key = 0, const QString& text = QString());
  // Ends editing and stores the value; move is +1 (Tab), -1 (Shift+Tab) or 0.
  void EndEditing(int move = 0);
  // A letter typed in the list: its line is edited, or a new one offered.
  void TypeLetter(char letter);
  // Insert: the new-field chooser on a placeholder line, preselect the letter
  // to offer first (0 for none), value the new field's value (pasted text).
  bool InsertField(char preselect = 0, std::optional<std::string> value = std::nullopt);
  // The chooser chose the letter (or, with 0, its current entry).
  void ChooseField(char letter = 0);
  void CancelChooser();
  void ToggleExpanded(int row);
  // Copy, Cut and Paste of the header list.
  void CopyLine();
  void CutLine();
  void PasteIntoList(const QString& text);
  // Sets a field from outside (paste, tools), in the form or in the raw text.
  void SetField(char letter, const std::string& value, bool append);

  // --- body box ---------------------------------------------------------------------
  // Comment Selection on the focused tune box; false when it cannot act.
  bool CommentSelection();
  bool CanCommentSelection() const;
  // Selects the one character at a byte offset of the tune body as the reader
  // sees it, gives the box the focus and scrolls it into view.
  void SelectBodyOffset(size_t offset);
  // Selects the body bytes [begin, end) in the tune box and scrolls them into view
  // (the drawing's click on an item), without taking the focus from elsewhere.
  void SelectBodyRange(size_t begin, size_t end);
  // The body offset (as the reader counts) of the tune box's cursor.
  size_t CursorBodyOffset() const;

  // --- the tune tools ---------------------------------------------------------------
  // The tune text the form holds now, with the selected part of the body box as
  // byte offsets of the body ([start, end); both 0 when nothing is selected, and
  // always in raw mode).
  std::string ToolTuneText(size_t& selectionStart, size_t& selectionEnd) const;
  // A tool's result lands as one change that Undo in the tune box takes back
  // whole: the new body and the header fields the tool set.
  void ApplyToolResult(const std::string& body,
                       const std::vector<std::pair<char, std::string>>& fields);
  // Sets a header field to value, or removes it (nullopt).
  void RestoreField(char letter, const std::optional<std::string>& value);

  // Applies the ABC font and the edit title after the settings changed.
  void ApplySettings();

  void OnInitialUpdate() override;
  bool OnCommand(CommandId id) override;
  bool OnUpdateCommand(CommandId id, CommandState& state) override;

 signals:
  // The tune text changed: a box was typed in or a header field was stored.
  void TextEdited();
  // The cursor of the tune box moved.
  void TuneCursorMoved();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildForm();
  void BuildRaw();
  void LayoutPanes();
  // Moves the border above the caption bar (1 or 2) by dy pixels.
  void DragBorder(int bar, int dy);
  void ResetList(int current);
  void FormChanged();
  void PlaceEditor();
  void ApplyStartKey(int key, const QString& text, const QString& value);
  QString EditorText() const;
  // The box text in file bytes, where the body starts in it, and the body read.
  struct BoxBody {
    std::string text;
    size_t bodyStart = 0;
    std::string body;
  };
  BoxBody ReadBoxBody(const QString& shown) const;
  // The position in the tune box of a body offset.
  int BoxPositionOfBodyOffset(const QString& shown, size_t offset) const;
  void HideEditors();
  void FocusAfterList();
  QFont AbcFont() const;
  QString ToDisplay(const std::string& bytes) const;
  std::string FromDisplay(const QString& text, size_t* unmappable = nullptr) const;
  void BoxModified(bool modified);
  bool ListHasFocus() const;

  TuneForm form_;
  bool raw_ = false;
  bool filling_ = false;

  std::unique_ptr<HeaderListModel> model_;
  HeaderListView* list_ = nullptr;
  QPlainTextEdit* body_ = nullptr;
  QPlainTextEdit* words_ = nullptr;
  QPlainTextEdit* rawBox_ = nullptr;
  AbcHighlighter* highlighter_ = nullptr;
  std::array<QLabel*, 3> captions_{};
  std::array<QToolButton*, 3> buttons_{};
  std::array<QWidget*, 3> bars_{};
  std::array<bool, 3> shown_{true, true, false};
  std::array<int, 3> weights_{4, 4, 2};
  std::array<int, 3> heights_{0, 0, 0};

  QLineEdit* lineEditor_ = nullptr;
  QPlainTextEdit* textEditor_ = nullptr;
  QComboBox* rhythmEditor_ = nullptr;
  QComboBox* chooser_ = nullptr;
  Editing editing_ = Editing::kNone;
  int editingRow_ = -1;
  bool ending_ = false;
  int dragBar_ = -1;
  int dragY_ = 0;
  std::optional<std::string> chooserValue_;
};

// Comment Selection in a tune box (the editor's, or the tools window's): "%" put
// before the selected lines or taken away, as an edit the box's undo does not take
// back. False when nothing is selected.
bool CommentSelectionIn(QPlainTextEdit* box);

}  // namespace tunora
