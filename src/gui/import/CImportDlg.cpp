#include "gui/import/CImportDlg.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "gui/import/ImportCommand.h"
#include "gui/tunefile/CAbcDoc.h"

namespace tunora {

CImportDlg::CImportDlg(CAbcDoc& doc, ImportKind kind, const QStringList& files, QWidget* parent)
    : QDialog(parent), doc_(&doc), kind_(kind), files_(files) {
  setWindowTitle(QStringLiteral("Import"));
  list_ = new QTreeWidget(this);
  list_->setColumnCount(2);
  list_->setHeaderLabels({QStringLiteral("File"), QStringLiteral("Result")});
  list_->setRootIsDecorated(false);
  list_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  for (const QString& f : files_) {
    auto* item = new QTreeWidgetItem(list_, {QFileInfo(f).fileName(), QString()});
    item->setToolTip(0, f);
  }
  summary_ = new QLabel(
      QStringLiteral("%1 files to import into %2.").arg(files_.size()).arg(doc.Title()), this);
  start_ = new QPushButton(QStringLiteral("&Start"), this);
  stop_ = new QPushButton(QStringLiteral("S&top"), this);
  close_ = new QPushButton(QStringLiteral("&Close"), this);
  connect(start_, &QPushButton::clicked, this, &CImportDlg::Start);
  connect(stop_, &QPushButton::clicked, this, &CImportDlg::Stop);
  connect(close_, &QPushButton::clicked, this, &CImportDlg::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(summary_, 1);
  buttons->addWidget(start_);
  buttons->addWidget(stop_);
  buttons->addWidget(close_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_);
  layout->addLayout(buttons);
  resize(560, 320);
  UpdateButtons();
}

void CImportDlg::UpdateButtons() {
  start_->setEnabled(!running_ && next_ < files_.size() && doc_ != nullptr);
  stop_->setEnabled(running_);
  close_->setEnabled(!running_);
}

void CImportDlg::Start() {
  if (running_) return;
  running_ = true;
  stopRequested_ = false;
  UpdateButtons();
  // Waiting messages may close this window or the tune file.
  QPointer<CImportDlg> self(this);
  while (next_ < files_.size() && !stopRequested_ && doc_ != nullptr) {
    QTreeWidgetItem* item = list_->topLevelItem(next_);
    item->setText(1, QStringLiteral("Converting..."));
    list_->scrollToItem(item);
    // Stop and the other windows get their turn between files.
    QCoreApplication::processEvents();
    if (self == nullptr) return;
    if (stopRequested_ || doc_ == nullptr) {
      item->setText(1, QString());
      break;
    }
    QString status;
    tunes_ += ImportOneFile(*doc_, kind_, files_[next_], status);
    if (self == nullptr) return;
    item->setText(1, status);
    ++next_;
    summary_->setText(QStringLiteral("%1 of %2 files, %3 tunes added.")
                          .arg(next_)
                          .arg(files_.size())
                          .arg(tunes_));
    QCoreApplication::processEvents();
    if (self == nullptr) return;
  }
  running_ = false;
  if (stopRequested_ && next_ < files_.size())
    summary_->setText(summary_->text() + QStringLiteral(" Stopped."));
  UpdateButtons();
}

void CImportDlg::Stop() { stopRequested_ = true; }

void CImportDlg::reject() {
  // Closing while converting stops first.
  if (running_) {
    stopRequested_ = true;
    return;
  }
  QDialog::reject();
}

}  // namespace tunora
