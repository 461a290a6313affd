// Carries the MIDI library's notices from its timer thread to the thread of a QObject
// (the player window's) as queued signals.
#pragma once

#include <QObject>
#include <memory>
#include <mutex>

#include "play/MidiLib.h"

namespace tunora {

class MidiNoticeRelay : public QObject {
  Q_OBJECT

 public:
  explicit MidiNoticeRelay(QObject* parent = nullptr);
  ~MidiNoticeRelay() override;

  // The callback for MidiLib::OpenSync. It may be called from any thread, also after
  // the relay is gone (then it does nothing); the signals are emitted on the relay's
  // thread from its event loop.
  MidiNotify Notify();

 signals:
  // A refused PutMidiOut can be tried again: feed the output until it refuses.
  void roomAgain(tunora::MidiOut out);
  // Every event handed to the output has been played.
  void queueEmpty(tunora::MidiOut out);

 private:
  struct Target {
    std::mutex mutex;
    MidiNoticeRelay* relay = nullptr;
  };
  std::shared_ptr<Target> target_;
};

}  // namespace tunora
