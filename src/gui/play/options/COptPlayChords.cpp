#include "gui/play/options/COptPlayChords.h"

#include "gui/app/CPrefPage.h"
#include "gui/play/options/CEditChordDlg.h"
#include "play/StyleEdit.h"

namespace tunora {

COptPlayChords::COptPlayChords(QWidget* parent)
    : COptStyleListPage(QStringLiteral("Chords"),
                        {QStringLiteral("Type"), QStringLiteral("On C"),
                         QStringLiteral("Semitones from root")},
                        parent) {}

void COptPlayChords::Load(const PlayOptionsData& data) {
  chords_ = data.styles.chordTypes;
  Refill(0);
}

bool COptPlayChords::Store(PlayOptionsData& data) {
  data.styles.chordTypes = chords_;
  return true;
}

QStringList COptPlayChords::RowTexts(int row) const {
  const ChordType& c = chords_[static_cast<size_t>(row)];
  QStringList notes;
  for (int n : c.notes) notes << QString::number(n);
  const QString name = CPrefPage::TextOf(c.name);
  return {name, QStringLiteral("C") + name, notes.join(QLatin1Char(' '))};
}

bool COptPlayChords::EditRow(int row) {
  CEditChordDlg dialog(chords_[static_cast<size_t>(row)], this);
  if (dialog.exec() != QDialog::Accepted) return false;
  chords_[static_cast<size_t>(row)] = dialog.Chord();
  return true;
}

void COptPlayChords::InsertNew(int row) {
  ChordType c;
  c.name = "[New]";
  c.notes = {0, 4, 7};
  chords_.insert(chords_.begin() + row, std::move(c));
}

QString COptPlayChords::DeleteQuestion() const {
  return QStringLiteral("Do you really want to delete this chord?");
}

void COptPlayChords::RemoveRow(int row) { chords_.erase(chords_.begin() + row); }

int COptPlayChords::MoveRow(int row, bool up) {
  return static_cast<int>(MoveEntry(chords_, static_cast<size_t>(row), up));
}

}  // namespace tunora
