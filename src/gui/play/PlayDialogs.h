// The dialogs of playing: the error list of a tune ("Errors in ABC Tune") and the
// listing of a merged track in MIDI debug mode ("Debug MIDI").
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "play/EventTrack.h"

class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace tunora {

// The error list in a read-only box, with OK, Help and a note on Ctrl+Shift+E.
class CAbcErrorsDlg : public QDialog {
  Q_OBJECT

 public:
  // errorList: the entries as the performance made them (8-bit text, CR LF ends).
  CAbcErrorsDlg(QWidget* parent, const std::string& errorList);
  QPlainTextEdit* List() const { return list_; }
  QPushButton* HelpButton() const { return help_; }

 private:
  void ShowHelp();

  QPlainTextEdit* list_;
  QPushButton* help_;
};

// The events of a merged track, one a line, with tab stops for the columns.
class CDebugMidiDlg : public QDialog {
  Q_OBJECT

 public:
  CDebugMidiDlg(QWidget* parent, const std::vector<MidiEvent>& events);
  QListWidget* List() const { return list_; }

 private:
  QListWidget* list_;
};

}  // namespace tunora
