// Base of the pages of the "Playback and MIDI Options" sheet. The sheet keeps a
// copy of the playback settings and of the style set; every page fills its fields
// from that copy when the sheet opens and stores them back when it is confirmed.
#pragma once

#include <QString>
#include <QWidget>

#include "app/Settings.h"
#include "play/StyleSet.h"

namespace tunora {

// What the options sheet edits.
struct PlayOptionsData {
  MidiSettings midi;
  StyleSet styles;
};

class COptPlayPage : public QWidget {
  Q_OBJECT

 public:
  COptPlayPage(const QString& caption, QWidget* parent = nullptr)
      : QWidget(parent), caption_(caption) {}

  const QString& Caption() const { return caption_; }
  virtual void Load(const PlayOptionsData& data) = 0;
  // False keeps the sheet open on this page (the user has been told why).
  virtual bool Store(PlayOptionsData& data) = 0;

 private:
  QString caption_;
};

}  // namespace tunora
