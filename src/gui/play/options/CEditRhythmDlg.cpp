#include "gui/play/options/CEditRhythmDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/app/CPrefPage.h"
#include "gui/app/Messages.h"
#include "gui/play/options/OptWidgets.h"

namespace tunora {

namespace {

constexpr int kMaxNumber = 999999999;  // nine digits, as the file reader takes them

QString Text(const std::string& s) { return CPrefPage::TextOf(s); }

QLabel* Hint(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setEnabled(false);
  return label;
}

}  // namespace

CEditRhythmDlg::CEditRhythmDlg(const RhythmRecord& rhythm, QWidget* parent)
    : QDialog(parent), rhythm_(rhythm) {
  setWindowTitle(QStringLiteral("Edit Rhythm"));

  auto* nameBox = new QGroupBox(QStringLiteral("&Names (R: field)"), this);
  auto* nameGrid = new QGridLayout(nameBox);
  for (size_t i = 0; i < names_.size(); ++i) {
    names_[i] = new QLineEdit(this);
    names_[i]->setObjectName(QStringLiteral("Name%1").arg(i + 1));
    if (i < rhythm.names.size()) names_[i]->setText(Text(rhythm.names[i]));
    nameGrid->addWidget(names_[i], static_cast<int>(i / 2), static_cast<int>(i % 2));
  }
  nameGrid->addWidget(Hint(QStringLiteral("Leave every name empty for a rhythm that serves "
                                          "all tunes."),
                           this),
                      5, 0, 1, 2);
  nameBox->setFocusProxy(names_[0]);

  auto* meterBox = new QGroupBox(QStringLiteral("&Meters (M: field)"), this);
  auto* meterGrid = new QGridLayout(meterBox);
  for (size_t i = 0; i < meters_.size(); ++i) {
    meters_[i] = new QLineEdit(this);
    meters_[i]->setObjectName(QStringLiteral("Meter%1").arg(i + 1));
    if (i < rhythm.meters.size()) meters_[i]->setText(Text(rhythm.meters[i]));
    meterGrid->addWidget(meters_[i], static_cast<int>(i / 3), static_cast<int>(i % 3));
  }
  meterBox->setFocusProxy(meters_[0]);

  tempo_ = new QLineEdit(Text(rhythm.tempo), this);
  tempo_->setObjectName(QStringLiteral("Tempo"));
  auto* tempoRow = new QHBoxLayout;
  auto* tempoLabel = new QLabel(QStringLiteral("&Tempo:"), this);
  tempoLabel->setBuddy(tempo_);
  tempoRow->addWidget(tempoLabel);
  tempoRow->addWidget(tempo_, 1);
  tempoRow->addWidget(Hint(QStringLiteral("as in Q:, for example 1/4=120"), this));

  // Swing and beat length share their layout.
  auto swingBox = [this](const QString& title, const QString& key, SwingFields& fields) {
    auto* box = new QGroupBox(title, this);
    auto* row = new QHBoxLayout(box);
    fields.unit = NumberField(key + QStringLiteral("Unit"));
    fields.divisor = NumberField(key + QStringLiteral("Divisor"));
    row->addWidget(new QLabel(QStringLiteral("Unit 1/"), this));
    row->addWidget(fields.unit);
    row->addSpacing(12);
    row->addWidget(new QLabel(QStringLiteral("Weights"), this));
    for (size_t i = 0; i < fields.weights.size(); ++i) {
      fields.weights[i] = NumberField(key + QStringLiteral("Weight%1").arg(i + 1));
      row->addWidget(fields.weights[i]);
    }
    row->addSpacing(12);
    row->addWidget(new QLabel(QStringLiteral("divided by"), this));
    row->addWidget(fields.divisor);
    row->addStretch();
    box->setFocusProxy(fields.unit);
    return box;
  };
  QGroupBox* swing = swingBox(QStringLiteral("&Swing"), QStringLiteral("Swing"), swing_);
  QGroupBox* beat = swingBox(QStringLiteral("&Beat length"), QStringLiteral("Beatlen"), beatlen_);
  ShowSwing(swing_, rhythm.swing);
  ShowSwing(beatlen_, rhythm.beatlen);

  auto* broken = new QGroupBox(QStringLiteral("B&roken rhythm"), this);
  auto* brokenGrid = new QGridLayout(broken);
  brokenGrid->addWidget(new QLabel(QStringLiteral("First note"), this), 0, 1);
  brokenGrid->addWidget(new QLabel(QStringLiteral("Second note"), this), 0, 2);
  brokenGrid->addWidget(new QLabel(QStringLiteral("divided by"), this), 0, 3);
  auto brokenRow = [&](int row, const QString& label, const QString& key, BrokenFields& fields) {
    brokenGrid->addWidget(new QLabel(label, this), row, 0);
    for (size_t i = 0; i < fields.values.size(); ++i) {
      fields.values[i] = NumberField(key + QString(QChar(u'A' + static_cast<char16_t>(i))));
      brokenGrid->addWidget(fields.values[i], row, static_cast<int>(i) + 1);
    }
  };
  brokenRow(1, QStringLiteral("for >"), QStringLiteral("Swingbr"), swingbr_);
  brokenRow(2, QStringLiteral("for <"), QStringLiteral("Swingbbr"), swingbbr_);
  brokenGrid->setColumnStretch(4, 1);
  broken->setFocusProxy(swingbr_.values[0]);
  ShowBroken(swingbr_, rhythm.swingbr);
  ShowBroken(swingbbr_, rhythm.swingbbr);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &CEditRhythmDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CEditRhythmDlg::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(nameBox);
  layout->addWidget(meterBox);
  layout->addLayout(tempoRow);
  layout->addWidget(swing);
  layout->addWidget(broken);
  layout->addWidget(beat);
  layout->addWidget(buttons);
}

QLineEdit* CEditRhythmDlg::NumberField(const QString& name) {
  auto* field = new QLineEdit(this);
  field->setObjectName(name);
  field->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,9}")), field));
  field->setAlignment(Qt::AlignRight);
  field->setFixedWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("00000000")));
  return field;
}

void CEditRhythmDlg::ShowSwing(const SwingFields& fields, const SwingSpec& swing) {
  if (!swing.Present()) return;
  fields.unit->setText(QString::number(swing.n));
  fields.divisor->setText(QString::number(swing.divisor));
  for (int i = 0; i < swing.count && i < SwingSpec::kMaxWeights; ++i) {
    fields.weights[static_cast<size_t>(i)]->setText(
        QString::number(swing.weights[static_cast<size_t>(i)]));
  }
}

void CEditRhythmDlg::ShowBroken(const BrokenFields& fields, const BrokenRatio& ratio) {
  if (!ratio.present) return;
  fields.values[0]->setText(QString::number(ratio.a));
  fields.values[1]->setText(QString::number(ratio.b));
  fields.values[2]->setText(QString::number(ratio.c));
}

bool CEditRhythmDlg::ReadSwing(const SwingFields& fields, SwingSpec& swing) {
  int count = 0;
  for (size_t i = 0; i < fields.weights.size(); ++i) {
    if (!fields.weights[i]->text().trimmed().isEmpty()) count = static_cast<int>(i) + 1;
  }
  const bool given = count > 0 || !fields.unit->text().trimmed().isEmpty() ||
                     !fields.divisor->text().trimmed().isEmpty();
  if (!given) {
    swing = SwingSpec{};
    return true;
  }
  SwingSpec s;
  // The unit must be at least one tick long.
  if (!CheckNumberField(fields.unit, 1, static_cast<int>(kTicksPerWhole), true, s.n)) return false;
  // Every weight up to the last one given, at least one.
  for (int i = 0; i < std::max(count, 1); ++i) {
    if (!CheckNumberField(fields.weights[static_cast<size_t>(i)], 1, kMaxNumber, true,
                          s.weights[static_cast<size_t>(i)]))
      return false;
  }
  s.count = std::max(count, 1);
  if (!CheckNumberField(fields.divisor, 1, kMaxNumber, true, s.divisor)) return false;
  swing = s;
  return true;
}

bool CEditRhythmDlg::ReadBroken(const BrokenFields& fields, BrokenRatio& ratio) {
  bool given = false;
  for (QLineEdit* f : fields.values) given = given || !f->text().trimmed().isEmpty();
  if (!given) {
    ratio = BrokenRatio{};
    return true;
  }
  BrokenRatio r;
  r.present = true;
  if (!CheckNumberField(fields.values[0], 0, kMaxNumber, true, r.a) ||
      !CheckNumberField(fields.values[1], 0, kMaxNumber, true, r.b) ||
      !CheckNumberField(fields.values[2], 1, kMaxNumber, true, r.c))
    return false;
  ratio = r;
  return true;
}

void CEditRhythmDlg::accept() {
  RhythmRecord r = rhythm_;
  r.names.clear();
  for (size_t i = 0; i < names_.size(); ++i) {
    if (!CheckStyleText(names_[i], names_[i]->text())) return;
    const QString text = names_[i]->text().trimmed();
    const std::string original = i < rhythm_.names.size() ? rhythm_.names[i] : std::string();
    if (!text.isEmpty()) r.names.push_back(CPrefPage::BytesOf(original, text));
  }
  // A record whose only name is empty serves every R:.
  if (r.names.empty()) r.names.push_back({});
  r.meters.clear();
  for (size_t i = 0; i < meters_.size(); ++i) {
    if (!CheckStyleText(meters_[i], meters_[i]->text())) return;
    const QString text = meters_[i]->text().trimmed();
    const std::string original = i < rhythm_.meters.size() ? rhythm_.meters[i] : std::string();
    if (!text.isEmpty()) r.meters.push_back(CPrefPage::BytesOf(original, text));
  }
  if (r.meters.empty()) {
    MessageWarning(this, QStringLiteral("Please enter at least one meter."));
    meters_[0]->setFocus();
    return;
  }
  if (!CheckStyleText(tempo_, tempo_->text())) return;
  r.tempo = CPrefPage::BytesOf(rhythm_.tempo, tempo_->text().trimmed());
  if (!ReadSwing(swing_, r.swing) || !ReadBroken(swingbr_, r.swingbr) ||
      !ReadBroken(swingbbr_, r.swingbbr) || !ReadSwing(beatlen_, r.beatlen))
    return;
  rhythm_ = std::move(r);
  QDialog::accept();
}

}  // namespace tunora
