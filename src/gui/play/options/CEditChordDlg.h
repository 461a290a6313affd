// The "Edit Chord Type" dialog: the type as written after the root of a chord
// symbol ("m7"), the number of notes and up to seven notes in semitones from the
// root. A type that could not be read back gives "Bad chord." and the dialog stays.
#pragma once

#include <QDialog>
#include <array>

#include "play/StyleSet.h"

class QLineEdit;
class QSpinBox;

namespace tunora {

class CEditChordDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CEditChordDlg(const ChordType& chord, QWidget* parent = nullptr);

  const ChordType& Chord() const { return chord_; }

  QLineEdit* TypeField() const { return type_; }
  QSpinBox* CountField() const { return count_; }
  QLineEdit* NoteField(int i) const { return notes_[static_cast<size_t>(i)]; }

 public slots:
  void accept() override;

 private:
  void UpdateNotes();

  ChordType chord_;
  QLineEdit* type_ = nullptr;
  QSpinBox* count_ = nullptr;
  std::array<QLineEdit*, ChordType::kMaxNotes> notes_{};
};

}  // namespace tunora
