// Options page "Backing": the backing styles of the style set, the patterns in
// which chord notes are played by meter, and which of them is the standard one.
#pragma once

#include <vector>

#include "gui/play/options/COptStyleListPage.h"

namespace tunora {

class COptPlayBacking : public COptStyleListPage {
  Q_OBJECT

 public:
  explicit COptPlayBacking(QWidget* parent = nullptr);
  void Load(const PlayOptionsData& data) override;
  bool Store(PlayOptionsData& data) override;

  const std::vector<Backing>& Backings() const { return backings_; }

 public slots:
  // "Use as Standard Backing Style": the selected style is played when none is chosen.
  void OnStandard();

 protected:
  int Count() const override { return static_cast<int>(backings_.size()); }
  QStringList RowTexts(int row) const override;
  bool EditRow(int row) override;
  void InsertNew(int row) override;
  QString DeleteQuestion() const override;
  void RemoveRow(int row) override;
  int MoveRow(int row, bool up) override;

 private:
  std::vector<Backing> backings_;
};

}  // namespace tunora
