// The "Edit Rhythm" dialog: the names (R: values) and meters a rhythm record
// serves, its tempo, the swing (unit, divisor and up to four weights), the
// broken-rhythm ratios for > and <, and the beat length with its weights.
#pragma once

#include <QDialog>
#include <array>

#include "play/StyleSet.h"

class QLineEdit;

namespace tunora {

class CEditRhythmDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CEditRhythmDlg(const RhythmRecord& rhythm, QWidget* parent = nullptr);

  // The record as edited (after OK).
  const RhythmRecord& Rhythm() const { return rhythm_; }

  // The fields, for tests: names 0-9, meters 0-5.
  QLineEdit* NameField(int i) const { return names_[static_cast<size_t>(i)]; }
  QLineEdit* MeterField(int i) const { return meters_[static_cast<size_t>(i)]; }
  QLineEdit* TempoField() const { return tempo_; }

 public slots:
  void accept() override;

 private:
  // The unit, divisor and weight fields of "swing" or "beatlen".
  struct SwingFields {
    QLineEdit* unit = nullptr;
    QLineEdit* divisor = nullptr;
    std::array<QLineEdit*, SwingSpec::kMaxWeights> weights{};
  };
  // a, b and c of "swingbr" or "swingbbr".
  struct BrokenFields {
    std::array<QLineEdit*, 3> values{};
  };

  QLineEdit* NumberField(const QString& name);
  void ShowSwing(const SwingFields& fields, const SwingSpec& swing);
  void ShowBroken(const BrokenFields& fields, const BrokenRatio& ratio);
  bool ReadSwing(const SwingFields& fields, SwingSpec& swing);
  bool ReadBroken(const BrokenFields& fields, BrokenRatio& ratio);

  RhythmRecord rhythm_;
  std::array<QLineEdit*, RhythmRecord::kMaxNames> names_{};
  std::array<QLineEdit*, RhythmRecord::kMaxMeters> meters_{};
  QLineEdit* tempo_ = nullptr;
  SwingFields swing_;
  BrokenFields swingbr_;
  BrokenFields swingbbr_;
  SwingFields beatlen_;
};

}  // namespace tunora
