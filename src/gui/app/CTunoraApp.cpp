#include "gui/app/CTunoraApp.h"

#include "lists/SettingsUse.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QScreen>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QWhatsThis>
#include <algorithm>

#include "abc/Incipit.h"
#include "abc/UserSymbols.h"
#include "draw/DrawSettings.h"
#include "platform/midi/MidiBackends.h"
#include "play/MidiLib.h"
#include "play/StyleSet.h"
#include "base/IniFile.h"
#include "app/ProgramDir.h"
#include "app/WindowList.h"
#include "gui/app/CAssociationDlg.h"
#include "gui/app/CBannerWnd.h"
#include "gui/app/ExternalProgramMenus.h"
#include "gui/app/CLarkFileDialog.h"
#include "gui/app/CHelpWnd.h"
#include "gui/app/CMainFrame.h"
#include "gui/import/CSongPlayerWnd.h"
#include "gui/lists/CMakeListDlg.h"
#include "gui/app/CMinFormDoc.h"
#include "gui/app/CMinFormMDIChild.h"
#include "gui/app/CMinFormView.h"
#include "gui/app/CPrefSheet.h"
#include "gui/search/CFindDoc.h"
#include "gui/app/CTipDlg.h"
#include "gui/tools/ChordwiseDialogs.h"
#include "gui/draw/CLayoutProp.h"
#include "gui/draw/DrawPrint.h"
#include "platform/canvas/PageOutput.h"
#include "gui/play/PlayRequest.h"
#include "gui/app/Messages.h"
#include "gui/play/options/PlayOptions.h"

namespace tunora {

CTunoraApp* CTunoraApp::instance_ = nullptr;

namespace {

// Engine messages appear in a message box over the main window.
class BoxSink : public MessageSink {
 public:
  void Message(std::string_view text) override {
    CTunoraApp* app = CTunoraApp::Instance();
    MessageWarning(app ? app->MainFrame() : nullptr, QString::fromStdString(std::string(text)));
  }
};

std::string ExecutableDir() {
  QString dir = QCoreApplication::applicationDirPath();
  if (dir.isEmpty()) dir = QDir::currentPath();
  std::string s = dir.toStdString();
  if (s.empty() || s.back() != '/') s += '/';
  return s;
}

QString CleanAbsolute(const QString& path) {
  return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

}  // namespace

CTunoraApp::CTunoraApp(QObject* parent) : QObject(parent), sink_(std::make_unique<BoxSink>()) {
  instance_ = this;
}

CTunoraApp::~CTunoraApp() {
  // A banner still up goes without running the checks.
  if (CBannerWnd* banner = CBannerWnd::Current()) {
    disconnect(banner, nullptr, this, nullptr);
    delete banner;
  }
  // Windows first: their documents still need the application while closing.
  delete mainFrame_;
  mainFrame_ = nullptr;
  for (CMinFormDoc* doc : std::vector<CMinFormDoc*>(documents_)) delete doc;
  documents_.clear();
  if (instance_ == this) instance_ = nullptr;
}

bool CTunoraApp::InitInstance(const QStringList& arguments) {
  // 1. The command line.
  std::vector<std::string> words;
  for (const QString& a : arguments) words.push_back(a.toStdString());
  commandLine_ = ParseCommandLine(words);

  // 2. The program directory and its settings file.
  std::string exeDir = ExecutableDir();
  std::string error;
  programDir_ = ResolveProgramDir(commandLine_.home, exeDir, DefaultDataDir(exeDir), error);
  if (programDir_.empty()) {
    MessageError(nullptr, QStringLiteral("Cannot find a folder for the settings: %1")
                              .arg(QString::fromStdString(error)));
    return false;
  }
  IniFile ini;
  ini.Load(IniPath());

  // 3. The banner.
  CBannerWnd* banner = nullptr;
  if (commandLine_.banner) {
    banner = new CBannerWnd();
    connect(banner, &CBannerWnd::Closed, this, &CTunoraApp::RunOneTimeChecks);
    banner->show();
    QCoreApplication::processEvents();
  }

  // 4. Start time, recent files, the screen's resolution.
  startTime_.start();
  recentFiles_.SetSize(ini.GetInt("Preferences", "RecentFileList", 4));
  recentFiles_.Read(ini);
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    dpiX_ = screen->logicalDotsPerInchX();
    dpiY_ = screen->logicalDotsPerInchY();
  }

  // 5. The kinds of windows.
  RegisterDocTemplates(templates_);

  // 6. The main frame.
  mainFrame_ = new CMainFrame();

  // 7, 8. The settings and the data files.
  SettingsDataHooks hooks = DataHooks();
  tunora::LoadSettings(programDir_, settings_, *sink_, hooks);
  LoadPrintSetup();
  LoadMusicFont(programDir_);
  LoadListTypes(programDir_);
  BuildFormatEnv();
  SetUpMidi();
  mainFrame_->UpdateRecentFileMenu();

  // 10. The instrument patches of the MIDI device; the banner must not hide a failure.
  if (settings_.midi.cachePatches) CacheMidiPatches(mainFrame_, &CBannerWnd::CloseCurrent);

  // 11. Show the main window where it was.
  auto placement = ReadMainPlacement(ini);
  if (placement && !commandLine_.noSave) {
    mainFrame_->ApplyPlacement(*placement, commandLine_.playerOnly);
  } else if (!commandLine_.playerOnly) {
    // First start: most of the screen, so new windows have room.
    QSize size(900, 650);
    if (QScreen* screen = mainFrame_->screen()) {
      const QSize room = screen->availableGeometry().size();
      size = size.expandedTo(room * 4 / 5).boundedTo(room);
    }
    mainFrame_->resize(size);
    mainFrame_->show();
  }
  if (!commandLine_.noSave) {
    QByteArray state =
        QByteArray::fromBase64(QByteArray::fromStdString(ini.GetString("Toolbars", "State", "")));
    if (!state.isEmpty()) mainFrame_->restoreState(state);
  }
  if (banner) banner->raise();

  // 12. The windows of the last run.
  if (commandLine_.empty && settings_.preferences.saveWindows && !commandLine_.playerOnly) {
    RestoreWindows();
  }

  // 13. The file of the command line.
  if (!commandLine_.fileToOpen.empty()) {
    OpenDocumentFile(QString::fromStdString(commandLine_.fileToOpen));
  }

  // 14. Player-only mode: the song player on the named file. When it cannot be
  // opened, the full program shows so that the program is not left invisible.
  if (commandLine_.playerOnly &&
      CSongPlayerWnd::Open(QString::fromStdString(commandLine_.playerFile)) == nullptr &&
      !mainFrame_->isVisible()) {
    mainFrame_->show();
  }

  if (banner) banner->StartTiming(this);
  mainFrame_->UpdateCommands();
  return true;
}

void CTunoraApp::ExitInstance() {
  if (exited_) return;
  exited_ = true;
  SaveExitSettings(programDir_, settings_, *sink_);
  IniFile ini;
  if (ini.Load(IniPath())) {
    recentFiles_.Write(ini);
    if (ini.Modified()) ini.Save();
  }
}

void CTunoraApp::BuildFormatEnv() { FillFormatEnv(formatEnv_, settings_, programDir_); }

SettingsDataHooks CTunoraApp::DataHooks() {
  SettingsDataHooks hooks;
  ConnectUserSymbols(hooks, UserSymbols::Application());
  ConnectDrawSettings(hooks, FormatSettings::Application(), LayoutParams::Application());
  ConnectStyleSet(hooks, *sink_, StyleSet::Application());
  hooks.loadExternalPrograms = [](const IniFile& ini) {
    LoadExternalPrograms(ini, AppExternalPrograms());
  };
  return hooks;
}

TuneFileOptions CTunoraApp::GetTuneFileOptions() const {
  return TuneFileOptionsFrom(settings_, &formatEnv_);
}

void CTunoraApp::SetUpMidi() {
  MidiLib& lib = MidiLib::Application();
  MidiBackendOptions options;
  options.soundFont = settings_.midi.soundFont;
  InstallMidiBackends(lib, options);
  const std::string& device = settings_.midi.device;
  midiDevice_ = device.empty() ? 0u : lib.FindOutDevice(device);
}

UserSymbols& CTunoraApp::GetUserSymbols() { return UserSymbols::Application(); }

bool CTunoraApp::SaveSettings() {
  SettingsDataHooks hooks = DataHooks();
  bool ok = tunora::SaveSettings(programDir_, settings_, *sink_, hooks);
  ApplySettings();
  return ok;
}

void CTunoraApp::ApplySettings() {
  BuildFormatEnv();
  recentFiles_.SetSize(settings_.preferences.recentFileList);
  if (mainFrame_) mainFrame_->UpdateRecentFileMenu();
  emit SettingsChanged();
}

// --- documents -------------------------------------------------------------------

CMinFormDoc* CTunoraApp::FindDocument(const QString& path) const {
  if (path.isEmpty()) return nullptr;
  QString wanted = CleanAbsolute(path);
  for (CMinFormDoc* doc : documents_) {
    if (!doc->PathName().isEmpty() && doc->TuneFileDocument() == nullptr &&
        CleanAbsolute(doc->PathName()) == wanted) {
      return doc;
    }
  }
  return nullptr;
}

std::vector<CMinFormDoc*> CTunoraApp::DocumentsOnTunesOf(const CMinFormDoc* fileDoc) const {
  std::vector<CMinFormDoc*> result;
  if (!fileDoc) return result;
  for (CMinFormDoc* doc : documents_) {
    if (doc->TuneFileDocument() == fileDoc) result.push_back(doc);
  }
  return result;
}

CMinFormDoc* CTunoraApp::CreateDocument(const DocTemplate& docTemplate) {
  if (!docTemplate.createDocument) return nullptr;
  CMinFormDoc* doc = docTemplate.createDocument();
  if (!doc) return nullptr;
  doc->SetTemplate(&docTemplate);
  documents_.push_back(doc);
  emit DocumentsChanged();
  return doc;
}

CMinFormView* CTunoraApp::ShowNewView(CMinFormDoc* document) {
  const DocTemplate* t = document ? document->Template() : nullptr;
  if (!t || !t->createView || !mainFrame_) return nullptr;
  CMinFormView* view = t->createView(document);
  if (!view) return nullptr;
  QMdiSubWindow* frame = mainFrame_->AddView(view);
  frame->show();
  view->OnInitialUpdate();
  mainFrame_->ActivateView(view);
  return view;
}

CMinFormDoc* CTunoraApp::OpenDocumentFile(const QString& path) {
  if (path.isEmpty()) return nullptr;
  QString full = CleanAbsolute(path);
  if (CMinFormDoc* open = FindDocument(full)) {
    open->ActivateFirstView();
    return open;
  }
  const DocTemplate* t = templates_.ForFile(full);
  if (!t) return nullptr;
  QFileInfo info(full);
  if (!info.isFile() || !info.isReadable()) {
    // The banner must not hide the message.
    CBannerWnd::CloseCurrent();
    MessageWarning(mainFrame_, QStringLiteral("Cannot open the file %1.").arg(full));
    recentFiles_.Remove(full.toStdString());
    if (mainFrame_) mainFrame_->UpdateRecentFileMenu();
    return nullptr;
  }
  CMinFormDoc* doc = CreateDocument(*t);
  if (!doc) return nullptr;
  if (!doc->OnOpenDocument(full)) {
    CBannerWnd::CloseCurrent();
    documents_.erase(std::remove(documents_.begin(), documents_.end(), doc), documents_.end());
    delete doc;
    emit DocumentsChanged();
    return nullptr;
  }
  if (doc->PathName().isEmpty()) doc->SetPathName(full);
  if (!ShowNewView(doc)) {
    CloseDocument(doc);
    return nullptr;
  }
  NoteRecentFile(full);
  return doc;
}

void CTunoraApp::NoteRecentFile(const QString& path) {
  recentFiles_.Add(CleanAbsolute(path).toStdString());
  if (mainFrame_) mainFrame_->UpdateRecentFileMenu();
}

CMinFormDoc* CTunoraApp::NewDocument(const DocTemplate& docTemplate) {
  CMinFormDoc* doc = CreateDocument(docTemplate);
  if (!doc) return nullptr;
  // Untitled documents are numbered per kind: Abc1, Abc2, ...
  int number = 1;
  for (;;) {
    QString title = docTemplate.name + QString::number(number);
    bool used = std::any_of(documents_.begin(), documents_.end(), [&](CMinFormDoc* d) {
      return d != doc && d->Template() == &docTemplate && d->PlainTitle() == title;
    });
    if (!used) break;
    ++number;
  }
  doc->SetTitle(docTemplate.name + QString::number(number));
  if (!doc->OnNewDocument() || !ShowNewView(doc)) {
    CloseDocument(doc);
    return nullptr;
  }
  return doc;
}

void CTunoraApp::CloseDocument(CMinFormDoc* document) {
  if (!document) return;
  if (document->Views().empty()) {
    DocumentViewsGone(document);
    return;
  }
  for (CMinFormView* view : std::vector<CMinFormView*>(document->Views())) {
    QMdiSubWindow* frame = view->Frame();
    if (auto* child = qobject_cast<CMinFormMDIChild*>(frame)) {
      child->CloseWithoutAsking();
    } else if (frame) {
      frame->setAttribute(Qt::WA_DeleteOnClose);
      frame->close();
    } else {
      delete view;
    }
  }
}

void CTunoraApp::DocumentViewsGone(CMinFormDoc* document) {
  auto it = std::find(documents_.begin(), documents_.end(), document);
  if (it == documents_.end()) return;
  documents_.erase(it);
  document->OnCloseDocument();
  document->deleteLater();
  emit DocumentsChanged();
}

// --- window list -------------------------------------------------------------------

void CTunoraApp::RestoreWindows() {
  IniFile ini;
  if (!ini.Load(IniPath())) return;
  SavedWindowList list = ReadWindowList(ini);
  CMinFormView* activeView = nullptr;
  for (size_t i = 0; i < list.windows.size(); ++i) {
    const SavedWindow& saved = list.windows[i];
    const DocTemplate* t = templates_.FindById(ResourceIdForWindow(saved.doc.kind));
    if (!t || !t->restoreWindow) continue;
    CMinFormView* view = t->restoreWindow(saved.doc);
    if (!view || !view->Frame()) continue;
    CMainFrame::ApplyFramePlacement(view->Frame(), saved.placement);
    if (list.numbers[i] == list.active) activeView = view;
  }
  if (activeView) mainFrame_->ActivateView(activeView);
}

// --- commands ------------------------------------------------------------------------

bool CTunoraApp::OnCommand(CommandId id) {
  switch (id) {
    case CommandId::kFileNew:
      if (const DocTemplate* t = templates_.FileTemplate()) NewDocument(*t);
      return true;
    case CommandId::kFileOpen: {
      // The dialog starts in the folder of the active file, else in the ABC folder.
      QString start = QString::fromStdString(settings_.preferences.abcDir);
      if (CMinFormDoc* active = mainFrame_ ? mainFrame_->ActiveDocument() : nullptr) {
        CMinFormDoc* file = active->TuneFileDocument() ? active->TuneFileDocument() : active;
        if (!file->PathName().isEmpty()) start = QFileInfo(file->PathName()).absolutePath();
      }
      QString path = CLarkFileDialog::GetOpenFileName(mainFrame_, QStringLiteral("Open"), start,
                                                      templates_.OpenFilter());
      if (!path.isEmpty()) OpenDocumentFile(path);
      return true;
    }
    case CommandId::kEditPaste: {
      // Paste with no tune file active: into a new tune file.
      const DocTemplate* t = templates_.FileTemplate();
      if (!t) return true;
      if (CMinFormDoc* doc = NewDocument(*t)) {
        if (CMinFormView* view = doc->FirstView(); !view || !view->OnCommand(id)) {
          doc->OnCommand(id);
        }
      }
      return true;
    }
    case CommandId::kFileImportBww:
    case CommandId::kFileImportBgp:
    case CommandId::kFileImportSongWright: {
      // Import with no tune file active: into a new tune file.
      const DocTemplate* t = templates_.FileTemplate();
      if (CMinFormDoc* doc = t ? NewDocument(*t) : nullptr) doc->OnCommand(id);
      return true;
    }
    case CommandId::kEditFind:
    case CommandId::kEditFindNext:
    case CommandId::kEditFindPrevious:
    case CommandId::kEditFindFile: return RunFindCommand(id, mainFrame_);
    case CommandId::kFileMakeList: RunMakeListCommand(mainFrame_); return true;
    case CommandId::kEditPreferences: {
      CPrefSheet sheet(mainFrame_);
      sheet.exec();
      return true;
    }
    case CommandId::kEditPlaybackOptions: ShowPlaybackOptions(mainFrame_); return true;
    case CommandId::kEditPlaybackSettings: ShowPlaybackSettings(mainFrame_); return true;
    case CommandId::kEditChordwiseOptions: {
      CChordwiseOptionsDlg dialog(mainFrame_);
      dialog.exec();
      return true;
    }
    case CommandId::kEditDrawLayout: RunLayoutSheet(mainFrame_); return true;
    case CommandId::kFilePrintSetup: RunPrintSetup(mainFrame_); return true;
    case CommandId::kHelpContents: ShowManual(mainFrame_, ProgramDirQ()); return true;
    case CommandId::kHelpTips: ShowTips(); return true;
    case CommandId::kHelpContext: QWhatsThis::enterWhatsThisMode(); return true;
    case CommandId::kHelpAbout:
      QMessageBox::about(
          mainFrame_, QStringLiteral("About Tunora"),
          QStringLiteral("<b>Tunora</b> %1<br>Folk tune collections in ABC "
                         "notation.<br><br>Program folder: %2")
              .arg(QCoreApplication::applicationVersion(), ProgramDirQ().toHtmlEscaped()));
      return true;
    case CommandId::kFileExit:
      if (mainFrame_) mainFrame_->close();
      return true;
    case CommandId::kTunePlay:
    case CommandId::kTunePlayNow: {
      // No tune file active: the clipboard goes into a new tune file, whose current
      // tune plays.
      const DocTemplate* t = templates_.FileTemplate();
      if (!t) return true;
      if (CMinFormDoc* doc = NewDocument(*t)) {
        doc->OnCommand(CommandId::kEditPaste);
        doc->OnCommand(id);
      }
      return true;
    }
    case CommandId::kTuneStopPlay: StopFirstPlayer(); return true;
    case CommandId::kTunePausePlay: PauseFirstPlayer(); return true;
    default: return false;
  }
}

bool CTunoraApp::OnUpdateCommand(CommandId id, CommandState& state) {
  switch (id) {
    case CommandId::kFileNew: state.enabled = templates_.FileTemplate() != nullptr; return true;
    case CommandId::kFileOpen:
    case CommandId::kFileImportBww:
    case CommandId::kFileImportBgp:
    case CommandId::kFileImportSongWright:
      state.enabled = templates_.FileTemplate() != nullptr;
      return true;
    case CommandId::kEditPaste:
      state.enabled =
          templates_.FileTemplate() != nullptr && !QGuiApplication::clipboard()->text().isEmpty();
      return true;
    case CommandId::kFileMakeList:
    case CommandId::kEditFind:
    case CommandId::kEditFindNext:
    case CommandId::kEditFindPrevious:
    case CommandId::kEditFindFile:
    case CommandId::kEditPreferences:
    case CommandId::kEditPlaybackOptions:
    case CommandId::kEditPlaybackSettings:
    case CommandId::kEditChordwiseOptions:
    case CommandId::kEditDrawLayout:
    case CommandId::kFilePrintSetup:
    case CommandId::kHelpContext:
    case CommandId::kHelpContents:
    case CommandId::kHelpTips:
    case CommandId::kHelpAbout:
    case CommandId::kFileExit: state.enabled = true; return true;
    case CommandId::kTunePlay:
    case CommandId::kTunePlayNow:
      state.enabled =
          templates_.FileTemplate() != nullptr && !QGuiApplication::clipboard()->text().isEmpty();
      return true;
    case CommandId::kTuneStopPlay:
    case CommandId::kTunePausePlay:
      state.enabled = IsPlaying();
      state.checked = id == CommandId::kTunePausePlay && IsPlayPaused();
      return true;
    default: return false;
  }
}

// --- banner and tips -------------------------------------------------------------------

void CTunoraApp::RunOneTimeChecks() {
  if (settings_.preferences.nextTip != 0) ShowTips();
  CheckAssociationAtStartup(mainFrame_);
  // No MIDI output device: the options let the user choose one.
  if (midiDevice_ == kMidiNoDevice && mainFrame_) {
    mainFrame_->RunCommand(CommandId::kEditPlaybackOptions);
  }
}

void CTunoraApp::ShowTips() {
  CTipDlg dialog(FirstTipNumber(settings_.preferences.nextTip), DataFilePath("tips.txt"),
                 mainFrame_);
  if (!dialog.HasTips()) return;
  dialog.ShowAtStartup()->setChecked(settings_.preferences.nextTip != 0);
  dialog.exec();
  settings_.preferences.nextTip = dialog.NextTipSetting();
}

}  // namespace tunora
