// Options page "Playback": grace note and staccato lengths, fermata length, the
// delay before playing, transposition and repeats, the playing switches and the
// position of the play window.
#pragma once

#include "gui/play/options/COptPlayPage.h"

class QCheckBox;
class QComboBox;

namespace tunora {

class CIntEdit;

class COptPlayOpt : public COptPlayPage {
  Q_OBJECT

 public:
  explicit COptPlayOpt(QWidget* parent = nullptr);
  void Load(const PlayOptionsData& data) override;
  bool Store(PlayOptionsData& data) override;

 private:
  CIntEdit* graceFraction_ = nullptr;
  CIntEdit* multiGraceFraction_ = nullptr;
  CIntEdit* staccatoLen_ = nullptr;
  CIntEdit* pauseLen_ = nullptr;
  CIntEdit* delay_ = nullptr;
  CIntEdit* transpose_ = nullptr;
  CIntEdit* repeat_ = nullptr;
  QCheckBox* playChords_ = nullptr;
  QCheckBox* commonEqualsCut_ = nullptr;
  QCheckBox* playGraces_ = nullptr;
  QCheckBox* keepDrone_ = nullptr;
  QCheckBox* keyHpSpecial_ = nullptr;
  QCheckBox* noRepeats_ = nullptr;
  QCheckBox* playnowMinimize_ = nullptr;
  QCheckBox* warnBarLen_ = nullptr;
  QComboBox* playPos_ = nullptr;
};

}  // namespace tunora
