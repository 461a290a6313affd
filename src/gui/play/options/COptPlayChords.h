// Options page "Chords": the chord types of the style set, the intervals that
// the type of a chord symbol stands for.
#pragma once

#include <vector>

#include "gui/play/options/COptStyleListPage.h"

namespace tunora {

class COptPlayChords : public COptStyleListPage {
  Q_OBJECT

 public:
  explicit COptPlayChords(QWidget* parent = nullptr);
  void Load(const PlayOptionsData& data) override;
  bool Store(PlayOptionsData& data) override;

  const std::vector<ChordType>& ChordTypes() const { return chords_; }

 protected:
  int Count() const override { return static_cast<int>(chords_.size()); }
  QStringList RowTexts(int row) const override;
  bool EditRow(int row) override;
  void InsertNew(int row) override;
  QString DeleteQuestion() const override;
  void RemoveRow(int row) override;
  int MoveRow(int row, bool up) override;

 private:
  std::vector<ChordType> chords_;
};

}  // namespace tunora
