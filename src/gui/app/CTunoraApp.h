// The application object: reads the command line, finds the program
// directory, loads the settings and the data files, registers the kinds of
// windows, creates the main frame and restores the windows of the last run.
// It owns the settings and everything loaded at start-up, and the open
// documents, until exit. There is one, reached through CTunoraApp::Instance().
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "base/MessageSink.h"
#include "app/RecentFiles.h"
#include "app/Settings.h"
#include "gui/app/Commands.h"
#include "gui/app/DocTemplate.h"
#include "tunefile/TuneFormat.h"
#include "tunefile/TuneFile.h"

namespace tunora {

class CMainFrame;
class CMinFormDoc;
class CMinFormView;
class UserSymbols;

class CTunoraApp : public QObject, public CommandTarget {
  Q_OBJECT

 public:
  // The QApplication must exist before.
  explicit CTunoraApp(QObject* parent = nullptr);
  ~CTunoraApp() override;

  static CTunoraApp* Instance() { return instance_; }

  // Start-up with the command-line words (without the program name). False
  // when the program cannot start (the user has been told).
  bool InitInstance(const QStringList& arguments);
  // What runs at exit after the main frame closed: NextTip and the histories.
  void ExitInstance();

  // --- what start-up loaded ---------------------------------------------------
  const CommandLineInfo& CommandLine() const { return commandLine_; }
  // The program directory, ending with "/".
  const std::string& ProgramDir() const { return programDir_; }
  QString ProgramDirQ() const { return QString::fromStdString(programDir_); }
  // Full path of a data file in the program directory.
  QString DataFilePath(const QString& name) const { return ProgramDirQ() + name; }
  // The path of the settings file.
  std::string IniPath() const { return programDir_ + std::string(kSettingsFileName); }

  Settings& GetSettings() { return settings_; }
  const Settings& GetSettings() const { return settings_; }
  // The environment of tune format strings (folders, date, incipit).
  const FormatEnv& GetFormatEnv() const { return formatEnv_; }
  // The options of new and opened tune files, from the settings.
  TuneFileOptions GetTuneFileOptions() const;
  // The application-wide user-defined symbols ("userdef.abc").
  UserSymbols& GetUserSymbols();
  // Pixels per inch of the screen, for drawing.
  double ScreenDpiX() const { return dpiX_; }
  double ScreenDpiY() const { return dpiY_; }
  // The MIDI output device chosen by the Device setting: its number in the MIDI
  // library's listing, kMidiNoDevice (0xFFFF) when no device has that description.
  // An empty Device setting means the built-in synth, so playing works out of the box.
  unsigned MidiDevice() const { return midiDevice_; }
  // Installs the MIDI devices (again, after the SoundFont changed) and looks up the
  // Device setting's number.
  void SetUpMidi();
  // Where engines send messages; shows a message box.
  MessageSink& Sink() { return *sink_; }

  // Writes the preferences (SaveSettings) and tells every window that the
  // settings changed (SettingsChanged). False when a file could not be written.
  bool SaveSettings();
  // Tells the windows that the settings changed without writing them.
  void ApplySettings();

  // --- windows ------------------------------------------------------------------
  CMainFrame* MainFrame() const { return mainFrame_; }
  DocTemplateRegistry& Templates() { return templates_; }
  RecentFiles& GetRecentFiles() { return recentFiles_; }
  // Puts a file at the front of the recent-file list (a document took that path).
  void NoteRecentFile(const QString& path);

  // Open documents, in the order they were opened.
  const std::vector<CMinFormDoc*>& Documents() const { return documents_; }
  // The open document with that path (compared as absolute, clean paths), or null.
  CMinFormDoc* FindDocument(const QString& path) const;
  // Every open document whose TuneFileDocument() is fileDoc.
  std::vector<CMinFormDoc*> DocumentsOnTunesOf(const CMinFormDoc* fileDoc) const;

  // Opens a file as a document of the kind that opens files: an open document
  // of that path is brought to the front instead. Null when it failed (the
  // user has been told). The path joins the recent-file list.
  CMinFormDoc* OpenDocumentFile(const QString& path);
  // A new, empty document of a kind, with its view in a frame; null on failure.
  CMinFormDoc* NewDocument(const DocTemplate& docTemplate);
  // Makes a document of a kind and its view without opening a file or calling
  // OnNewDocument (windows that set themselves up, such as the tune editor).
  // The caller initialises it and then calls ShowNewView.
  CMinFormDoc* CreateDocument(const DocTemplate& docTemplate);
  // Makes the view of a document, puts it into a frame in the MDI area, runs
  // the view's initial update and shows it.
  CMinFormView* ShowNewView(CMinFormDoc* document);
  // Closes a document and its windows without asking.
  void CloseDocument(CMinFormDoc* document);

  // Used by CMinFormDoc: forgets a document whose last view closed.
  void DocumentViewsGone(CMinFormDoc* document);

  // Commands no window handled (File New, File Open, Paste into a new file ...).
  bool OnCommand(CommandId id) override;
  bool OnUpdateCommand(CommandId id, CommandState& state) override;

  // Milliseconds since the start time (the banner stays up to 3000 ms).
  qint64 MillisecondsSinceStart() const { return startTime_.isValid() ? startTime_.elapsed() : 0; }

  // Runs the one-time checks after the banner closed (tip of the day ...).
  void RunOneTimeChecks();
  // Shows the tip of the day dialog.
  void ShowTips();

 signals:
  // The settings changed (preferences confirmed): windows refresh what depends on them.
  void SettingsChanged();
  // The list of open documents changed.
  void DocumentsChanged();

 private:
  void BuildFormatEnv();
  SettingsDataHooks DataHooks();
  void RestoreWindows();

  static CTunoraApp* instance_;

  CommandLineInfo commandLine_;
  std::string programDir_;
  Settings settings_;
  FormatEnv formatEnv_;
  std::unique_ptr<MessageSink> sink_;
  DocTemplateRegistry templates_;
  RecentFiles recentFiles_;
  CMainFrame* mainFrame_ = nullptr;
  std::vector<CMinFormDoc*> documents_;
  QElapsedTimer startTime_;
  double dpiX_ = 96;
  double dpiY_ = 96;
  bool exited_ = false;
  unsigned midiDevice_ = 0xFFFF;
};

}  // namespace tunora
