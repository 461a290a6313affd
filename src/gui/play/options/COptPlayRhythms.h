// Options page "Rhythms": the rhythm records of the style set (names, meters,
// tempo and swing for the tunes of a dance type).
#pragma once

#include "gui/play/options/COptStyleListPage.h"

namespace tunora {

using RhythmListPage = COptStyleListPageOf<RhythmRecord, &StyleSet::rhythms>;

class COptPlayRhythms : public RhythmListPage {
  Q_OBJECT

 public:
  explicit COptPlayRhythms(QWidget* parent = nullptr);

 protected:
  QStringList RowTexts(int row) const override;
  bool EditRow(int row) override;
  void InsertNew(int row) override;
};

}  // namespace tunora
