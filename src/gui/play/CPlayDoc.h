// The player: plays one tune, or a queue of tunes, through the chosen MIDI output
// device. Play builds the tune into one merged track, opens the timer and the device
// of the MIDI library, hands the events over until the library refuses more and goes
// on when its room notice arrives, on the GUI thread. It shows the tune's title and
// fields, a status line and the position, and answers Pause and Stop. Save MIDI
// writes the tune as a MIDI file.
//
//   Idle -> Reading ("Reading Tune...") -> Playing ("Playing...") <-> Paused
//   ("Paused...") -> Idle on Stop, at the end of the last tune, or when the timer
//   or the device cannot be opened.
#pragma once

#include <QPointer>
#include <QString>
#include <functional>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gui/app/CMinFormDoc.h"
#include "gui/play/PlayRequest.h"
#include "play/MidiLib.h"
#include "play/Performance.h"
#include "play/PlayFeeder.h"
#include "tunefile/TuneRecord.h"

class QTimer;

namespace tunora {

class MidiNoticeRelay;
class TuneBuild;
struct PlaySettings;

class CPlayDoc : public CMinFormDoc {
  Q_OBJECT

 public:
  enum class State { kIdle, kReading, kPlaying, kPaused };

  // Events the library's output holds before it refuses more.
  static constexpr size_t kQueueCapacity = 0x23000 / sizeof(MidiEvent);
  // How often the position is shown while playing (ms).
  static constexpr int kPositionInterval = 100;

  explicit CPlayDoc(QObject* parent = nullptr);
  ~CPlayDoc() override;

  // The first player window's document, or null.
  static CPlayDoc* First();
  // The player that plays (or reads or is paused), or null.
  static CPlayDoc* Busy();
  // The first player window, or a new one when there is none (null when it could
  // not be made).
  static CPlayDoc* OpenWindow();

  // --- the tune ------------------------------------------------------------------
  // Shows the tune of a request (nothing plays yet); false (and nothing changes)
  // when the request holds no tune. fileDoc: the tune file it belongs to, may be null.
  bool SetTune(const PlayRequest& request, CMinFormDoc* fileDoc);
  bool HasTune() const { return hasTune_; }
  // The title shown (UTF-8 for the screen), "" without a tune.
  const QString& TuneTitle() const { return current_.shown.title; }
  // The tune's fields as "name: value" rows (name as the field choosers show it).
  const std::vector<std::pair<QString, QString>>& Fields() const { return current_.shown.fields; }
  // Quarter notes of one pass of the tune shown, of the whole play (× passes), and
  // of the music played of it so far.
  uint32_t LengthQuarters() const { return current_.shown.lengthQuarters; }
  uint32_t PlayLengthQuarters() const {
    return current_.shown.lengthQuarters * static_cast<uint32_t>(current_.shown.passes);
  }
  uint32_t PositionQuarters() const { return positionQuarters_; }

  // What the next Play uses: the backing style (a name of the style set's backings,
  // "" for the one marked in use), the drone text and the number of passes (1..100).
  const std::string& BackingStyle() const { return backingStyle_; }
  void SetBackingStyle(const std::string& name);
  const std::string& DroneText() const { return current_.shown.drone; }
  void SetDroneText(const std::string& text);
  int Passes() const { return passes_; }
  void SetPasses(int passes);

  // --- playing -------------------------------------------------------------------
  State GetState() const { return state_; }
  bool IsBusy() const { return state_ != State::kIdle; }
  bool IsPaused() const { return state_ == State::kPaused; }
  // "Reading Tune...", "Playing...", "Paused..." or "".
  QString StatusText() const;

  // The Play button: builds the tune and plays it. False when it does not play.
  bool Play();
  // The Stop button: ends the play and closes the timer and the device.
  void Stop();
  // The Pause button: pauses, or goes on when paused.
  void Pause();
  // Builds a tune and queues it behind the tunes of the running play; false when it
  // cannot be built or nothing plays.
  bool Enqueue(const PlayRequest& request);
  // Tunes of the play that follow the one heard now.
  size_t QueuedTunes() const { return playShown_.empty() ? 0 : playShown_.size() - 1; }

  // The Save MIDI button: asks for a file name and writes the tune's MIDI file.
  void SaveMidiAs();
  // Writes the tune's MIDI file (speed 100); false after telling the user.
  bool SaveMidi(const QString& path);

  // The drone text last used, application-wide (KeepDrone).
  static const std::string& LastDrone();
  // What Play and the player windows say while another play runs.
  static QString InProgressMessage();

  // --- the window ------------------------------------------------------------------
  CMinFormDoc* TuneFileDocument() const override { return fileDoc_.data(); }
  void OnCloseDocument() override;
  bool OnCommand(CommandId id) override;
  bool OnUpdateCommand(CommandId id, CommandState& state) override;

 signals:
  // The state, and with it the status text and the buttons, changed.
  void StateChanged();
  // Another tune is shown (title, fields, drone, backing, passes, length).
  void TuneChanged();
  void PositionChanged();

 private:
  // What is shown of one tune, kept for each tune of the play.
  struct Shown {
    QString title;
    std::vector<std::pair<QString, QString>> fields;
    std::string drone;
    uint32_t lengthQuarters = 0;
    std::vector<Performance::NoteStart> notes;  // where the notes of one pass begin
    int passes = 1;
  };
  // A tune parsed from a request.
  struct Tune {
    TuneRecord record;
    std::string header;
    bool utf8 = true;
  };

  // A tune of the play with what is shown of it and how its errors are told.
  struct Entry {
    Tune tune;
    Shown shown;
    bool noMessages = false;
    std::function<void(const std::string&)> onErrors;
  };

  static bool ParseRequest(const PlayRequest& request, Tune& tune);
  static Shown ShownOf(const Tune& tune);
  // The settings for building tune: gathered, with the backing style chosen here and,
  // when drone is not null, that drone text.
  PlaySettings Gather(TuneBuild& build, const Tune& tune, const std::string* drone) const;
  // Builds tune for live play into a piece of passes passes, with the drone text
  // given or the one the settings give; false when memory ran out. errors gets the
  // error list.
  bool BuildPiece(const Tune& tune, const std::string* drone, int passes, PlayPiece& piece,
                  Shown& shown, std::string& errors);
  void ReportErrors(const std::string& errors, bool noMessages,
                    const std::function<void(const std::string&)>& onErrors);
  QWidget* DialogParent() const;
  void SetState(State state);
  void ToIdle();
  void Feed();
  // A play that failed on the device: text, and the device's reason under it.
  void ReportFailure(const QString& text, const std::string& reason);
  void OnRoom(MidiOut out);
  void OnEmpty(MidiOut out);
  void UpdatePosition();
  // Tells the drawings which note is heard at ticks of the tune shown (none: -1).
  void TellHeard(std::optional<uint64_t> ticks);
  int64_t heardOffset_ = -1;
  // Makes entry the window's tune and shows it.
  void ShowTune(Entry entry);
  void StoreDrone();

  State state_ = State::kIdle;
  bool hasTune_ = false;
  Entry current_;  // the tune of the window, the one heard while playing
  QPointer<CMinFormDoc> fileDoc_;

  uint64_t shownTag_ = 0;
  std::map<uint64_t, Entry> playShown_;  // by piece tag, the tunes of the play not yet done
  uint64_t nextTag_ = 1;
  uint32_t positionQuarters_ = 0;

  std::string backingStyle_;
  int passes_ = 1;

  PlayFeeder feeder_;
  MidiSync sync_ = 0;
  MidiOut out_ = 0;
  bool cancelled_ = false;  // Stop came while the tune was read
  bool destroying_ = false;
  QString statusOverride_;  // "Writing..." while a MIDI file is written
  MidiNoticeRelay* relay_;
  QTimer* positionTimer_;
};

}  // namespace tunora
