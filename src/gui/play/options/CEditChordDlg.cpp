#include "gui/play/options/CEditChordDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>

#include "gui/app/CPrefPage.h"
#include "gui/app/Messages.h"
#include "play/StyleEdit.h"

namespace tunora {

CEditChordDlg::CEditChordDlg(const ChordType& chord, QWidget* parent)
    : QDialog(parent), chord_(chord) {
  setWindowTitle(QStringLiteral("Edit Chord Type"));
  type_ = new QLineEdit(CPrefPage::TextOf(chord.name), this);
  type_->setObjectName(QStringLiteral("Type"));
  type_->setMaxLength(static_cast<int>(ChordType::kMaxName));
  count_ = new QSpinBox(this);
  count_->setObjectName(QStringLiteral("Count"));
  count_->setRange(1, static_cast<int>(ChordType::kMaxNotes));
  count_->setValue(chord.notes.empty() ? 3 : static_cast<int>(chord.notes.size()));
  count_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  connect(count_, &QSpinBox::valueChanged, this, &CEditChordDlg::UpdateNotes);

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("&Type:"), type_);
  form->addRow(QStringLiteral("&Number of notes:"), count_);

  auto* noteBox = new QGroupBox(QStringLiteral("Notes"), this);
  auto* noteLayout = new QVBoxLayout(noteBox);
  auto* row = new QHBoxLayout;
  for (size_t i = 0; i < notes_.size(); ++i) {
    notes_[i] = new QLineEdit(this);
    notes_[i]->setObjectName(QStringLiteral("Note%1").arg(i + 1));
    notes_[i]->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{0,3}")), notes_[i]));
    notes_[i]->setAlignment(Qt::AlignRight);
    notes_[i]->setFixedWidth(notes_[i]->fontMetrics().horizontalAdvance(QStringLiteral("00000")));
    if (i < chord.notes.size()) notes_[i]->setText(QString::number(chord.notes[i]));
    row->addWidget(notes_[i]);
  }
  row->addStretch();
  noteLayout->addLayout(row);
  auto* hint = new QLabel(QStringLiteral("(Semitones from root note of chord)"), this);
  noteLayout->addWidget(hint);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &CEditChordDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CEditChordDlg::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(noteBox);
  layout->addWidget(buttons);
  UpdateNotes();
}

void CEditChordDlg::UpdateNotes() {
  for (size_t i = 0; i < notes_.size(); ++i) {
    notes_[i]->setEnabled(static_cast<int>(i) < count_->value());
  }
}

void CEditChordDlg::accept() {
  std::vector<std::string> noteTexts;
  for (int i = 0; i < count_->value(); ++i) {
    noteTexts.push_back(notes_[static_cast<size_t>(i)]->text().toStdString());
  }
  ChordType chord;
  const std::string name = CPrefPage::BytesOf(chord_.name, type_->text());
  if (!MakeChordType(name, noteTexts, chord)) {
    MessageWarning(this, QStringLiteral("Bad chord."));
    type_->setFocus();
    return;
  }
  chord_ = std::move(chord);
  QDialog::accept();
}

}  // namespace tunora
