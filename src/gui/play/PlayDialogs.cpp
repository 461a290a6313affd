#include "gui/play/PlayDialogs.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTextOption>
#include <QVBoxLayout>

#include "base/TextEncoding.h"
#include "gui/app/Messages.h"
#include "play/Performance.h"

namespace tunora {

namespace {

// Draws a line of the listing with its tabs at fixed stops.
class TabStopDelegate : public QStyledItemDelegate {
 public:
  TabStopDelegate(qreal stop, QObject* parent) : QStyledItemDelegate(parent), stop_(stop) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyleOptionViewItem o = option;
    initStyleOption(&o, index);
    const QString text = o.text;
    o.text.clear();
    const QWidget* w = option.widget;
    QStyle* style = w ? w->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &o, painter, w);
    QTextOption to;
    to.setTabStopDistance(stop_);
    to.setWrapMode(QTextOption::NoWrap);
    painter->save();
    painter->setPen(o.palette.color(o.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                     : QPalette::Text));
    painter->drawText(QRectF(o.rect.adjusted(4, 0, -2, 0)), text, to);
    painter->restore();
  }

 private:
  qreal stop_;
};

}  // namespace

CAbcErrorsDlg::CAbcErrorsDlg(QWidget* parent, const std::string& errorList) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Errors in ABC Tune"));
  auto* layout = new QVBoxLayout(this);
  list_ = new QPlainTextEdit(this);
  list_->setReadOnly(true);
  list_->setLineWrapMode(QPlainTextEdit::NoWrap);
  list_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  // The excerpts are bytes of the tune: shown as UTF-8 where they are, otherwise as
  // code page 1252 characters (the line-end mark 171 is a "«").
  const std::string text = DecodeText(CrLfToLf(errorList), TextEncoding::kUtf8);
  list_->setPlainText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  layout->addWidget(list_);
  layout->addWidget(
      new QLabel(QStringLiteral("You can use Ctrl+Shift+E to show the errors in the tune"), this));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  help_ = buttons->addButton(QStringLiteral("&Help"), QDialogButtonBox::HelpRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(help_, &QPushButton::clicked, this, &CAbcErrorsDlg::ShowHelp);
  layout->addWidget(buttons);
  const QFontMetrics fm(list_->font());
  resize(fm.horizontalAdvance(QLatin1Char('x')) * 72 + 40, fm.lineSpacing() * 14 + 100);
}

void CAbcErrorsDlg::ShowHelp() {
  MessageInfo(this, QStringLiteral(
                        "Each line tells where the tune has a problem: \"L\" and the line of the "
                        "tune body, the message, the text found there (\u00ab marks a line end) "
                        "and, in brackets, its offset from the start of the body.\n\n"
                        "Errors are played as well as they can be. In the tune editor, F4 (Next "
                        "Error) goes to each place in turn."));
}

CDebugMidiDlg::CDebugMidiDlg(QWidget* parent, const std::vector<MidiEvent>& events)
    : QDialog(parent) {
  setWindowTitle(QStringLiteral("Debug MIDI"));
  auto* layout = new QVBoxLayout(this);
  list_ = new QListWidget(this);
  list_->setUniformItemSizes(true);
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  const QFontMetrics fm(list_->font());
  const qreal stop = fm.horizontalAdvance(QStringLiteral("Status")) + fm.horizontalAdvance('x') * 3;
  list_->setItemDelegate(new TabStopDelegate(stop, list_));
  const std::string listing = FormatEventListing(events);
  QStringList lines = QString::fromLatin1(listing.data(), static_cast<qsizetype>(listing.size()))
                          .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  list_->addItems(lines);
  layout->addWidget(list_);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);
  resize(static_cast<int>(stop * 6 + 60), fm.lineSpacing() * 24 + 80);
}

}  // namespace tunora
