#include "gui/import/CSongPlayerWnd.h"

#include <QCloseEvent>
#include <QFont>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/TextEncoding.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/CTunoraApp.h"
#include "gui/app/DocTemplate.h"
#include "gui/app/Messages.h"
#include "gui/play/CPlayDoc.h"
#include "gui/play/options/PlayOptions.h"
#include "gui/tunefile/CAbcDoc.h"
#include "import/Importer.h"

namespace tunora {

QString WrapAtBlanks(const QString& text, int width) {
  QStringList out;
  for (QString line : text.split(QLatin1Char('\n'))) {
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    while (line.size() > width) {
      int cut = line.lastIndexOf(QLatin1Char(' '), width);
      if (cut <= 0) cut = line.indexOf(QLatin1Char(' '), width);
      if (cut <= 0) break;
      out << line.left(cut);
      line = line.mid(cut + 1);
    }
    out << line;
  }
  return out.join(QLatin1Char('\n'));
}

CSongPlayerWnd::CSongPlayerWnd(CAbcDoc* fileDoc, CPlayDoc* player, QWidget* parent)
    : QWidget(parent, Qt::Window), fileDoc_(fileDoc), player_(player) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Tunora Song Player"));
  title_ = new QLabel(this);
  QFont big = title_->font();
  big.setPointSizeF(big.pointSizeF() * 1.4);
  big.setBold(true);
  title_->setFont(big);
  status_ = new QLabel(this);
  text_ = new QPlainTextEdit(this);
  text_->setReadOnly(true);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  play_ = new QPushButton(QStringLiteral("&Play"), this);
  stop_ = new QPushButton(QStringLiteral("&Stop"), this);
  exit_ = new QPushButton(QStringLiteral("E&xit"), this);
  settings_ = new QPushButton(QStringLiteral("S&ettings..."), this);
  about_ = new QPushButton(QStringLiteral("&About..."), this);
  full_ = new QPushButton(QStringLiteral("&Tunora..."), this);
  full_->setToolTip(QStringLiteral("Open the full program with this song"));

  const TuneRecord* tune =
      fileDoc_ && fileDoc_->File().TuneCount() > 0 ? fileDoc_->File().TuneAt(1) : nullptr;
  QString title;
  if (tune != nullptr && !tune->titles.empty()) title = fileDoc_->ToDisplay(tune->titles.front());
  title_->setText(title.isEmpty() ? QStringLiteral("No Title") : title);
  if (tune != nullptr)
    text_->setPlainText(
        WrapAtBlanks(fileDoc_->ToDisplay(CrLfToLf(fileDoc_->File().WriteTune(*tune, false)))));

  connect(play_, &QPushButton::clicked, this, [this] {
    if (player_) player_->Play();
  });
  connect(stop_, &QPushButton::clicked, this, [this] {
    if (player_) player_->Stop();
  });
  connect(exit_, &QPushButton::clicked, this, &QWidget::close);
  connect(settings_, &QPushButton::clicked, this, [this] { ShowPlaybackSettings(this); });
  connect(about_, &QPushButton::clicked, this, [] {
    if (CTunoraApp* app = CTunoraApp::Instance()) app->OnCommand(CommandId::kHelpAbout);
  });
  connect(full_, &QPushButton::clicked, this, &CSongPlayerWnd::OpenFullProgram);
  if (player_) connect(player_, &CPlayDoc::StateChanged, this, &CSongPlayerWnd::UpdateButtons);

  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {play_, stop_, settings_, about_, full_, exit_}) buttons->addWidget(b);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(title_);
  layout->addWidget(text_, 1);
  layout->addWidget(status_);
  layout->addLayout(buttons);
  resize(QFontMetrics(text_->font()).horizontalAdvance(QString(84, QLatin1Char('m'))), 420);
  UpdateButtons();
}

CPlayDoc* CSongPlayerWnd::Player() const { return player_.data(); }
QString CSongPlayerWnd::Title() const { return title_->text(); }
QString CSongPlayerWnd::ShownText() const { return text_->toPlainText(); }

void CSongPlayerWnd::UpdateButtons() {
  const bool busy = player_ && player_->IsBusy();
  play_->setEnabled(player_ && !busy);
  stop_->setEnabled(busy);
  status_->setText(player_ ? player_->StatusText() : QString());
}

void CSongPlayerWnd::OpenFullProgram() {
  CTunoraApp* app = CTunoraApp::Instance();
  if (app == nullptr || app->MainFrame() == nullptr) return;
  handedOver_ = true;
  app->MainFrame()->show();
  app->MainFrame()->raise();
  if (fileDoc_) fileDoc_->ActivateFirstView();
  close();
}

void CSongPlayerWnd::closeEvent(QCloseEvent* event) {
  if (player_ && player_->IsBusy()) player_->Stop();
  CTunoraApp* app = CTunoraApp::Instance();
  if (player_ && app) app->CloseDocument(player_);
  event->accept();
  // Without the full program the song player is the program: closing it ends it.
  if (!handedOver_ && app && app->MainFrame() && !app->MainFrame()->isVisible())
    app->MainFrame()->close();
}

CSongPlayerWnd* CSongPlayerWnd::Open(const QString& path) {
  CTunoraApp* app = CTunoraApp::Instance();
  QWidget* parent = app ? app->MainFrame() : nullptr;
  const DocTemplate* fileTemplate = app ? app->Templates().FileTemplate() : nullptr;
  auto* fileDoc = fileTemplate ? qobject_cast<CAbcDoc*>(app->NewDocument(*fileTemplate)) : nullptr;
  if (fileDoc == nullptr) {
    MessageError(parent, QStringLiteral("Internal error 1."));
    return nullptr;
  }
  CollectingSink quiet;
  ImportOutcome outcome =
      ConvertFile(ImportKind::kSongWright, path.toStdString(), app->ProgramDir(), quiet);
  if (!outcome.ok || fileDoc->InsertImportedTunes(outcome.tunes) == 0) {
    app->CloseDocument(fileDoc);
    MessageError(parent, QStringLiteral("Error reading SongWright file."));
    return nullptr;
  }
  // The song is shown, not edited: leaving asks nothing.
  fileDoc->SetModifiedFlag(false);
  const DocTemplate* playTemplate = app->Templates().FindById(kPlayerTemplateId);
  auto* player =
      playTemplate ? qobject_cast<CPlayDoc*>(app->CreateDocument(*playTemplate)) : nullptr;
  PlayRequest request;
  request.fileHeader = fileDoc->File().headerText.value_or(std::string());
  request.tuneText = fileDoc->File().WriteTune(*fileDoc->File().TuneAt(1), false);
  if (player == nullptr || !player->SetTune(request, fileDoc)) {
    if (player) app->CloseDocument(player);
    MessageError(parent, QStringLiteral("Internal error 2."));
    return nullptr;
  }
  auto* window = new CSongPlayerWnd(fileDoc, player);
  window->show();
  return window;
}

}  // namespace tunora
