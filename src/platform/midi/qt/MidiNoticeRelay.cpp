#include "platform/midi/qt/MidiNoticeRelay.h"

#include <QMetaObject>

namespace tunora {

MidiNoticeRelay::MidiNoticeRelay(QObject* parent)
    : QObject(parent), target_(std::make_shared<Target>()) {
  target_->relay = this;
}

MidiNoticeRelay::~MidiNoticeRelay() {
  std::lock_guard lock(target_->mutex);
  target_->relay = nullptr;
}

MidiNotify MidiNoticeRelay::Notify() {
  return [target = target_](MidiNotice notice, MidiOut out) {
    std::lock_guard lock(target->mutex);
    MidiNoticeRelay* relay = target->relay;
    if (relay == nullptr) return;
    // Posted while the relay is sure to exist; Qt drops the call if it is deleted
    // before the event loop gets to it.
    QMetaObject::invokeMethod(
        relay,
        [relay, notice, out] {
          if (notice == MidiNotice::kRoom)
            emit relay->roomAgain(out);
          else
            emit relay->queueEmpty(out);
        },
        Qt::QueuedConnection);
  };
}

}  // namespace tunora
