// The player window: the tune's title and fields, the backing style, the drone and
// the repeat count for the next play, the play length and position, the status line
// and the Play, Pause, Stop and Save MIDI buttons.
#pragma once

#include "gui/app/CMinFormView.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTreeWidget;

namespace tunora {

class CPlayDoc;

class CPlayView : public CMinFormView {
  Q_OBJECT

 public:
  explicit CPlayView(CPlayDoc* document, QWidget* parent = nullptr);
  ~CPlayView() override;

  CPlayDoc* Doc() const;

  // Places the window by PlayPos when it is first shown.
  void OnInitialUpdate() override;

  QLabel* TitleLabel() const { return title_; }
  QTreeWidget* FieldList() const { return fields_; }
  QComboBox* BackingChooser() const { return backing_; }
  QLineEdit* DroneEdit() const { return drone_; }
  QSpinBox* RepeatSpin() const { return repeat_; }
  QLabel* LengthLabel() const { return length_; }
  QLabel* PositionLabel() const { return position_; }
  QProgressBar* PositionBar() const { return bar_; }
  QLabel* StatusLabel() const { return status_; }
  QPushButton* PlayButton() const { return play_; }
  QPushButton* PauseButton() const { return pause_; }
  QPushButton* StopButton() const { return stop_; }
  QPushButton* SaveMidiButton() const { return saveMidi_; }

 private:
  void ShowTune();
  void ShowState();
  void ShowPosition();
  void FillBackings();

  QLabel* title_;
  QTreeWidget* fields_;
  QComboBox* backing_;
  QLineEdit* drone_;
  QSpinBox* repeat_;
  QLabel* length_;
  QLabel* position_;
  QProgressBar* bar_;
  QLabel* status_;
  QPushButton* play_;
  QPushButton* pause_;
  QPushButton* stop_;
  QPushButton* saveMidi_;
};

}  // namespace tunora
