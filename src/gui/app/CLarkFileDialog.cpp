#include "gui/app/CLarkFileDialog.h"

#include <QFileInfo>

#include "base/FileNames.h"
#include "gui/app/Messages.h"

namespace tunora {

namespace {
CLarkFileDialog::AnswerHook& Hook() {
  static CLarkFileDialog::AnswerHook hook;
  return hook;
}
}  // namespace

void CLarkFileDialog::SetAnswerHook(AnswerHook hook) { Hook() = std::move(hook); }

CLarkFileDialog::CLarkFileDialog(bool openFile, const QString& title, const QString& fileName,
                                 const QString& filter, QWidget* parent, bool allowWildcards)
    : QFileDialog(parent, title), allowWildcards_(allowWildcards) {
  // The program's own dialog, so the name check runs on every platform theme.
  setOption(QFileDialog::DontUseNativeDialog, true);
  setAcceptMode(openFile ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  setFileMode(openFile ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  if (!filter.isEmpty()) {
    setNameFilter(filter);
    // A save dialog adds the extension of the first filter to a bare name.
    int star = filter.indexOf(QStringLiteral("*."));
    if (!openFile && star >= 0) {
      int end = star + 2;
      while (end < filter.size() && filter[end].isLetterOrNumber()) ++end;
      if (end > star + 2) setDefaultSuffix(filter.mid(star + 2, end - star - 2));
    }
  }
  if (!fileName.isEmpty()) {
    QFileInfo info(fileName);
    if (info.isAbsolute()) {
      setDirectory(info.absolutePath());
      selectFile(info.fileName());
    } else {
      selectFile(fileName);
    }
  }
}

bool CLarkFileDialog::AcceptsName(const QString& name) const {
  // Only the last part of a path is the typed name; folders were chosen by browsing.
  QString last = name.section(QLatin1Char('/'), -1);
  return IsAcceptableFileName(last.toStdString(), allowWildcards_);
}

void CLarkFileDialog::accept() {
  const QStringList files = selectedFiles();
  for (const QString& file : files) {
    if (!AcceptsName(file)) {
      MessageWarning(this, QStringLiteral("%1\nThe file name is not valid.")
                               .arg(file.section(QLatin1Char('/'), -1)));
      return;
    }
  }
  QFileDialog::accept();
}

QString CLarkFileDialog::GetOpenFileName(QWidget* parent, const QString& title,
                                         const QString& fileName, const QString& filter,
                                         bool allowWildcards) {
  if (Hook()) return Hook()(title, fileName);
  CLarkFileDialog dialog(true, title, fileName, filter, parent, allowWildcards);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front();
}

QStringList CLarkFileDialog::GetOpenFileNames(QWidget* parent, const QString& title,
                                              const QString& fileName, const QString& filter) {
  if (Hook()) return Hook()(title, fileName).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  CLarkFileDialog dialog(true, title, fileName, filter, parent, false);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles();
}

QString CLarkFileDialog::GetSaveFileName(QWidget* parent, const QString& title,
                                         const QString& fileName, const QString& filter) {
  if (Hook()) return Hook()(title, fileName);
  CLarkFileDialog dialog(false, title, fileName, filter, parent, false);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front();
}

}  // namespace tunora
