// Options page "MIDI": the output device (and the SoundFont of the built-in synth),
// patch caching, instrument, octave and channel of the melody, the backing and the
// drone, the speed of live playback and the channels of voices 2 to 13.
#pragma once

#include <array>
#include <string>

#include "gui/play/options/COptPlayPage.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace tunora {

class CIntEdit;

class COptPlayMidi : public COptPlayPage {
  Q_OBJECT

 public:
  static constexpr int kVoices = MidiSettings::kLastVoice - MidiSettings::kFirstVoice + 1;

  explicit COptPlayMidi(QWidget* parent = nullptr);
  void Load(const PlayOptionsData& data) override;
  bool Store(PlayOptionsData& data) override;

  QComboBox* DeviceCombo() const { return device_; }

 public slots:
  void OnBrowse();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  struct Part {
    QComboBox* instrument = nullptr;
    CIntEdit* octave = nullptr;
    CIntEdit* channel = nullptr;
  };

  std::string deviceOriginal_;
  std::string soundFontOriginal_;
  int loadedDevice_ = -1;
  bool deviceChecked_ = false;  // the no-device message comes once
  QComboBox* device_ = nullptr;
  QLineEdit* soundFont_ = nullptr;
  QCheckBox* cachePatches_ = nullptr;
  Part melody_, backing_, drone_;
  CIntEdit* speed_ = nullptr;
  std::array<CIntEdit*, kVoices> voiceChannel_{};
};

}  // namespace tunora
