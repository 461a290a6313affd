// Options page "Backing": the backing styles of the style set, the patterns in
// which chord notes are played by meter, and which of them is the standard one.
#pragma once

#include "gui/play/options/COptStyleListPage.h"

namespace tunora {

using BackingListPage = COptStyleListPageOf<Backing, &StyleSet::backings>;

class COptPlayBacking : public BackingListPage {
  Q_OBJECT

 public:
  explicit COptPlayBacking(QWidget* parent = nullptr);

 public slots:
  // "Use as Standard Backing Style": the selected style is played when none is chosen.
  void OnStandard();

 protected:
  QStringList RowTexts(int row) const override;
  bool EditRow(int row) override;
  void InsertNew(int row) override;
  QString DeleteQuestion() const override;
};

}  // namespace tunora
