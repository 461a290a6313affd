// Options page "Chords": the chord types of the style set, the intervals that
// the type of a chord symbol stands for.
#pragma once

#include "gui/play/options/COptStyleListPage.h"

namespace tunora {

using ChordListPage = COptStyleListPageOf<ChordType, &StyleSet::chordTypes>;

class COptPlayChords : public ChordListPage {
  Q_OBJECT

 public:
  explicit COptPlayChords(QWidget* parent = nullptr);

 protected:
  QStringList RowTexts(int row) const override;
  bool EditRow(int row) override;
  void InsertNew(int row) override;
  QString DeleteQuestion() const override;
};

}  // namespace tunora
