#include "gui/play/CPlayDoc.h"

#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <new>

#include "base/IniFile.h"
#include "app/Settings.h"
#include "base/TextEncoding.h"
#include "gui/app/CLarkFileDialog.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/CMinFormView.h"
#include "gui/app/CTunoraApp.h"
#include "gui/app/DocTemplate.h"
#include "gui/app/Messages.h"
#include "gui/play/HeardNotes.h"
#include "gui/play/PlayDialogs.h"
#include "platform/midi/qt/MidiNoticeRelay.h"
#include "play/MidiFileWriter.h"
#include "play/PlayerFields.h"
#include "play/StyleSet.h"
#include "play/TuneBuild.h"
#include "tunefile/TuneFile.h"

namespace tunora {

namespace {

const QString kNoMemory = QStringLiteral(
    "There is not enough memory available for MIDI buffer.\nPlease close some other programs "
    "and try again.");
constexpr unsigned kResolution = 192;

std::string& LastDroneText() {
  static std::string drone;
  return drone;
}

const Settings& CurrentSettings() {
  if (CTunoraApp* app = CTunoraApp::Instance()) return app->GetSettings();
  static const Settings defaults;
  return defaults;
}

int PassesOf(int repeat) { return std::clamp(repeat, 1, 100); }

bool Blank(std::string_view s) { return s.find_first_not_of(" \t\r\n") == std::string_view::npos; }

QString Display(std::string_view bytes, bool utf8) {
  const std::string text = DecodeText(bytes, utf8 ? TextEncoding::kUtf8 : TextEncoding::kCp1252);
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

CPlayDoc::CPlayDoc(QObject* parent)
    : CMinFormDoc(parent), relay_(new MidiNoticeRelay(this)), positionTimer_(new QTimer(this)) {
  connect(relay_, &MidiNoticeRelay::roomAgain, this, &CPlayDoc::OnRoom);
  connect(relay_, &MidiNoticeRelay::queueEmpty, this, &CPlayDoc::OnEmpty);
  positionTimer_->setInterval(kPositionInterval);
  connect(positionTimer_, &QTimer::timeout, this, &CPlayDoc::UpdatePosition);
  const MidiSettings& m = CurrentSettings().midi;
  passes_ = PassesOf(m.repeat);
  SetTitle(QStringLiteral("Play Tune"));
}

CPlayDoc::~CPlayDoc() {
  // Whatever happens, nothing stays open behind a window that is gone.
  destroying_ = true;
  if (sync_ != 0 || out_ != 0) Stop();
}

// --- the player windows -------------------------------------------------------------

CPlayDoc* CPlayDoc::First() {
  CTunoraApp* app = CTunoraApp::Instance();
  if (app == nullptr) return nullptr;
  for (CMinFormDoc* doc : app->Documents())
    if (auto* play = qobject_cast<CPlayDoc*>(doc)) return play;
  return nullptr;
}

CPlayDoc* CPlayDoc::Busy() {
  CTunoraApp* app = CTunoraApp::Instance();
  if (app == nullptr) return nullptr;
  for (CMinFormDoc* doc : app->Documents())
    if (auto* play = qobject_cast<CPlayDoc*>(doc); play && play->IsBusy()) return play;
  return nullptr;
}

CPlayDoc* CPlayDoc::OpenWindow() {
  if (CPlayDoc* first = First()) return first;
  CTunoraApp* app = CTunoraApp::Instance();
  const DocTemplate* t = app ? app->Templates().FindById(kPlayerTemplateId) : nullptr;
  if (t == nullptr) return nullptr;
  auto* doc = qobject_cast<CPlayDoc*>(app->CreateDocument(*t));
  if (doc == nullptr) return nullptr;
  if (app->ShowNewView(doc) == nullptr) {
    app->CloseDocument(doc);
    return nullptr;
  }
  return doc;
}

// --- the tune -----------------------------------------------------------------------

bool CPlayDoc::ParseRequest(const PlayRequest& request, Tune& tune) {
  if (Blank(request.tuneText)) return false;
  const std::string text = LfToCrLf(request.tuneText);
  TuneFile::ParseTune(tune.record, text, false);
  tune.header = request.fileHeader;
  tune.utf8 = IsValidUtf8(request.tuneText);
  return true;
}

CPlayDoc::Shown CPlayDoc::ShownOf(const Tune& tune) {
  Shown shown;
  const TuneRecord& r = tune.record;
  shown.title = Display(r.titles.empty() ? std::string() : r.titles.front(), tune.utf8);
  for (const PlayerFieldRow& row : PlayerFieldRows(r, CurrentSettings().preferences.fieldOrder)) {
    shown.fields.emplace_back(QString::fromLatin1(row.label.c_str()),
                              Display(row.value, tune.utf8));
  }
  return shown;
}

PlaySettings CPlayDoc::Gather(TuneBuild& build, const Tune& tune, const std::string* drone) const {
  PlaySettings ps =
      build.Gather(CurrentSettings().midi, tune.record, StyleSet::Application(), LastDrone());
  ps.backingStyle = backingStyle_;
  if (drone != nullptr) ChooseDrone(ps, *drone);
  return ps;
}

bool CPlayDoc::SetTune(const PlayRequest& request, CMinFormDoc* fileDoc) {
  Entry entry;
  if (!ParseRequest(request, entry.tune)) return false;
  entry.noMessages = request.noMessages;
  entry.onErrors = request.onErrors;
  hasTune_ = true;
  fileDoc_ = fileDoc;

  // What the next Play uses, as the settings give it.
  const MidiSettings& m = CurrentSettings().midi;
  const StyleSet& styles = StyleSet::Application();
  if (const Backing* backing = styles.SelectBacking(backingStyle_)) {
    backingStyle_ = backing->name;
  } else {
    backingStyle_.clear();
  }
  passes_ = PassesOf(m.repeat);
  Shown& shown = entry.shown;
  shown = ShownOf(entry.tune);
  {
    TuneBuild build(entry.tune.header, &UserSymbols::Application());
    PlaySettings ps = Gather(build, entry.tune, nullptr);
    shown.drone = ps.droneText;
    // The tune's length for the display; its errors are told when it plays.
    ps.merged = true;
    ps.repeat = 1;
    if (build.Build(ps, styles)) shown.lengthQuarters = build.Perf().LengthQuarters();
  }
  shown.passes = passes_;
  shownTag_ = 0;
  ShowTune(std::move(entry));
  SetTitle(QStringLiteral("Play Tune: ") + TuneTitle());
  return true;
}

void CPlayDoc::ShowTune(Entry entry) {
  current_ = std::move(entry);
  positionQuarters_ = 0;
  emit TuneChanged();
  emit PositionChanged();
}

void CPlayDoc::SetBackingStyle(const std::string& name) { backingStyle_ = name; }

void CPlayDoc::SetDroneText(const std::string& text) { current_.shown.drone = text; }

void CPlayDoc::SetPasses(int passes) {
  passes_ = PassesOf(passes);
  if (!IsBusy()) {
    current_.shown.passes = passes_;
    emit TuneChanged();
  }
}

const std::string& CPlayDoc::LastDrone() { return LastDroneText(); }

QString CPlayDoc::InProgressMessage() {
  return QStringLiteral("Play is already in progress.\nPlease close it or stop it first.");
}

// --- building -------------------------------------------------------------------------

bool CPlayDoc::BuildPiece(const Tune& tune, const std::string* drone, int passes, PlayPiece& piece,
                          Shown& shown, std::string& errors) {
  const MidiSettings& m = CurrentSettings().midi;
  try {
    TuneBuild build(tune.header, &UserSymbols::Application());
    PlaySettings ps = Gather(build, tune, drone);
    if (!build.BuildPiece(ps, StyleSet::Application(), passes, m.delay, piece)) return false;
    Performance& perf = build.Perf();
    piece.tag = nextTag_++;
    shown = ShownOf(tune);
    shown.drone = ps.droneText;
    shown.lengthQuarters = perf.LengthQuarters();
    shown.notes = perf.NoteStarts();
    shown.passes = passes;
    errors = perf.ErrorText();
    return true;
  } catch (const std::bad_alloc&) {
    piece.events = {};
    return false;
  }
}

void CPlayDoc::ReportErrors(const std::string& errors, bool noMessages,
                            const std::function<void(const std::string&)>& onErrors) {
  if (onErrors) onErrors(errors);
  if (!errors.empty() && !noMessages) ShowAbcErrors(DialogParent(), errors);
}

QWidget* CPlayDoc::DialogParent() const {
  if (CMinFormView* view = FirstView()) return view;
  CTunoraApp* app = CTunoraApp::Instance();
  return app ? app->MainFrame() : nullptr;
}

// --- playing ----------------------------------------------------------------------------

QString CPlayDoc::StatusText() const {
  if (!statusOverride_.isEmpty()) return statusOverride_;
  switch (state_) {
    case State::kReading: return QStringLiteral("Reading Tune...");
    case State::kPlaying: return QStringLiteral("Playing...");
    case State::kPaused: return QStringLiteral("Paused...");
    case State::kIdle: break;
  }
  return {};
}

void CPlayDoc::SetState(State state) {
  state_ = state;
  emit StateChanged();
  if (CTunoraApp* app = CTunoraApp::Instance(); app && app->MainFrame())
    app->MainFrame()->UpdateCommands();
}

void CPlayDoc::TellHeard(std::optional<uint64_t> ticks) {
  int64_t offset = -1;
  const uint64_t pass = uint64_t{current_.shown.lengthQuarters} * kResolution;
  if (ticks && pass > 0) {
    // Every pass plays the same music.
    if (const Performance::NoteStart* n = Performance::NoteAt(current_.shown.notes, *ticks % pass))
      offset = n->offset;
  }
  if (offset == heardOffset_) return;
  heardOffset_ = offset;
  emit HeardNotes::Instance().Heard(offset >= 0 ? &current_.tune.record : nullptr, offset);
}

void CPlayDoc::ToIdle() {
  TellHeard(std::nullopt);
  positionTimer_->stop();
  feeder_.Clear();
  playShown_.clear();
  positionQuarters_ = 0;
  SetState(State::kIdle);
  emit PositionChanged();
}

bool CPlayDoc::Play() {
  if (IsBusy() || (Busy() != nullptr && Busy() != this)) {
    MessageWarning(DialogParent(), InProgressMessage());
    return false;
  }
  if (!hasTune_) return false;
  // A device left open by an earlier play is closed first.
  if (sync_ != 0 || out_ != 0) Stop();
  cancelled_ = false;

  SetTitle(QStringLiteral("Play Tune: ") + TuneTitle());
  SetState(State::kReading);
  if (CMinFormView* view = FirstView()) view->repaint();

  PlayPiece piece;
  Shown shown;
  std::string errors;
  const std::string drone = current_.shown.drone;
  if (!BuildPiece(current_.tune, &drone, passes_, piece, shown, errors)) {
    ToIdle();
    MessageError(DialogParent(), kNoMemory);
    return false;
  }
  QPointer<CPlayDoc> self(this);
  ReportErrors(errors, current_.noMessages, current_.onErrors);
  if (self.isNull()) return false;
  CTunoraApp* app = CTunoraApp::Instance();
  if (!cancelled_ && app != nullptr && app->CommandLine().midiDebug) {
    CDebugMidiDlg debug(DialogParent(), piece.events);
    debug.exec();
    if (self.isNull()) return false;
  }
  if (cancelled_) {
    ToIdle();
    return false;
  }

  SetState(State::kPlaying);
  LastDroneText() = shown.drone;
  const uint64_t tag = piece.tag;
  playShown_.clear();
  Entry entry{current_.tune, shown, current_.noMessages, current_.onErrors};
  playShown_[tag] = entry;
  shownTag_ = tag;
  ShowTune(std::move(entry));
  feeder_.Start(std::move(piece));

  MidiLib& lib = MidiLib::Application();
  sync_ = lib.OpenSync(relay_->Notify());
  if (sync_ == 0) {
    ToIdle();
    MessageError(DialogParent(), QStringLiteral("Cannot create timer"));
    return false;
  }
  lib.SetResolution(sync_, kResolution);
  const unsigned device = app != nullptr ? app->MidiDevice() : 0u;
  out_ = lib.OpenMidiOut(device, sync_, kQueueCapacity);
  if (out_ == 0) {
    const std::string reason = lib.LastError();
    lib.CloseSync(sync_);
    sync_ = 0;
    ToIdle();
    ReportFailure(QStringLiteral("Cannot open MIDI device"), reason);
    return false;
  }
  Feed();
  if (out_ == 0) return false;  // the device refused the first events
  lib.StartSync(sync_);
  positionTimer_->start();
  return true;
}

void CPlayDoc::Feed() {
  if (out_ == 0) return;
  if (feeder_.Feed(MidiLib::Application(), out_) != PlayFeeder::FeedResult::kFailed) return;
  const std::string reason = MidiLib::Application().LastError();
  Stop();
  ReportFailure(QStringLiteral("The MIDI device did not take the music."), reason);
}

void CPlayDoc::ReportFailure(const QString& text, const std::string& reason) {
  if (destroying_) return;
  QString message = text;
  if (!reason.empty()) message += QStringLiteral("\n\n") + QString::fromStdString(reason);
  MessageError(DialogParent(), message);
}

void CPlayDoc::OnRoom(MidiOut out) {
  if (out != 0 && out == out_) Feed();
}

void CPlayDoc::OnEmpty(MidiOut out) {
  if (out == 0 || out != out_) return;
  if (feeder_.Finished(MidiLib::Application(), out_)) {
    Stop();
  } else {
    Feed();
  }
}

void CPlayDoc::UpdatePosition() {
  if (sync_ == 0) return;
  const uint64_t position = MidiLib::Application().SyncPosition(sync_);
  const std::optional<PlayFeeder::Heard> heard = feeder_.HeardAt(position);
  if (!heard) return;
  if (heard->tag != shownTag_) {
    // A queued tune is heard now: it becomes the window's tune.
    auto it = playShown_.find(heard->tag);
    if (it != playShown_.end()) {
      shownTag_ = heard->tag;
      passes_ = it->second.shown.passes;
      ShowTune(it->second);
      SetTitle(QStringLiteral("Play Tune: ") + TuneTitle());
      // The tunes before it are done.
      playShown_.erase(playShown_.begin(), it);
    }
  }
  TellHeard(heard->ticks);
  const uint32_t quarters =
      static_cast<uint32_t>(std::min<uint64_t>(heard->ticks / kResolution, PlayLengthQuarters()));
  if (quarters != positionQuarters_) {
    positionQuarters_ = quarters;
    emit PositionChanged();
  }
}

void CPlayDoc::Stop() {
  if (state_ == State::kReading) {
    // Play is waiting for a dialog: it ends when the dialog closes.
    cancelled_ = true;
    return;
  }
  if (state_ == State::kIdle && sync_ == 0 && out_ == 0) return;
  UpdatePosition();
  if (CurrentSettings().midi.keepDrone) StoreDrone();
  MidiLib& lib = MidiLib::Application();
  if (sync_ != 0) lib.StopSync(sync_);
  bool finished = true;
  std::string reason;
  if (out_ != 0) {
    lib.ResetMidiOut(out_);
    finished = lib.CloseMidiOut(out_) != kMidiDeviceFailed;
    if (!finished) reason = lib.LastError();
  }
  if (sync_ != 0) lib.CloseSync(sync_);
  sync_ = 0;
  out_ = 0;
  ToIdle();
  // A device that could not finish its output (a sound file it writes) says why.
  if (!finished)
    ReportFailure(QStringLiteral("The MIDI device could not finish the music."), reason);
}

void CPlayDoc::StoreDrone() {
  CTunoraApp* app = CTunoraApp::Instance();
  if (app == nullptr) return;
  const std::string& drone = current_.shown.drone;
  app->GetSettings().midi.drone = drone;
  LastDroneText() = drone;
  IniFile ini;
  ini.Load(app->IniPath());
  ini.WriteString("Midi", "Drone", drone);
  if (ini.Modified()) ini.Save();
}

void CPlayDoc::Pause() {
  MidiLib& lib = MidiLib::Application();
  if (state_ == State::kPlaying && sync_ != 0) {
    lib.PauseSync(sync_, 1);
    UpdatePosition();
    SetState(State::kPaused);
  } else if (state_ == State::kPaused && sync_ != 0) {
    lib.ReStartSync(sync_);
    SetState(State::kPlaying);
  }
}

bool CPlayDoc::Enqueue(const PlayRequest& request) {
  if (state_ != State::kPlaying && state_ != State::kPaused) return false;
  Tune tune;
  if (!ParseRequest(request, tune)) return false;
  PlayPiece piece;
  Shown shown;
  std::string errors;
  if (!BuildPiece(tune, nullptr, PassesOf(CurrentSettings().midi.repeat), piece, shown, errors)) {
    MessageError(DialogParent(), kNoMemory);
    return false;
  }
  QPointer<CPlayDoc> self(this);
  ReportErrors(errors, request.noMessages, request.onErrors);
  if (self.isNull() || (state_ != State::kPlaying && state_ != State::kPaused)) return false;
  playShown_[piece.tag] = Entry{std::move(tune), shown, request.noMessages, request.onErrors};
  feeder_.Enqueue(std::move(piece));
  Feed();
  return out_ != 0;
}

// --- MIDI file ------------------------------------------------------------------------------

void CPlayDoc::SaveMidiAs() {
  if (!hasTune_) return;
  const Tune& tune = current_.tune;
  std::string name =
      CleanFileName(tune.record.titles.empty() ? std::string() : tune.record.titles.front());
  if (name.empty()) name = "tune";
  QString proposed = Display(name, tune.utf8) + QStringLiteral(".mid");
  if (fileDoc_ && !fileDoc_->PathName().isEmpty())
    proposed = QFileInfo(fileDoc_->PathName()).absolutePath() + QLatin1Char('/') + proposed;
  QString path = CLarkFileDialog::GetSaveFileName(DialogParent(), QStringLiteral("Save MIDI File"),
                                                  proposed, QStringLiteral("MIDI File (*.mid)"));
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".mid");
  SaveMidi(path);
}

bool CPlayDoc::SaveMidi(const QString& path) {
  if (!hasTune_) return false;
  statusOverride_ = QStringLiteral("Writing...");
  emit StateChanged();
  if (CMinFormView* view = FirstView()) view->repaint();
  std::string error;
  bool ok = false;
  try {
    TuneBuild build(current_.tune.header, &UserSymbols::Application());
    PlaySettings ps = Gather(build, current_.tune, &current_.shown.drone);
    if (!build.BuildForFile(ps, StyleSet::Application(), passes_)) {
      error = kNoMemory.toStdString();
    } else {
      ok = WriteMidiFile(build.Perf(), QFile::encodeName(path).toStdString(), error);
    }
  } catch (const std::bad_alloc&) {
    error = kNoMemory.toStdString();
  }
  statusOverride_.clear();
  emit StateChanged();
  if (!ok) MessageError(DialogParent(), QString::fromStdString(error));
  return ok;
}

// --- the window -----------------------------------------------------------------------------

void CPlayDoc::OnCloseDocument() {
  // Closing the player window stops the play.
  cancelled_ = true;
  if (state_ != State::kReading) Stop();
}

bool CPlayDoc::OnCommand(CommandId id) {
  switch (id) {
    case CommandId::kTunePlay:
    case CommandId::kTunePlayNow: Play(); return true;
    case CommandId::kTuneStopPlay: Stop(); return true;
    case CommandId::kTunePausePlay: Pause(); return true;
    default: return false;
  }
}

bool CPlayDoc::OnUpdateCommand(CommandId id, CommandState& state) {
  switch (id) {
    case CommandId::kTunePlay:
    case CommandId::kTunePlayNow: state.enabled = hasTune_ && Busy() == nullptr; return true;
    case CommandId::kTuneStopPlay:
      state.enabled = state_ == State::kPlaying || state_ == State::kPaused;
      return true;
    case CommandId::kTunePausePlay:
      state.enabled = state_ == State::kPlaying || state_ == State::kPaused;
      state.checked = state_ == State::kPaused;
      return true;
    default: return false;
  }
}

}  // namespace tunora
