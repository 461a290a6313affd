#include "gui/app/CAutomation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <cctype>
#include <cstdio>
#include <filesystem>

#include "app/CommandLine.h"
#include "base/FileIO.h"
#include "base/TextEncoding.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/CTunoraApp.h"
#include "gui/app/Messages.h"
#include "gui/import/ImportCommand.h"
#include "gui/lists/MakeListCommand.h"
#include "gui/play/CPlayDoc.h"
#include "gui/play/PlayRequest.h"
#include "gui/search/CFindDoc.h"
#include "gui/tunefile/CAbcDoc.h"
#include "gui/tunefile/CAbcView.h"
#include "platform/ipc/AutomationClient.h"
#include "search/TuneSearch.h"

namespace tunora {

namespace {

CTunoraApp* App() { return CTunoraApp::Instance(); }
CMainFrame* Frame() { return App() ? App()->MainFrame() : nullptr; }

QString Path(const std::string& arg) { return QFile::decodeName(QByteArray::fromStdString(arg)); }

bool EndsWithNoCase(const std::string& s, std::string_view suffix) {
  if (s.size() < suffix.size()) return false;
  for (size_t i = 0; i < suffix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(s[s.size() - suffix.size() + i])) != suffix[i])
      return false;
  }
  return true;
}

// The current tune of a tune file as a play request; false on the header line.
bool CurrentTuneRequest(CAbcDoc& doc, PlayRequest& request) {
  CAbcView* view = doc.View();
  const TuneRecord* tune = view ? doc.File().TuneAt(view->CurrentLine()) : nullptr;
  if (tune == nullptr) return false;
  request.fileHeader = doc.File().headerText.value_or(std::string());
  request.tuneText = doc.File().WriteTune(*tune, false);
  // A program's request plays without asking anything (minimised, no error list).
  request.fromAutomation = true;
  request.noMessages = true;
  return true;
}

// A new, empty tune file; null when it could not be made.
CAbcDoc* NewTuneFile() {
  const DocTemplate* t = App() ? App()->Templates().FileTemplate() : nullptr;
  return t ? qobject_cast<CAbcDoc*>(App()->NewDocument(*t)) : nullptr;
}

}  // namespace

CAutomation::CAutomation(QObject* parent) : QObject(parent) {}

AutomationServer::Start CAutomation::StartServer(const QString& path) {
  QString socket = path.isEmpty() ? QString::fromStdString(AutomationSocketPath()) : path;
  if (socket.isEmpty()) return AutomationServer::Start::kFailed;
  delete server_;
  server_ = new AutomationServer([this](const std::string& text) { return Run(text); }, this);
  return server_->Listen(socket);
}

uint16_t CAutomation::Run(const std::string& text) {
  return RunAutomation(text, *this, state_).Status();
}

void CAutomation::Message(const std::string& text) {
  MessageInfo(Frame(), QString::fromStdString(text));
}

void CAutomation::BetweenCommands() {
  // Windows opened by the command before get ready before the next one.
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

CAbcDoc* CAutomation::ActiveTuneFile() {
  CMainFrame* frame = Frame();
  CMinFormDoc* doc = frame ? frame->ActiveDocument() : nullptr;
  if (doc == nullptr) return nullptr;
  auto* file = qobject_cast<CAbcDoc*>(doc);
  if (file == nullptr) file = qobject_cast<CAbcDoc*>(doc->TuneFileDocument());
  if (file != nullptr) file->ActivateFirstView();
  return file;
}

void CAutomation::ShowMainWindow() {
  CMainFrame* frame = Frame();
  if (frame == nullptr) return;
  if (frame->isMinimized()) {
    frame->showNormal();
  } else {
    frame->show();
  }
  frame->raise();
  frame->activateWindow();
}

bool CAutomation::Execute(const AutomationCommand& command, AutomationState& state) {
  const std::string& name = command.name;
  const std::vector<std::string>& args = command.args;
  CMainFrame* frame = Frame();
  if (App() == nullptr || frame == nullptr) return false;

  if (name == "open") {
    if (!args.empty()) state.result = static_cast<uint32_t>(Open(args));
    return true;
  }
  if (name == "chdir") {
    if (!QDir::setCurrent(Path(args[0]))) return true;
    state.result = 1;
    return true;
  }
  if (name == "new") return frame->RunCommand(CommandId::kFileNew), true;
  if (name == "close") return Close(args);
  if (name == "save" || name == "saveas") {
    CAbcDoc* doc = ActiveTuneFile();
    if (doc == nullptr) return true;
    if (name == "save") {
      if (doc->DoFileSave()) state.result = 1;
      return true;
    }
    QString path = QFileInfo(Path(args[0])).absoluteFilePath();
    if (doc->OnSaveDocument(path)) {
      doc->SetPathName(path);
      App()->NoteRecentFile(path);
      state.result = 1;
    }
    return true;
  }
  if (name == "tune") return SelectTune(args[0], state);
  if (name == "last" || name == "next" || name == "home") {
    CAbcDoc* doc = ActiveTuneFile();
    CAbcView* view = doc ? doc->View() : nullptr;
    if (view == nullptr) {
      if (name == "last" && state.debug) Message("DDE: No tune list");
      return true;
    }
    const int count = static_cast<int>(doc->File().TuneCount());
    if (name == "last") view->SelectLine(count);
    if (name == "home") view->SelectLine(0);
    if (name == "next" && view->CurrentLine() < count) view->SelectLine(view->CurrentLine() + 1);
    return true;
  }
  if (name == "tunecount") {
    CAbcDoc* doc = ActiveTuneFile();
    if (doc == nullptr) return true;
    const size_t count = doc->File().TuneCount();
    if (args[0] == "L") {
      state.result = static_cast<uint32_t>(count & 0xFFu);
    } else if (args[0] == "H") {
      state.result = static_cast<uint32_t>((count >> 8) & 0xFFu);
    } else {
      return false;
    }
    return true;
  }
  if (name == "play") return Play();
  if (name == "stop") return StopFirstPlayer(), true;
  if (name == "pause") {
    PauseFirstPlayer();
    state.result = IsPlayPaused() ? 1 : 0;
    return true;
  }
  if (name == "savemidi") return SaveMidi(args[0], state);
  if (name == "list") {
    MakeListFromCommand(args[0], std::vector<std::string>(args.begin() + 1, args.end()));
    return true;
  }
  if (name == "copy") return frame->RunCommand(CommandId::kEditCopy), true;
  if (name == "paste") return frame->RunCommand(CommandId::kEditPaste), true;
  if (name == "import") return Import(args, state);
  if (name == "minimize") return frame->showMinimized(), true;
  if (name == "restore") return frame->showNormal(), true;
  if (name == "quit") {
    // Exit runs once this string is done; nothing after quit runs.
    QTimer::singleShot(0, frame, [] {
      if (CMainFrame* f = Frame()) f->RunCommand(CommandId::kFileExit);
    });
    state.stop = true;
    return true;
  }
  if (name == "debug") {
    state.debug = !state.debug;
    return true;
  }
  return false;
}

int CAutomation::Open(const std::vector<std::string>& paths) {
  ShowMainWindow();
  int opened = 0;
  for (const std::string& path : paths) {
    if (OpenOne(Path(path))) ++opened;
  }
  return opened;
}

bool CAutomation::OpenOne(const QString& path) {
  const std::string name = path.toStdString();
  if (EndsWithNoCase(name, ".bmw") || EndsWithNoCase(name, ".bgp")) {
    CAbcDoc* doc = NewTuneFile();
    if (doc == nullptr) return false;
    QString status;
    ImportKind kind = EndsWithNoCase(name, ".bgp") ? ImportKind::kBgp : ImportKind::kBww;
    return ImportOneFile(*doc, kind, QFileInfo(path).absoluteFilePath(), status) > 0;
  }
  if (!App()->GetSettings().preferences.pasteDDEOpen) {
    return App()->OpenDocumentFile(path) != nullptr;
  }
  // Pasted into the active tune file after its current tune, as Paste does.
  std::string bytes, error;
  if (!ReadWholeFile(QFile::encodeName(path).toStdString(), bytes, error)) {
    MessageWarning(Frame(), QStringLiteral("Cannot open the file %1.").arg(path));
    return false;
  }
  size_t start = bytes.find_first_not_of(" \t\r\n");
  if (start == std::string::npos) return false;
  CAbcDoc* doc = ActiveTuneFile();
  if (doc == nullptr) doc = NewTuneFile();
  if (doc == nullptr) return false;
  // The pasted file's characters as its own bytes say, whatever the target file holds.
  std::string_view text = std::string_view(bytes).substr(start);
  const TextEncoding encoding = IsValidUtf8(text) ? TextEncoding::kUtf8 : TextEncoding::kCp1252;
  if (doc->PasteText(QString::fromStdString(DecodeText(text, encoding))) <= 0) return false;
  doc->SetModifiedFlag();
  return true;
}

bool CAutomation::Close(const std::vector<std::string>& args) {
  CAbcDoc* doc = ActiveTuneFile();
  if (doc == nullptr) return true;
  if (!args.empty() && args[0] == "N") doc->SetModifiedFlag(false);
  Frame()->RunCommand(CommandId::kFileClose);
  return true;
}

bool CAutomation::SelectTune(const std::string& what, AutomationState& state) {
  CAbcDoc* doc = ActiveTuneFile();
  if (doc == nullptr || doc->View() == nullptr) {
    if (state.debug) Message("DDE: No tune list");
    return true;
  }
  // A number is looked for in X: exactly, anything else in the titles loosely; the
  // user's search settings are left as they were.
  const SearchSettings& settings = App()->GetSettings().search;
  SearchRequest request;
  request.type = SearchRequest::kText;
  request.text.text = what;
  const bool number = std::isdigit(static_cast<unsigned char>(what[0])) != 0;
  request.text.field = number ? 'X' : 'T';
  request.text.exact = number;
  request.text.ignoreCase = settings.ignoreCase;
  request.text.loosePercent = number ? 0 : settings.looseMatch;
  TuneSearch search;
  std::string message, warning;
  int found = 0;
  if (!what.empty() && search.Prepare(request, message, warning)) {
    found = FindInFile(*doc, search, 1, false);
  }
  if (found == 0) {
    if (state.debug) Message("DDE: Tune not found");
    return true;
  }
  doc->View()->SelectLine(found);
  state.result = 1;
  return true;
}

bool CAutomation::Play() {
  CAbcDoc* doc = ActiveTuneFile();
  PlayRequest request;
  if (doc == nullptr || !CurrentTuneRequest(*doc, request)) return true;
  // A program asking for a tune wants to hear it: a running play gives way.
  if (CPlayDoc::Busy() != nullptr) StopFirstPlayer();
  RequestPlay(request);
  return true;
}

bool CAutomation::SaveMidi(const std::string& path, AutomationState& state) {
  CAbcDoc* doc = ActiveTuneFile();
  PlayRequest request;
  if (doc == nullptr || !CurrentTuneRequest(*doc, request)) return true;
  CPlayDoc* player = CPlayDoc::OpenWindow();
  // A player that plays keeps its tune; the file cannot be written now.
  if (player == nullptr || player->IsBusy()) return false;
  if (!player->SetTune(request, doc)) return false;
  if (player->SaveMidi(QFileInfo(Path(path)).absoluteFilePath())) state.result = 1;
  return true;
}

bool CAutomation::Import(const std::vector<std::string>& args, AutomationState& state) {
  ImportKind kind;
  std::string type = args[0];
  for (char& c : type) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (type != "sw" && type != "bmw" && type != "bgp") {
    if (state.debug) Message("DDE: Bad import type");
    return true;
  }
  ParseImportKind(type, kind);
  CAbcDoc* doc = ActiveTuneFile();
  if (doc == nullptr) return true;
  QString status;
  if (ImportOneFile(*doc, kind, QFileInfo(Path(args[1])).absoluteFilePath(), status) > 0) {
    state.result = 1;
  }
  return true;
}

bool ForwardToRunningProgram(const std::vector<std::string>& words, int& exitStatus) {
  if (!words.empty() && words[0] == "--dde") {
    if (words.size() != 2) {
      std::fprintf(stderr, "usage: tunora --dde 'COMMANDS'\n");
      exitStatus = 1;
    } else {
      exitStatus = RunAutomationClient(words[1]);
    }
    return true;
  }
  CommandLineInfo info = ParseCommandLine(words);
  if (info.fileToOpen.empty() || info.playerOnly) return false;
  std::error_code ec;
  std::filesystem::path file = std::filesystem::absolute(info.fileToOpen, ec);
  std::string command = ec ? "" : AutomationOpenCommand(file.lexically_normal().string());
  if (command.empty()) return false;  // a name the commands cannot carry opens here
  uint16_t status = 0;
  switch (SendAutomation(AutomationSocketPath(), command, 30000, status)) {
    case SendResult::kNoProgram: return false;
    case SendResult::kAnswered: exitStatus = 0; return true;
    case SendResult::kNoAnswer:
      // The running program has the request (it may be asking the user something):
      // a second program would only compete with it.
      exitStatus = 1;
      return true;
  }
  return false;
}

}  // namespace tunora
