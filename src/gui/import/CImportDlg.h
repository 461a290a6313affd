// The "Import" window: the files chosen for an import, converted one after
// another into a tune file when Start is pressed. Between files it lets waiting
// window messages through, so Stop (and the rest of the program) keeps working.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QStringList>

#include "import/Importer.h"

class QPushButton;
class QTreeWidget;
class QLabel;

namespace tunora {

class CAbcDoc;

class CImportDlg : public QDialog {
  Q_OBJECT

 public:
  CImportDlg(CAbcDoc& doc, ImportKind kind, const QStringList& files, QWidget* parent = nullptr);

  // Converts the files not yet done, one after another, until the end or Stop.
  void Start();
  // Stops after the file being converted.
  void Stop();

  bool IsRunning() const { return running_; }
  // Tunes added so far, and the files done.
  int TunesAdded() const { return tunes_; }
  int FilesDone() const { return next_; }
  QTreeWidget* List() const { return list_; }
  QPushButton* StartButton() const { return start_; }
  QPushButton* StopButton() const { return stop_; }

 protected:
  void reject() override;

 private:
  void UpdateButtons();

  QPointer<CAbcDoc> doc_;
  ImportKind kind_;
  QStringList files_;
  QTreeWidget* list_;
  QLabel* summary_;
  QPushButton* start_;
  QPushButton* stop_;
  QPushButton* close_;
  int next_ = 0;
  int tunes_ = 0;
  bool running_ = false;
  bool stopRequested_ = false;
};

}  // namespace tunora
