// The "Found Files" window: one search over files (text, music or advanced), its
// list of matching files and tunes, Stop Find while it runs, and the actions on
// an entry: opening the file at the tune found and editing or playing it. Find,
// Find Next (F3) and Find Previous (Ctrl+F3) in the open tune file and across
// the listed files are here too.
#pragma once

#include <QPointer>
#include <QString>
#include <set>
#include <string>
#include <vector>

#include "gui/app/CMinFormDoc.h"
#include "gui/app/CMinFormView.h"
#include "gui/app/Commands.h"
#include "search/FileSearch.h"
#include "search/TuneSearch.h"
#include "gui/app/TemplateIds.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace tunora {

class CAbcDoc;
class CFindView;
class DocTemplateRegistry;

// The actions on an entry of the list (the FindDefaultButton setting, and Raw Edit).
enum class FoundAction { kGoTo = 0, kEdit = 1, kPlay = 2, kPlayNow = 3, kRawEdit = 5 };

class CFindDoc : public CMinFormDoc {
  Q_OBJECT

 public:
  static constexpr int kResourceId = kFindTemplateId;

  explicit CFindDoc(QObject* parent = nullptr);

  // Opens a new Found Files window and runs the search in it.
  static CFindDoc* StartSearch(const SearchRequest& request, const QString& files,
                               bool subdirectories);
  // Opens an empty Found Files window; with place, where the FindPos setting says.
  static CFindDoc* OpenWindow(bool place);
  // Shows a list made elsewhere (a list type's output) in the first Found Files
  // window, or a new one; its searches then use request. Refused while that window
  // searches.
  static CFindDoc* ShowList(const FoundList& list, const SearchRequest& request);
  // The first Found Files window, or null.
  static CFindDoc* First();

  // Runs the search (the list is cleared first). Refused while one runs.
  bool Run(const SearchRequest& request, const QString& files, bool subdirectories);
  void Stop() { stopRequested_ = true; }
  bool Running() const { return running_; }

  const FoundList& List() const { return list_; }
  const SearchRequest& Request() const { return request_; }
  CFindView* View() const;

  // The list as shown: entries with " (*)" on the files already opened.
  QString LineText(int line) const;
  int LineCount() const { return static_cast<int>(list_.Lines().size()); }

  // Activates the entry on line with action: opens its file at the tune.
  bool Activate(int line, FoundAction action);
  // F3 / Ctrl+F3 from this window (see the file's comment).
  void FindNext(bool backwards);

  bool CanCloseDocument() override;
  bool OnCommand(CommandId id) override;
  bool OnUpdateCommand(CommandId id, CommandState& state) override;

 signals:
  void ListChanged();

 private:
  int FileLineOf(int line) const;
  CAbcDoc* OpenFileOfLine(int fileLine);
  // Selects the list line of the tune at position of doc, listed under fileLine.
  void SelectTuneLine(int fileLine, CAbcDoc& doc, int position);
  // The position in doc of the tune a made list's line names; 0 when none.
  static int TuneOfListLine(CAbcDoc& doc, const std::string& text);

  SearchRequest request_;
  FoundList list_;
  std::set<std::string> viewed_;
  bool running_ = false;
  bool stopRequested_ = false;
  bool closeAfterRun_ = false;
  bool fromList_ = false;  // the list is a made list's output (ShowList)
};

class CFindView : public CMinFormView {
  Q_OBJECT

 public:
  explicit CFindView(CFindDoc* document, QWidget* parent = nullptr);
  CFindDoc* Doc() const;
  QListWidget* List() const { return list_; }
  QPushButton* StopButton() const { return stop_; }
  QLabel* CountLabel() const { return count_; }
  int SelectedLine() const;
  void SelectLine(int line);

  void OnUpdate(CMinFormView* sender, int hint) override;
  bool OnCommand(CommandId id) override;
  bool OnUpdateCommand(CommandId id, CommandState& state) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Refresh();
  QListWidget* list_;
  QPushButton* stop_;
  QLabel* count_;
  QLabel* legend_;
};

// Find in the active tune file, Find Next and Find Previous anywhere, Find File.
// Returns true when the command was one of these.
bool RunFindCommand(CommandId id, QWidget* parent);

// Finds the next (or previous) tune of doc from the 1-based position start that
// the search finds; 0 when none does.
int FindInFile(CAbcDoc& doc, TuneSearch& search, int start, bool backwards);

void RegisterFindTemplate(DocTemplateRegistry& registry);

}  // namespace tunora
