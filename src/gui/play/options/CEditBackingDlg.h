// The "Edit Backing Style" dialog: the style's name and up to twelve rows of a
// meter list (or a beat, for a pattern of one beat) and the pattern played in it.
#pragma once

#include <QDialog>
#include <array>

#include "play/StyleSet.h"

class QLineEdit;

namespace tunora {

class CEditBackingDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CEditBackingDlg(const Backing& backing, QWidget* parent = nullptr);

  const Backing& Result() const { return backing_; }

  QLineEdit* NameField() const { return name_; }
  QLineEdit* MeterField(int row) const { return meters_[static_cast<size_t>(row)]; }
  QLineEdit* PatternField(int row) const { return patterns_[static_cast<size_t>(row)]; }

 public slots:
  void accept() override;

 private:
  Backing backing_;
  QLineEdit* name_ = nullptr;
  std::array<QLineEdit*, Backing::kMaxPairs> meters_{};
  std::array<QLineEdit*, Backing::kMaxPairs> patterns_{};
};

}  // namespace tunora
