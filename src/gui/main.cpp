// The Tunora desktop program.
#include <QApplication>
#include <QStringList>

#include "gui/app/AppIcon.h"
#include "gui/app/CTunoraApp.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tunora"));
  QApplication::setApplicationVersion(QStringLiteral("0.1"));
  QApplication::setOrganizationName(QStringLiteral("Tunora"));
  QApplication::setWindowIcon(tunora::AppIcon());

  QStringList arguments = QApplication::arguments();
  if (!arguments.isEmpty()) arguments.removeFirst();

  tunora::CTunoraApp app;
  if (!app.InitInstance(arguments)) return 1;
  int result = QApplication::exec();
  app.ExitInstance();
  return result;
}
