// The "Playback and MIDI Options" sheet with the pages MIDI, Playback, Volumes,
// Rhythms, Chords and Backing. On OK the pages store into a copy, the style set
// is written to "abcstyle.cfg" when it changed, the settings are saved, the MIDI
// devices are set up again when the device or the SoundFont changed, and the
// instrument patches are cached when that is on.
#pragma once

#include <QDialog>
#include <vector>

#include "gui/play/options/COptPlayPage.h"

class QTabWidget;

namespace tunora {

class COptPlaySheet : public QDialog {
  Q_OBJECT

 public:
  explicit COptPlaySheet(QWidget* parent = nullptr);

  QTabWidget* Tabs() const { return tabs_; }
  const std::vector<COptPlayPage*>& Pages() const { return pages_; }
  // The page with that caption, or null.
  COptPlayPage* Page(const QString& caption) const;

 public slots:
  void accept() override;

 private:
  void AddPage(COptPlayPage* page);

  PlayOptionsData data_;
  QTabWidget* tabs_ = nullptr;
  std::vector<COptPlayPage*> pages_;
};

}  // namespace tunora
