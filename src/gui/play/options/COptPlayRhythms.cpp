#include "gui/play/options/COptPlayRhythms.h"

#include "gui/app/CPrefPage.h"
#include "gui/play/options/CEditRhythmDlg.h"

namespace tunora {

namespace {

QString Joined(const std::vector<std::string>& texts, const QString& separator) {
  QStringList list;
  for (const std::string& t : texts) list << CPrefPage::TextOf(t);
  return list.join(separator);
}

QString SwingText(const SwingSpec& s) {
  if (!s.Present()) return {};
  QStringList weights;
  for (int i = 0; i < s.count; ++i) weights << QString::number(s.weights[static_cast<size_t>(i)]);
  return QStringLiteral("1/%1: %2 /%3").arg(s.n).arg(weights.join(QLatin1Char(' '))).arg(s.divisor);
}

}  // namespace

COptPlayRhythms::COptPlayRhythms(QWidget* parent)
    : RhythmListPage(QStringLiteral("Rhythms"),
                     {QStringLiteral("Names"), QStringLiteral("Meters"), QStringLiteral("Tempo"),
                      QStringLiteral("Swing")},
                     parent) {}

QStringList COptPlayRhythms::RowTexts(int row) const {
  const RhythmRecord& r = Entry(row);
  QString names = Joined(r.names, QStringLiteral(", "));
  if (r.names.size() == 1 && r.names[0].empty()) names = QStringLiteral("(every rhythm)");
  return {names, Joined(r.meters, QStringLiteral(" ")), CPrefPage::TextOf(r.tempo),
          SwingText(r.swing)};
}

bool COptPlayRhythms::EditRow(int row) {
  CEditRhythmDlg dialog(Entry(row), this);
  if (dialog.exec() != QDialog::Accepted) return false;
  Entry(row) = dialog.Rhythm();
  return true;
}

void COptPlayRhythms::InsertNew(int row) {
  RhythmRecord r;
  r.names.push_back("[New]");
  r.datetime = std::string(RhythmRecord::kNewDatetime);
  Insert(row, std::move(r));
}

}  // namespace tunora
