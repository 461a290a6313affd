// The window of an open ABC file: a form with the tune list. It tells its
// document which line is current and which lines are selected, and shows the
// changes the document makes to the list.
#pragma once

#include <vector>

#include "gui/app/CMinFormView.h"

namespace tunora {

class CAbcDoc;
class TuneListBox;

class CAbcView : public CMinFormView {
  Q_OBJECT

 public:
  explicit CAbcView(CAbcDoc* document, QWidget* parent = nullptr);
  ~CAbcView() override;

  CAbcDoc* Doc() const;
  TuneListBox* List() const { return list_; }

  // The caret line; with mustBeSelected, -1 when that line is not selected.
  // 0 is the file header.
  int CurrentLine(bool mustBeSelected = false) const;
  // The selected lines, ascending.
  std::vector<int> SelectedLines() const;
  // True when a tune line (not only the header line) is selected.
  bool HasSelectedTune() const;
  // Clears the selection, selects line n and makes it the caret line.
  void SelectLine(int line);
  // Selects first..last, first as the anchor and last as the caret line.
  void SelectRange(int first, int last);
  void SelectAllLines();
  // Selects the given lines; the last becomes the caret line.
  void SelectLines(const std::vector<int>& lines);
  // The list was filled again: the column width, and line 0 as the caret line.
  void Filled();

  void OnInitialUpdate() override;
  void OnUpdate(CMinFormView* sender, int hint) override;
  // "Tune 3 of 120", or "120 tunes" on the header line.
  QString PositionText() const override;
  // The list's vertical scroll position, and back.
  int ScrollPosition() const;
  void SetScrollPosition(int value);
  bool OnCommand(CommandId id) override;
  bool OnUpdateCommand(CommandId id, CommandState& state) override;

  // The settings changed: the list's form and lines.
  void ApplySettings();

 private:
  void SetFormFromFont();

  TuneListBox* list_;
};

}  // namespace tunora
