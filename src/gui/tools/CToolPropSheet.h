// The pages of the tune tools window: ABC (clean-up of the notation), Chords
// (Chordwise) and Transpose, in a tabbed sheet. Each page gathers its options
// and asks the tools document to act.
#pragma once

#include <QTabWidget>
#include <QWidget>
#include <array>

#include "tools/TuneRewriter.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace tunora {

class CToolDoc;

class CToolAbcDlg : public QWidget {
  Q_OBJECT
 public:
  explicit CToolAbcDlg(CToolDoc* doc, QWidget* parent = nullptr);
  // The options as the page shows them.
  RewriteOptions Options() const;
  // The tune's unit length goes into "Change Default Length to:".
  void Refresh();
  bool Apply();

  enum Remove { kChords, kComments, kGraces, kContinuations, kBreaks, kBarSpaces };
  enum Add { kAddContinuations, kAddBreaks, kAddBarSpaces };
  QCheckBox* RemoveBox(int which) const { return remove_[static_cast<size_t>(which)]; }
  QCheckBox* AddBox(int which) const { return add_[static_cast<size_t>(which)]; }
  QCheckBox* LengthBox() const { return lengthOn_; }
  QLineEdit* LengthEdit() const { return length_; }
  QCheckBox* WrapBox() const { return wrapOn_; }
  QSpinBox* WrapSpin() const { return wrap_; }
  QPushButton* ApplyButton() const { return apply_; }

 private:
  CToolDoc* doc_;
  std::array<QCheckBox*, 6> remove_{};
  std::array<QCheckBox*, 3> add_{};
  QCheckBox* lengthOn_;
  QLineEdit* length_;
  QCheckBox* wrapOn_;
  QSpinBox* wrap_;
  QPushButton* apply_;
};

class CToolChordsDlg : public QWidget {
  Q_OBJECT
 public:
  explicit CToolChordsDlg(CToolDoc* doc, QWidget* parent = nullptr);
  bool SetChords();
  bool RemoveChords();
  void ViewChords();

  QSpinBox* StrangenessSpin() const { return strangeness_; }
  QRadioButton* PerBeat() const { return perBeat_; }
  QRadioButton* PerBar() const { return perBar_; }
  QPushButton* SetButton() const { return set_; }
  QPushButton* ViewButton() const { return view_; }
  QPushButton* RemoveButton() const { return remove_; }
  QPushButton* OptionsButton() const { return options_; }

 private:
  CToolDoc* doc_;
  QSpinBox* strangeness_;
  QRadioButton* perBeat_;
  QRadioButton* perBar_;
  QPushButton* set_;
  QPushButton* view_;
  QPushButton* remove_;
  QPushButton* options_;
};

class CToolTransposeDlg : public QWidget {
  Q_OBJECT
 public:
  explicit CToolTransposeDlg(CToolDoc* doc, QWidget* parent = nullptr);
  // The key list from the tune's key, and the key that "by" leads to.
  void Refresh();
  // The semitones of the page: by + 12 x octaves, negated for down.
  int Shift() const;
  bool Apply();

  QRadioButton* Up() const { return up_; }
  QRadioButton* Down() const { return down_; }
  QSpinBox* BySpin() const { return by_; }
  QComboBox* KeyList() const { return key_; }
  QSpinBox* OctavesSpin() const { return octaves_; }
  QPushButton* ApplyButton() const { return apply_; }

 private:
  void ShowKeyForBy();
  void SetByForKey(int index);

  CToolDoc* doc_;
  QRadioButton* up_;
  QRadioButton* down_;
  QSpinBox* by_;
  QComboBox* key_;
  QSpinBox* octaves_;
  QPushButton* apply_;
  bool coupling_ = false;
};

class CToolPropSheet : public QTabWidget {
  Q_OBJECT
 public:
  enum Page { kAbcPage = 0, kChordsPage = 1, kTransposePage = 2 };
  explicit CToolPropSheet(CToolDoc* doc, QWidget* parent = nullptr);
  CToolAbcDlg* AbcPage() const { return abc_; }
  CToolChordsDlg* ChordsPage() const { return chords_; }
  CToolTransposeDlg* TransposePage() const { return transpose_; }
  void Refresh();

 private:
  CToolAbcDlg* abc_;
  CToolChordsDlg* chords_;
  CToolTransposeDlg* transpose_;
};

}  // namespace tunora
