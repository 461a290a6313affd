#include "platform/desktop/StartProgram.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace tunora {

int StartProgram(const std::vector<std::string>& words, long long* pid) {
  if (words.empty() || words.front().empty()) return 2;
  const QString program = QString::fromStdString(words.front());
  // A name without a folder is looked up in PATH, as a shell would.
  QString found =
      program.contains(QLatin1Char('/')) ? program : QStandardPaths::findExecutable(program);
  if (found.isEmpty()) return 2;
  QFileInfo info(found);
  if (!info.exists()) return 2;
  if (!info.isFile() || !info.isExecutable()) return 13;
  QStringList arguments;
  for (size_t i = 1; i < words.size(); ++i) arguments << QString::fromStdString(words[i]);
  QProcess process;
  process.setProgram(info.absoluteFilePath());
  process.setArguments(arguments);
  qint64 started = 0;
  if (!process.startDetached(&started)) return 1;
  if (pid != nullptr) *pid = started;
  return 0;
}

void RefreshDesktopDatabases(const XdgDirs& dirs) {
  auto run = [](const QString& tool, const QString& dir) {
    QString path = QStandardPaths::findExecutable(tool);
    if (path.isEmpty()) return;
    QProcess process;
    process.setProgram(path);
    process.setArguments({dir});
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForFinished(10000)) process.kill();
    process.waitForFinished(1000);
  };
  run(QStringLiteral("update-mime-database"), QString::fromStdString(dirs.dataHome + "/mime"));
  run(QStringLiteral("update-desktop-database"),
      QString::fromStdString(dirs.dataHome + "/applications"));
}

}  // namespace tunora
