#include "gui/play/CPlayView.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/Settings.h"
#include "gui/app/CTunoraApp.h"
#include "gui/play/CPlayDoc.h"
#include "play/StyleSet.h"

namespace tunora {

namespace {
QString Quarters(uint32_t n) {
  return n == 1 ? QStringLiteral("1 quarter note") : QStringLiteral("%1 quarter notes").arg(n);
}
}  // namespace

CPlayView::CPlayView(CPlayDoc* document, QWidget* parent) : CMinFormView(document, parent) {
  auto* layout = new QVBoxLayout(this);

  title_ = new QLabel(this);
  QFont big = title_->font();
  big.setBold(true);
  big.setPointSizeF(big.pointSizeF() * 1.3);
  title_->setFont(big);
  title_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(title_);

  fields_ = new QTreeWidget(this);
  fields_->setColumnCount(2);
  fields_->setHeaderLabels({QStringLiteral("Field"), QStringLiteral("Text")});
  fields_->setRootIsDecorated(false);
  fields_->setSelectionMode(QAbstractItemView::NoSelection);
  fields_->setFocusPolicy(Qt::NoFocus);
  fields_->header()->setStretchLastSection(true);
  fields_->setMinimumHeight(fontMetrics().lineSpacing() * 5);
  layout->addWidget(fields_, 1);

  auto* grid = new QGridLayout;
  backing_ = new QComboBox(this);
  backing_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  auto* backingLabel = new QLabel(QStringLiteral("&Backing style:"), this);
  backingLabel->setBuddy(backing_);
  drone_ = new QLineEdit(this);
  auto* droneLabel = new QLabel(QStringLiteral("&Drone:"), this);
  droneLabel->setBuddy(drone_);
  repeat_ = new QSpinBox(this);
  repeat_->setRange(1, 100);
  auto* repeatLabel = new QLabel(QStringLiteral("&Repeat:"), this);
  repeatLabel->setBuddy(repeat_);
  length_ = new QLabel(this);
  grid->addWidget(backingLabel, 0, 0);
  grid->addWidget(backing_, 0, 1);
  grid->addWidget(droneLabel, 0, 2);
  grid->addWidget(drone_, 0, 3);
  grid->addWidget(repeatLabel, 1, 0);
  grid->addWidget(repeat_, 1, 1, Qt::AlignLeft);
  grid->addWidget(new QLabel(QStringLiteral("Length:"), this), 1, 2);
  grid->addWidget(length_, 1, 3);
  grid->setColumnStretch(3, 1);
  layout->addLayout(grid);

  auto* positionRow = new QHBoxLayout;
  positionRow->addWidget(new QLabel(QStringLiteral("Position:"), this));
  position_ = new QLabel(this);
  position_->setMinimumWidth(
      fontMetrics().horizontalAdvance(QStringLiteral("0000 of 0000 quarter notes")));
  positionRow->addWidget(position_);
  bar_ = new QProgressBar(this);
  bar_->setTextVisible(false);
  bar_->setMaximumHeight(fontMetrics().height());
  positionRow->addWidget(bar_, 1);
  layout->addLayout(positionRow);

  status_ = new QLabel(this);
  status_->setFrameShape(QFrame::Panel);
  status_->setFrameShadow(QFrame::Sunken);
  status_->setMinimumHeight(fontMetrics().height() + 6);
  layout->addWidget(status_);

  auto* buttons = new QHBoxLayout;
  play_ =
      new QPushButton(style()->standardIcon(QStyle::SP_MediaPlay), QStringLiteral("&Play"), this);
  pause_ =
      new QPushButton(style()->standardIcon(QStyle::SP_MediaPause), QStringLiteral("P&ause"), this);
  pause_->setCheckable(true);
  stop_ =
      new QPushButton(style()->standardIcon(QStyle::SP_MediaStop), QStringLiteral("&Stop"), this);
  saveMidi_ = new QPushButton(QStringLiteral("Save &MIDI..."), this);
  for (QPushButton* b : {play_, pause_, stop_}) buttons->addWidget(b);
  buttons->addStretch(1);
  buttons->addWidget(saveMidi_);
  layout->addLayout(buttons);

  CPlayDoc* doc = Doc();
  connect(play_, &QPushButton::clicked, doc, [doc] { doc->Play(); });
  connect(pause_, &QPushButton::clicked, this, [this, doc] {
    doc->Pause();
    ShowState();
  });
  connect(stop_, &QPushButton::clicked, doc, [doc] { doc->Stop(); });
  connect(saveMidi_, &QPushButton::clicked, doc, [doc] { doc->SaveMidiAs(); });
  connect(backing_, &QComboBox::activated, this,
          [this, doc] { doc->SetBackingStyle(backing_->currentText().toStdString()); });
  connect(drone_, &QLineEdit::textEdited, this,
          [doc](const QString& text) { doc->SetDroneText(text.toLatin1().toStdString()); });
  connect(repeat_, &QSpinBox::valueChanged, this, [doc](int n) {
    if (n != doc->Passes()) doc->SetPasses(n);
  });
  connect(doc, &CPlayDoc::StateChanged, this, &CPlayView::ShowState);
  connect(doc, &CPlayDoc::TuneChanged, this, &CPlayView::ShowTune);
  connect(doc, &CPlayDoc::PositionChanged, this, &CPlayView::ShowPosition);
  if (CTunoraApp* app = CTunoraApp::Instance())
    connect(app, &CTunoraApp::SettingsChanged, this, &CPlayView::FillBackings);

  FillBackings();
  ShowTune();
  ShowState();
}

CPlayView::~CPlayView() = default;

CPlayDoc* CPlayView::Doc() const { return static_cast<CPlayDoc*>(Document()); }

void CPlayView::OnInitialUpdate() {
  CMinFormView::OnInitialUpdate();
  ResizeClientTo(sizeHint().expandedTo(QSize(fontMetrics().horizontalAdvance('x') * 64, 0)));
  PlaceInsideClient();
  CTunoraApp* app = CTunoraApp::Instance();
  const int playPos = app ? app->GetSettings().midi.playPos : 1;
  if (playPos == 1) {
    PlaceLowerLeft();
  } else if (playPos == 2) {
    PlaceUpperRight();
  }
}

void CPlayView::FillBackings() {
  backing_->clear();
  for (const Backing& b : StyleSet::Application().backings)
    backing_->addItem(QString::fromLatin1(b.name.c_str()));
  ShowTune();
}

void CPlayView::ShowTune() {
  CPlayDoc* doc = Doc();
  title_->setText(doc->HasTune() ? doc->TuneTitle() : QStringLiteral("(no tune)"));
  fields_->clear();
  for (const auto& [name, value] : doc->Fields())
    fields_->addTopLevelItem(new QTreeWidgetItem(QStringList{name, value}));
  fields_->resizeColumnToContents(0);
  const int index = backing_->findText(QString::fromLatin1(doc->BackingStyle().c_str()));
  if (index >= 0) backing_->setCurrentIndex(index);
  const QString drone = QString::fromLatin1(doc->DroneText().c_str());
  if (drone_->text() != drone) drone_->setText(drone);
  if (repeat_->value() != doc->Passes()) repeat_->setValue(doc->Passes());
  length_->setText(doc->HasTune() ? Quarters(doc->PlayLengthQuarters()) : QString());
  ShowPosition();
  ShowState();
}

void CPlayView::ShowState() {
  CPlayDoc* doc = Doc();
  status_->setText(doc->StatusText());
  const bool playing =
      doc->GetState() == CPlayDoc::State::kPlaying || doc->GetState() == CPlayDoc::State::kPaused;
  const bool idle = !doc->IsBusy();
  play_->setEnabled(doc->HasTune() && CPlayDoc::Busy() == nullptr);
  pause_->setEnabled(playing);
  pause_->setChecked(doc->IsPaused());
  stop_->setEnabled(playing);
  saveMidi_->setEnabled(doc->HasTune());
  backing_->setEnabled(idle && backing_->count() > 0);
  drone_->setEnabled(idle);
  repeat_->setEnabled(idle);
}

void CPlayView::ShowPosition() {
  CPlayDoc* doc = Doc();
  const uint32_t total = doc->PlayLengthQuarters();
  position_->setText(QStringLiteral("%1 of %2").arg(doc->PositionQuarters()).arg(Quarters(total)));
  bar_->setRange(0, static_cast<int>(std::max<uint32_t>(total, 1)));
  bar_->setValue(static_cast<int>(std::min(doc->PositionQuarters(), total)));
}

}  // namespace tunora
