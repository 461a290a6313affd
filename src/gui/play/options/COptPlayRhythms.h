// Options page "Rhythms": the rhythm records of the style set (names, meters,
// tempo and swing for the tunes of a dance type).
#pragma once

#include <vector>

#include "gui/play/options/COptStyleListPage.h"

namespace tunora {

class COptPlayRhythms : public COptStyleListPage {
  Q_OBJECT

 public:
  explicit COptPlayRhythms(QWidget* parent = nullptr);
  void Load(const PlayOptionsData& data) override;
  bool Store(PlayOptionsData& data) override;

  const std::vector<RhythmRecord>& Rhythms() const { return rhythms_; }

 protected:
  int Count() const override { return static_cast<int>(rhythms_.size()); }
  QStringList RowTexts(int row) const override;
  bool EditRow(int row) override;
  void InsertNew(int row) override;
  void RemoveRow(int row) override;
  int MoveRow(int row, bool up) override;

 private:
  std::vector<RhythmRecord> rhythms_;
};

}  // namespace tunora
