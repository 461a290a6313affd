// Tells the windows which note of which tune the player makes heard now, so that a
// drawing of that tune can mark it.
#pragma once

#include <QObject>
#include <cstdint>

namespace tunora {

struct TuneRecord;

class HeardNotes : public QObject {
  Q_OBJECT

 public:
  static HeardNotes& Instance();

 signals:
  // tune: the tune played (valid during the call only); bodyOffset: where the
  // text of the note heard begins in its body, -1 when nothing is heard (the
  // play stopped).
  void Heard(const tunora::TuneRecord* tune, qint64 bodyOffset);
};

}  // namespace tunora
