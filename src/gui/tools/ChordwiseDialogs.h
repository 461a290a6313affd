// The settings of automatic chord setting: "Chordwise Chord Setting Options" with
// the six progression weights, and "Chordwise Chord Setting - Advanced Options"
// with the other eighteen. Confirming either saves the whole Chordwise section.
#pragma once

#include <QDialog>
#include <vector>

#include "app/Settings.h"

class QSpinBox;

namespace tunora {

// One weight of the dialogs: its label and where it lives in the settings.
struct ChordwiseWeightRow {
  const char* label;
  int ChordwiseSettings::*value;
};

class CChordwiseAdvancedDlg : public QDialog {
  Q_OBJECT
 public:
  CChordwiseAdvancedDlg(QWidget* parent, ChordwiseSettings& weights);
  QSpinBox* Spin(int row) const { return spins_[static_cast<size_t>(row)]; }
  void accept() override;

 private:
  ChordwiseSettings& weights_;
  std::vector<QSpinBox*> spins_;
};

class CChordwiseOptionsDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CChordwiseOptionsDlg(QWidget* parent);
  QSpinBox* Spin(int row) const { return spins_[static_cast<size_t>(row)]; }
  void accept() override;
  // Opens the advanced dialog; true when it was confirmed (and saved).
  bool Advanced();

 private:
  void Store();
  ChordwiseSettings weights_;
  std::vector<QSpinBox*> spins_;
};

// Writes the weights to the application's settings and saves them.
bool SaveChordwiseSettings(const ChordwiseSettings& weights);

}  // namespace tunora
