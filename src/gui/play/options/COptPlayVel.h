// Options page "Volumes": the velocities of melody notes on the beat, off the beat
// and elsewhere, of chord notes and drone notes, and the increase for accents.
#pragma once

#include "gui/play/options/COptPlayPage.h"

namespace tunora {

class CIntEdit;

class COptPlayVel : public COptPlayPage {
  Q_OBJECT

 public:
  explicit COptPlayVel(QWidget* parent = nullptr);
  void Load(const PlayOptionsData& data) override;
  bool Store(PlayOptionsData& data) override;

 private:
  int chordsLoaded_ = 0;
  CIntEdit* noteBeat_ = nullptr;
  CIntEdit* noteOffbeat_ = nullptr;
  CIntEdit* noteOther_ = nullptr;
  CIntEdit* chords_ = nullptr;
  CIntEdit* drone_ = nullptr;
  CIntEdit* loudPercent_ = nullptr;
};

}  // namespace tunora
