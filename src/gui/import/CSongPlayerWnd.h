// The song player of the start mode /w: a SongWright file given at start is
// converted into a new, unnamed tune file and shown in this small window, with
// Play, Stop, Exit, Settings, About and a button that opens the full program.
// Playing goes through the player of the tune windows (CPlayDoc).
#pragma once

#include <QPointer>
#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace tunora {

class CAbcDoc;
class CPlayDoc;

// The tune text as the window shows it: lines longer than width characters are
// wrapped at their last blank before the limit (a word longer than the line
// stays whole).
QString WrapAtBlanks(const QString& text, int width = 80);

class CSongPlayerWnd : public QWidget {
  Q_OBJECT

 public:
  // Shows the tune of fileDoc's first tune and plays it through player.
  CSongPlayerWnd(CAbcDoc* fileDoc, CPlayDoc* player, QWidget* parent = nullptr);

  // Converts a SongWright file and opens the window on it; tells the user what
  // failed ("Error reading SongWright file.", "Internal error 1." or "2.") and
  // returns null then.
  static CSongPlayerWnd* Open(const QString& path);

  QString Title() const;
  QString ShownText() const;
  QPushButton* PlayButton() const { return play_; }
  QPushButton* StopButton() const { return stop_; }
  QPushButton* FullProgramButton() const { return full_; }
  CPlayDoc* Player() const;

 protected:
  void closeEvent(class QCloseEvent* event) override;

 private:
  void UpdateButtons();
  void OpenFullProgram();

  QPointer<CAbcDoc> fileDoc_;
  QPointer<CPlayDoc> player_;
  QLabel* title_;
  QLabel* status_;
  QPlainTextEdit* text_;
  QPushButton* play_;
  QPushButton* stop_;
  QPushButton* exit_;
  QPushButton* settings_;
  QPushButton* about_;
  QPushButton* full_;
  bool handedOver_ = false;  // the full program took over
};

}  // namespace tunora
