#include "gui/search/CFindDoc.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "app/Settings.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/CTunoraApp.h"
#include "gui/app/DocTemplate.h"
#include "gui/app/Messages.h"
#include "gui/search/CFindDlg.h"
#include "gui/tunefile/CAbcDoc.h"
#include "gui/tunefile/CAbcView.h"

namespace tunora {

namespace {

constexpr const char* kViewedMark = " (*)";

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The last search of Find, Find Next and Find Previous: in one open tune file, or
// (when inFile is false) across the files of the first Found Files window.
struct LastFind {
  bool inFile = false;
  QPointer<CAbcDoc> doc;
  SearchRequest request;
};
LastFind& Last() {
  static LastFind last;
  return last;
}

void Tell(const QString& text) {
  CTunoraApp* app = CTunoraApp::Instance();
  MessageInfo(app != nullptr ? app->MainFrame() : nullptr, text);
}

// The tune position the tune list shows as current (0 for the file header line).
int CurrentPosition(CAbcDoc& doc) {
  CAbcView* view = doc.View();
  return view != nullptr ? std::max(view->CurrentLine(), 0) : 0;
}

void ShowTune(CAbcDoc& doc, int position) {
  if (CAbcView* view = doc.View()) view->SelectLine(position);
  doc.ActivateFirstView();
}

// Finds in doc from start with request; shows the tune found. False when none was.
bool FindAndShow(CAbcDoc& doc, const SearchRequest& request, int start, bool backwards) {
  TuneSearch search;
  std::string message, warning;
  if (!search.Prepare(request, message, warning)) return false;
  const int found = FindInFile(doc, search, start, backwards);
  if (found == 0) return false;
  ShowTune(doc, found);
  return true;
}

}  // namespace

int FindInFile(CAbcDoc& doc, TuneSearch& search, int start, bool backwards) {
  const int count = static_cast<int>(doc.File().TuneCount());
  for (int p = start; p >= 1 && p <= count; p += backwards ? -1 : 1) {
    const TuneRecord* tune = doc.File().TuneAt(p);
    if (tune != nullptr && search.Matches(*tune)) return p;
  }
  return 0;
}

// --- document -------------------------------------------------------------------------

CFindDoc::CFindDoc(QObject* parent) : CMinFormDoc(parent) {
  SetTitle(QStringLiteral("Found Files"));
}

CFindDoc* CFindDoc::First() {
  CTunoraApp* app = CTunoraApp::Instance();
  if (app == nullptr) return nullptr;
  for (CMinFormDoc* doc : app->Documents())
    if (auto* find = qobject_cast<CFindDoc*>(doc)) return find;
  return nullptr;
}

CFindDoc* CFindDoc::OpenWindow(bool place) {
  CTunoraApp* app = CTunoraApp::Instance();
  if (app == nullptr) return nullptr;
  const DocTemplate* t = app->Templates().FindById(kResourceId);
  if (t == nullptr) return nullptr;
  auto* doc = qobject_cast<CFindDoc*>(app->CreateDocument(*t));
  if (doc == nullptr) return nullptr;
  CMinFormView* view = app->ShowNewView(doc);
  if (view == nullptr) {
    app->CloseDocument(doc);
    return nullptr;
  }
  if (!place) return doc;
  switch (app->GetSettings().search.findPos) {
    case 1: view->PlaceLowerLeft(); break;
    case 2: view->PlaceUpperRight(); break;
    default: break;
  }
  return doc;
}

CFindDoc* CFindDoc::StartSearch(const SearchRequest& request, const QString& files,
                                bool subdirectories) {
  CFindDoc* doc = OpenWindow(true);
  if (doc == nullptr) return nullptr;
  Last().inFile = false;
  doc->Run(request, files, subdirectories);
  return doc;
}

CFindDoc* CFindDoc::ShowList(const FoundList& list, const SearchRequest& request) {
  CFindDoc* doc = First();
  if (doc != nullptr && doc->Running()) {
    Tell(QStringLiteral("A search is already in progress. Please stop it first."));
    return nullptr;
  }
  if (doc == nullptr) doc = OpenWindow(true);
  if (doc == nullptr) return nullptr;
  Last().inFile = false;
  doc->request_ = request;
  doc->fromList_ = true;
  doc->list_ = list;
  doc->viewed_.clear();
  emit doc->ListChanged();
  doc->ActivateFirstView();
  return doc;
}

CFindView* CFindDoc::View() const { return qobject_cast<CFindView*>(FirstView()); }

bool CFindDoc::Run(const SearchRequest& request, const QString& files, bool subdirectories) {
  if (running_) {
    Tell(QStringLiteral("A search is already in progress. Please stop it first."));
    return false;
  }
  TuneSearch search;
  std::string message, warning;
  if (!search.Prepare(request, message, warning)) {
    Tell(Q(message));
    return false;
  }
  request_ = request;
  fromList_ = false;
  list_.Clear();
  viewed_.clear();
  running_ = true;
  stopRequested_ = false;
  SetTitle(QStringLiteral("Searching Files"));
  emit ListChanged();

  CTunoraApp* app = CTunoraApp::Instance();
  FileSearchRun run;
  run.patterns = {files.toStdString()};
  run.subdirectories = subdirectories;
  if (app != nullptr) run.fileOptions = app->GetTuneFileOptions();
  const FormatEnv* env = app != nullptr ? &app->GetFormatEnv() : nullptr;
  size_t shown = 0;
  run.test = [&](const TuneRecord& tune, std::string& line) {
    return search.Test(tune, line, env);
  };
  // Between tunes the window and the rest of the program stay usable.
  run.poll = [&] {
    if (list_.Lines().size() != shown) {
      shown = list_.Lines().size();
      emit ListChanged();
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return !stopRequested_;
  };
  RunFileSearch(run, list_);
  running_ = false;
  SetTitle(QStringLiteral("Found Files"));
  emit ListChanged();
  if (closeAfterRun_) {
    QTimer::singleShot(0, this, [this] {
      if (CTunoraApp* a = CTunoraApp::Instance()) a->CloseDocument(this);
    });
    return true;
  }
  if (list_.Lines().empty() && !stopRequested_) {
    QWidget* parent = View();
    if (AskYesNo(parent,
                 QStringLiteral("No matching files were found.\nDo you wish to do a new search?"),
                 true)) {
      CFindDlg dialog(false, parent);
      if (dialog.exec() == QDialog::Accepted)
        QTimer::singleShot(0, this,
                           [this, s = dialog.Request(), f = dialog.Files(),
                            sub = dialog.Subdirectories()] { Run(s, f, sub); });
    }
  }
  return true;
}

bool CFindDoc::CanCloseDocument() {
  if (!running_) return true;
  // The run is inside this window's event handling: it ends first, then the window.
  stopRequested_ = true;
  closeAfterRun_ = true;
  return false;
}

QString CFindDoc::LineText(int line) const {
  if (line < 0 || line >= LineCount()) return {};
  const std::string& text = list_.Lines()[static_cast<size_t>(line)];
  QString shown = Q(text);
  if (!text.empty() && text[0] != '\t' && viewed_.count(text) != 0)
    shown += QString::fromLatin1(kViewedMark);
  return shown;
}

int CFindDoc::FileLineOf(int line) const {
  for (int l = std::min(line, LineCount() - 1); l >= 0; --l) {
    const std::string& text = list_.Lines()[static_cast<size_t>(l)];
    if (!text.empty() && text[0] != '\t') return l;
  }
  return -1;
}

CAbcDoc* CFindDoc::OpenFileOfLine(int fileLine) {
  CTunoraApp* app = CTunoraApp::Instance();
  if (app == nullptr || fileLine < 0) return nullptr;
  const std::string& path = list_.Lines()[static_cast<size_t>(fileLine)];
  auto* doc = qobject_cast<CAbcDoc*>(app->OpenDocumentFile(Q(path)));
  if (doc == nullptr) return nullptr;
  if (viewed_.insert(path).second) emit ListChanged();
  return doc;
}

bool CFindDoc::Activate(int line, FoundAction action) {
  const int fileLine = FileLineOf(line);
  CAbcDoc* doc = OpenFileOfLine(fileLine);
  if (doc == nullptr) return false;
  int position = 0;
  if (fromList_) {
    // A made list may be sorted: its line "number title" names the tune.
    position = TuneOfListLine(*doc, list_.Lines()[static_cast<size_t>(line)]);
  } else {
    // The tune of the line is the n-th tune of its file that the search finds.
    const int nth = std::max(line - fileLine, 1);
    TuneSearch search;
    std::string message, warning;
    if (!search.Prepare(request_, message, warning)) return false;
    for (int i = 0; i < nth; ++i) {
      const int found = FindInFile(*doc, search, position + 1, false);
      if (found == 0) break;
      position = found;
    }
  }
  if (position == 0) {
    // The file changed since the search: show it without a tune.
    doc->ActivateFirstView();
    return false;
  }
  ShowTune(*doc, position);
  SelectTuneLine(fileLine, *doc, position);
  switch (action) {
    case FoundAction::kEdit: doc->OnCommand(CommandId::kTuneEdit); break;
    case FoundAction::kRawEdit: doc->OnCommand(CommandId::kTuneRawEdit); break;
    case FoundAction::kPlay: doc->OnCommand(CommandId::kTunePlay); break;
    case FoundAction::kPlayNow: doc->OnCommand(CommandId::kTunePlayNow); break;
    default: break;
  }
  return true;
}

void CFindDoc::FindNext(bool backwards) {
  CFindView* view = View();
  const int selected = view != nullptr ? view->SelectedLine() : -1;
  if (selected < 0 && LineCount() == 0) {
    Tell(QStringLiteral("Could not find search string."));
    return;
  }
  // First the next tune in the file of the selected line.
  if (selected >= 0) {
    const int fileLine = FileLineOf(selected);
    if (CAbcDoc* doc = OpenFileOfLine(fileLine)) {
      const int current = CurrentPosition(*doc);
      if (FindAndShow(*doc, request_, backwards ? current - 1 : current + 1, backwards)) {
        SelectTuneLine(fileLine, *doc, CurrentPosition(*doc));
        return;
      }
    }
  }
  // Then the next (or previous) file of the list.
  const int from = selected >= 0 ? FileLineOf(selected) : (backwards ? LineCount() : -1);
  for (int l = from + (backwards ? -1 : 1); l >= 0 && l < LineCount(); l += backwards ? -1 : 1) {
    const std::string& text = list_.Lines()[static_cast<size_t>(l)];
    if (text.empty() || text[0] == '\t') continue;
    if (view != nullptr) view->SelectLine(l);
    CTunoraApp* app = CTunoraApp::Instance();
    const int action = app != nullptr ? app->GetSettings().search.findDefaultButton : 1;
    if (backwards) {
      // Backwards the file is entered at its last tune found.
      if (CAbcDoc* doc = OpenFileOfLine(l)) {
        if (FindAndShow(*doc, request_, static_cast<int>(doc->File().TuneCount()), true)) {
          SelectTuneLine(l, *doc, CurrentPosition(*doc));
          return;
        }
      }
      continue;
    }
    Activate(l, static_cast<FoundAction>(std::clamp(action, 0, 3)));
    return;
  }
  Tell(QStringLiteral("No more matches found."));
}

int CFindDoc::TuneOfListLine(CAbcDoc& doc, const std::string& text) {
  // TAB, number, blank, title: the tune with that number and title, else the first
  // with that number.
  const std::string entry = !text.empty() && text[0] == '\t' ? text.substr(1) : text;
  const size_t blank = entry.find(' ');
  int number = 0;
  try {
    number = std::stoi(entry.substr(0, blank));
  } catch (...) {
    return 0;
  }
  const std::string title = blank == std::string::npos ? std::string() : entry.substr(blank + 1);
  int first = 0;
  for (int p = 1; p <= static_cast<int>(doc.File().TuneCount()); ++p) {
    const TuneRecord* tune = doc.File().TuneAt(p);
    if (tune == nullptr || tune->number != number) continue;
    if (std::find(tune->titles.begin(), tune->titles.end(), title) != tune->titles.end()) return p;
    if (first == 0) first = p;
  }
  return first;
}

void CFindDoc::SelectTuneLine(int fileLine, CAbcDoc& doc, int position) {
  CFindView* view = View();
  if (view == nullptr || fileLine < 0) return;
  if (fromList_) {
    // A made list names its tunes: the line of the tune shown.
    const TuneRecord* tune = doc.File().TuneAt(position);
    for (int l = fileLine + 1; tune != nullptr && l < LineCount(); ++l) {
      const std::string& text = list_.Lines()[static_cast<size_t>(l)];
      if (text.empty() || text[0] != '\t') break;
      if (TuneOfListLine(doc, text) == position) {
        view->SelectLine(l);
        return;
      }
    }
    return;
  }
  // The tune is the n-th tune of its file that the search finds, listed on the
  // n-th line under the file's line.
  TuneSearch search;
  std::string message, warning;
  if (!search.Prepare(request_, message, warning)) return;
  int nth = 0;
  for (int p = FindInFile(doc, search, 1, false); p != 0 && p <= position;
       p = FindInFile(doc, search, p + 1, false))
    ++nth;
  const int line = fileLine + std::max(nth, 1);
  if (line < LineCount() && list_.Lines()[static_cast<size_t>(line)].starts_with('\t') &&
      FileLineOf(line) == fileLine)
    view->SelectLine(line);
}

bool CFindDoc::OnCommand(CommandId id) {
  switch (id) {
    case CommandId::kEditFindNext:
    case CommandId::kEditFindPrevious: FindNext(id == CommandId::kEditFindPrevious); return true;
    default: return false;
  }
}

bool CFindDoc::OnUpdateCommand(CommandId id, CommandState& state) {
  switch (id) {
    case CommandId::kEditFindNext:
    case CommandId::kEditFindPrevious: state.enabled = true; return true;
    default: return false;
  }
}

// --- view -------------------------------------------------------------------------------

CFindView::CFindView(CFindDoc* document, QWidget* parent) : CMinFormView(document, parent) {
  list_ = new QListWidget(this);
  list_->setObjectName(QStringLiteral("FoundList"));
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  stop_ = new QPushButton(QStringLiteral("&Stop Find"), this);
  stop_->setObjectName(QStringLiteral("StopFind"));
  count_ = new QLabel(this);
  count_->setObjectName(QStringLiteral("Count"));
  legend_ = new QLabel(QStringLiteral("(*) = already viewed"), this);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(stop_);
  bottom->addWidget(count_, 1);
  bottom->addWidget(legend_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_, 1);
  layout->addLayout(bottom);
  SetFormSize(QSize(480, 320));
  connect(stop_, &QPushButton::clicked, this, [this] { Doc()->Stop(); });
  connect(list_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
    CTunoraApp* app = CTunoraApp::Instance();
    const int action = app != nullptr ? app->GetSettings().search.findDefaultButton : 1;
    Doc()->Activate(list_->row(item), static_cast<FoundAction>(std::clamp(action, 0, 3)));
  });
  connect(document, &CFindDoc::ListChanged, this, &CFindView::Refresh);
  Refresh();
}

CFindDoc* CFindView::Doc() const { return static_cast<CFindDoc*>(Document()); }

void CFindView::Refresh() {
  CFindDoc* doc = Doc();
  const int selected = SelectedLine();
  const int n = doc->LineCount();
  while (list_->count() > n) delete list_->takeItem(list_->count() - 1);
  for (int i = 0; i < n; ++i) {
    const QString text = doc->LineText(i);
    if (i < list_->count()) {
      if (list_->item(i)->text() != text) list_->item(i)->setText(text);
    } else {
      list_->addItem(text);
    }
  }
  if (selected >= 0 && selected < n) list_->setCurrentRow(selected);
  stop_->setEnabled(doc->Running());
  count_->setText(QStringLiteral("%1 matching files").arg(doc->List().MatchingFiles()));
}

int CFindView::SelectedLine() const {
  const QList<QListWidgetItem*> items = list_->selectedItems();
  return items.isEmpty() ? -1 : list_->row(items.front());
}

void CFindView::SelectLine(int line) {
  if (line >= 0 && line < list_->count()) list_->setCurrentRow(line);
}

void CFindView::OnUpdate(CMinFormView*, int) { Refresh(); }

void CFindView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && Doc()->Running()) {
    Doc()->Stop();
    return;
  }
  CMinFormView::keyPressEvent(event);
}

bool CFindView::OnCommand(CommandId id) {
  FoundAction action;
  switch (id) {
    case CommandId::kTuneEdit: action = FoundAction::kEdit; break;
    case CommandId::kTuneRawEdit: action = FoundAction::kRawEdit; break;
    case CommandId::kTunePlay: action = FoundAction::kPlay; break;
    case CommandId::kTunePlayNow: action = FoundAction::kPlayNow; break;
    default: return false;
  }
  const int line = SelectedLine();
  if (line >= 0) Doc()->Activate(line, action);
  return true;
}

bool CFindView::OnUpdateCommand(CommandId id, CommandState& state) {
  switch (id) {
    case CommandId::kTuneEdit:
    case CommandId::kTuneRawEdit:
    case CommandId::kTunePlay:
    case CommandId::kTunePlayNow:
      state.enabled = SelectedLine() >= 0 && !Doc()->Running();
      return true;
    default: return false;
  }
}

// --- commands ---------------------------------------------------------------------------

bool RunFindCommand(CommandId id, QWidget* parent) {
  CTunoraApp* app = CTunoraApp::Instance();
  switch (id) {
    case CommandId::kEditFind: {
      CMinFormDoc* active = app != nullptr && app->MainFrame() != nullptr
                                ? app->MainFrame()->ActiveDocument()
                                : nullptr;
      auto* doc = qobject_cast<CAbcDoc*>(active);
      if (doc == nullptr) {
        // Find outside a tune list searches files.
        return RunFindCommand(CommandId::kEditFindFile, parent);
      }
      CFindDlg dialog(true, parent);
      if (dialog.exec() != QDialog::Accepted) return true;
      Last() = LastFind{true, doc, dialog.Request()};
      const int start = dialog.FromBeginning() ? 1 : std::max(CurrentPosition(*doc), 1);
      if (!FindAndShow(*doc, dialog.Request(), start, false))
        Tell(QStringLiteral("Could not find search string."));
      return true;
    }
    case CommandId::kEditFindFile: {
      CFindDlg dialog(false, parent);
      if (dialog.exec() != QDialog::Accepted) return true;
      for (CMinFormDoc* doc : app != nullptr ? app->Documents() : std::vector<CMinFormDoc*>{})
        if (auto* find = qobject_cast<CFindDoc*>(doc); find != nullptr && find->Running()) {
          Tell(QStringLiteral("A search is already in progress. Please stop it first."));
          return true;
        }
      CFindDoc::StartSearch(dialog.Request(), dialog.Files(), dialog.Subdirectories());
      return true;
    }
    case CommandId::kEditFindNext:
    case CommandId::kEditFindPrevious: {
      const bool backwards = id == CommandId::kEditFindPrevious;
      LastFind& last = Last();
      if (last.inFile && last.doc != nullptr) {
        const int current = CurrentPosition(*last.doc);
        if (!FindAndShow(*last.doc, last.request, backwards ? current - 1 : current + 1, backwards))
          Tell(QStringLiteral("No more matches found."));
        return true;
      }
      if (CFindDoc* find = CFindDoc::First()) {
        find->FindNext(backwards);
        return true;
      }
      return RunFindCommand(CommandId::kEditFind, parent);
    }
    default: return false;
  }
}

void RegisterFindTemplate(DocTemplateRegistry& registry) {
  DocTemplate t;
  t.name = QStringLiteral("Find");
  t.resourceId = CFindDoc::kResourceId;
  t.createDocument = [] { return new CFindDoc; };
  t.createView = [](CMinFormDoc* doc) { return new CFindView(static_cast<CFindDoc*>(doc)); };
  t.saveWindow = [](CMinFormView* view) -> std::optional<WindowDoc> {
    if (qobject_cast<CFindView*>(view) == nullptr) return std::nullopt;
    WindowDoc doc;
    doc.kind = WindowDoc::Kind::kFileSearch;
    return doc;
  };
  // The window comes back empty, titled "Found Files", ready for Find File.
  t.restoreWindow = [](const WindowDoc&) -> CMinFormView* {
    CFindDoc* doc = CFindDoc::OpenWindow(false);
    return doc != nullptr ? doc->FirstView() : nullptr;
  };
  t.saveFirstOnly = true;
  registry.Register(std::move(t));
}

}  // namespace tunora
