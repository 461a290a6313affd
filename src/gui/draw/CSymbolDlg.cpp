#include "gui/draw/CSymbolDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "base/IniFile.h"
#include "draw/FormatSettings.h"
#include "gui/app/CTunoraApp.h"
#include "gui/app/Messages.h"
#include "gui/draw/LayoutFields.h"
#include "platform/canvas/QtCanvas.h"

namespace tunora {
namespace {

constexpr int kColumns = 16;
constexpr int kFirstChar = 0x20;

QFont NotationFont(int points) {
  FontSpec fontSpec = FormatSettings::Application().notationFont;
  fontSpec.size = points;
  QFont f = QFontOf(fontSpec);
  f.setStyleStrategy(QFont::NoFontMerging);
  return f;
}

QString GlyphText(const QFont& font, uint8_t c) {
  return QtCanvas::SymbolText(QFontMetricsF(font), c);
}

}  // namespace

// --- Set Symbol ------------------------------------------------------------------------------

CSetSymbolDlg::CSetSymbolDlg(int symbol, uint8_t current, QWidget* parent)
    : QDialog(parent), grid_(new QTableWidget((256 - kFirstChar) / kColumns, kColumns, this)) {
  setWindowTitle(QStringLiteral("Set Symbol - ") + QString::fromLatin1(SymbolMap::Name(symbol)));
  const QFont font = NotationFont(20);
  grid_->setFont(font);
  grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid_->horizontalHeader()->setDefaultSectionSize(40);
  grid_->verticalHeader()->setDefaultSectionSize(48);
  grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grid_->setSelectionMode(QAbstractItemView::SingleSelection);
  QStringList columns, rows;
  for (int c = 0; c < kColumns; ++c) columns << QStringLiteral("%1").arg(c, 0, 16).toUpper();
  for (int r = 0; r < grid_->rowCount(); ++r)
    rows << QStringLiteral("%1_").arg((kFirstChar / kColumns) + r, 0, 16).toUpper();
  grid_->setHorizontalHeaderLabels(columns);
  grid_->setVerticalHeaderLabels(rows);
  for (int c = kFirstChar; c < 256; ++c) {
    auto* item = new QTableWidgetItem(GlyphText(font, static_cast<uint8_t>(c)));
    item->setTextAlignment(Qt::AlignCenter);
    item->setToolTip(QStringLiteral("0x%1").arg(c, 2, 16, QLatin1Char('0')).toUpper());
    grid_->setItem((c - kFirstChar) / kColumns, (c - kFirstChar) % kColumns, item);
  }
  Choose(current);
  connect(grid_, &QTableWidget::cellDoubleClicked, this, &QDialog::accept);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(grid_);
  layout->addWidget(buttons);
  resize(40 * kColumns + 80, 560);
}

void CSetSymbolDlg::Choose(uint8_t character) {
  if (character < kFirstChar) return;
  grid_->setCurrentCell((character - kFirstChar) / kColumns, (character - kFirstChar) % kColumns);
}

uint8_t CSetSymbolDlg::Chosen() const {
  int row = grid_->currentRow(), column = grid_->currentColumn();
  if (row < 0 || column < 0) return 0;
  return static_cast<uint8_t>(kFirstChar + row * kColumns + column);
}

// --- Offset ----------------------------------------------------------------------------------

COffsetDlg::COffsetDlg(int symbol, LayoutParams& params, QWidget* parent)
    : QDialog(parent), symbol_(symbol), params_(params) {
  setWindowTitle(QStringLiteral("Offset - ") + QString::fromLatin1(SymbolMap::Name(symbol)));
  auto* form = new QFormLayout;
  const char* labels[] = {
      "&Vertical, above Notehead:", "&Vertical, below Notehead:", "&Horizontal:"};
  const int32_t values[] = {params.Above(symbol), params.Below(symbol), params.Horizontal(symbol)};
  for (int i = 0; i < 3; ++i) {
    fields_[i] = new LengthField(this);
    fields_[i]->SetValue(values[i]);
    form->addRow(QString::fromLatin1(labels[i]), fields_[i]);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
}

void COffsetDlg::accept() {
  int32_t values[3];
  for (int i = 0; i < 3; ++i) {
    if (!fields_[i]->ReadOrTell(values[i])) return;
  }
  params_[LayoutParams::kAboveBase + symbol_] = values[0];
  params_[LayoutParams::kBelowBase + symbol_] = values[1];
  params_[LayoutParams::kHorizontalBase + symbol_] = values[2];
  QDialog::accept();
}

// --- Musical Symbols -------------------------------------------------------------------------

CSymbolDlg::CSymbolDlg(LayoutParams& params, QWidget* parent)
    : QDialog(parent), params_(params), working_(params), list_(new QListWidget(this)) {
  setWindowTitle(QStringLiteral("Musical Symbols"));
  if (CTunoraApp* app = CTunoraApp::Instance())
    map_ = SymbolMap(app->GetSettings().fonts.musicalSymbols);
  list_->setIconSize(QSize(32, 32));
  for (int s = 0; s < SymbolMap::kCount; ++s) {
    list_->addItem(QString());
    FillRow(s);
  }
  auto* symbol = new QPushButton(QStringLiteral("&Symbol..."), this);
  auto* offset = new QPushButton(QStringLiteral("&Offset..."), this);
  connect(symbol, &QPushButton::clicked, this, &CSymbolDlg::SetSymbol);
  connect(offset, &QPushButton::clicked, this, &CSymbolDlg::SetOffset);
  connect(list_, &QListWidget::itemDoubleClicked, this, &CSymbolDlg::SetSymbol);
  auto* side = new QVBoxLayout;
  side->addWidget(symbol);
  side->addWidget(offset);
  side->addStretch(1);
  auto* buttons =
      new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Vertical, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  side->addWidget(buttons);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(list_, 1);
  layout->addLayout(side);
  resize(520, 600);
}

void CSymbolDlg::FillRow(int s) {
  QListWidgetItem* item = list_->item(s);
  if (SymbolMap::IsHeading(s)) {
    item->setText(QString::fromLatin1(SymbolMap::Name(s)));
    item->setFlags(Qt::NoItemFlags);
    QFont bold = item->font();
    bold.setBold(true);
    item->setFont(bold);
    return;
  }
  // The glyph as a picture in front of the name, drawn in the notation font.
  // Music glyphs reach far above and below their baseline: it sits at two thirds.
  const QFont font = NotationFont(14);
  QPixmap picture(32, 32);
  picture.fill(Qt::white);
  {
    QPainter p(&picture);
    p.setFont(font);
    p.setPen(Qt::black);
    const QString glyph = GlyphText(font, map_.Char(s));
    const double width = QFontMetricsF(font).horizontalAdvance(glyph);
    p.drawText(QPointF((32 - width) / 2, 22), glyph);
  }
  item->setIcon(QIcon(picture));
  item->setText(QStringLiteral("%1  %2  (0x%3)")
                    .arg(s, 3)
                    .arg(QString::fromLatin1(SymbolMap::Name(s)))
                    .arg(map_.Char(s), 2, 16, QLatin1Char('0')));
  item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
}

int CSymbolDlg::Current() const {
  int row = list_->currentRow();
  return SymbolMap::IsSelectable(row) && list_->item(row)->isSelected() ? row : -1;
}

bool CSymbolDlg::ChangeSymbol(int symbol, uint8_t character) {
  if (!map_.Set(symbol, character)) return false;
  FillRow(symbol);
  return true;
}

void CSymbolDlg::SetSymbol() {
  int s = Current();
  if (s < 0) return;
  CSetSymbolDlg dialog(s, map_.Char(s), this);
  if (dialog.exec() == QDialog::Accepted && dialog.Chosen() != 0) ChangeSymbol(s, dialog.Chosen());
}

void CSymbolDlg::SetOffset() {
  int s = Current();
  if (s < 0) return;
  COffsetDlg dialog(s, working_, this);
  dialog.exec();
}

void CSymbolDlg::accept() {
  if (!SaveSymbolMap(map_)) {
    MessageError(this, QStringLiteral("The symbols could not be saved in the settings file."));
    return;
  }
  params_ = working_;
  QDialog::accept();
}

bool SaveSymbolMap(const SymbolMap& map) {
  CTunoraApp* app = CTunoraApp::Instance();
  if (app == nullptr) return false;
  app->GetSettings().fonts.musicalSymbols = map.Text();
  IniFile ini;
  ini.Load(app->IniPath());
  ini.SetPath(app->IniPath());
  ini.WriteString("Fonts", "MusicalSymbols", map.Text());
  bool ok = ini.Save();
  app->ApplySettings();
  return ok;
}

}  // namespace tunora
