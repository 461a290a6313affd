#include "gui/play/options/COptPlayChords.h"

#include "gui/app/CPrefPage.h"
#include "gui/play/options/CEditChordDlg.h"

namespace tunora {

COptPlayChords::COptPlayChords(QWidget* parent)
    : ChordListPage(
          QStringLiteral("Chords"),
          {QStringLiteral("Type"), QStringLiteral("On C"), QStringLiteral("Semitones from root")},
          parent) {}

QStringList COptPlayChords::RowTexts(int row) const {
  const ChordType& c = Entry(row);
  QStringList notes;
  for (int n : c.notes) notes << QString::number(n);
  const QString name = CPrefPage::TextOf(c.name);
  return {name, QStringLiteral("C") + name, notes.join(QLatin1Char(' '))};
}

bool COptPlayChords::EditRow(int row) {
  CEditChordDlg dialog(Entry(row), this);
  if (dialog.exec() != QDialog::Accepted) return false;
  Entry(row) = dialog.Chord();
  return true;
}

void COptPlayChords::InsertNew(int row) {
  ChordType c;
  c.name = "[New]";
  c.notes = {0, 4, 7};
  Insert(row, std::move(c));
}

QString COptPlayChords::DeleteQuestion() const {
  return QStringLiteral("Do you really want to delete this chord?");
}

}  // namespace tunora
