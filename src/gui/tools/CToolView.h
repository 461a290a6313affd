// The tune tools window: the sheet with the ABC, Chords and Transpose pages, a
// line that says what the tools apply to (the whole tune, or the part selected
// in the editor), and the tune box, which shows the body after the last action
// or the View Chords text.
#pragma once

#include "gui/app/CMinFormView.h"

class QLabel;
class QPlainTextEdit;

namespace tunora {

class CToolDoc;
class CToolPropSheet;

class CToolView : public CMinFormView {
  Q_OBJECT

 public:
  explicit CToolView(CToolDoc* document, QWidget* parent = nullptr);
  ~CToolView() override;

  CToolDoc* Doc() const;
  CToolPropSheet* Sheet() const { return sheet_; }
  QPlainTextEdit* TuneBox() const { return box_; }
  QLabel* RangeLabel() const { return range_; }

  // The pages and the range line from the editor's tune as it is now.
  void Refresh();

  void OnInitialUpdate() override;
  bool OnCommand(CommandId id) override;
  bool OnUpdateCommand(CommandId id, CommandState& state) override;

 private:
  CToolPropSheet* sheet_;
  QLabel* range_;
  QPlainTextEdit* box_;
};

}  // namespace tunora
