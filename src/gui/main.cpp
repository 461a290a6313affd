// The Tunora desktop program.
#include <QApplication>
#include <QStringList>
#include <string>
#include <vector>

#include "gui/app/AppIcon.h"
#include "gui/app/CAssociationDlg.h"
#include "gui/app/CAutomation.h"
#include "gui/app/CTunoraApp.h"

int main(int argc, char* argv[]) {
  // `tunora --dde 'COMMANDS'`, and `tunora FILE` while Tunora runs, end here
  // without opening a window.
  std::vector<std::string> words(argv + 1, argv + argc);
  int status = 0;
  if (tunora::ForwardToRunningProgram(words, status)) return status;

  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tunora"));
  QApplication::setApplicationVersion(QStringLiteral("0.1"));
  QApplication::setOrganizationName(QStringLiteral("Tunora"));
  QApplication::setWindowIcon(tunora::AppIcon());

  QStringList arguments = QApplication::arguments();
  if (!arguments.isEmpty()) arguments.removeFirst();

  // The program as the desktop knows it: its socket, and the .abc check once the
  // banner has gone.
  tunora::EnableStartupAssociationCheck(true);
  tunora::CTunoraApp app;
  if (!app.InitInstance(arguments)) return 1;
  tunora::CAutomation automation;
  automation.StartServer();
  int result = QApplication::exec();
  app.ExitInstance();
  return result;
}
