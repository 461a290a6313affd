// Saving the open windows at exit and restoring them at the next start from
// the section "Windows" of tunora.ini.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTextBrowser>
#include <QtTest>

#include "app/WindowList.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/CMinFormDoc.h"
#include "gui/app/CMinFormView.h"
#include "gui/app/CTunoraApp.h"
#include "gui/app/Messages.h"
#include "gui/ShellTestSupport.h"
#include "gui/tunefile/CAbcView.h"

using namespace tunora;
using tunora::test::ProgramFolder;

namespace {

CMinFormDoc* DocumentOf(CTunoraApp& app, const QString& path) {
  for (CMinFormDoc* doc : app.Documents()) {
    if (doc->PathName() == path) return doc;
  }
  return nullptr;
}

int LineOf(CMinFormDoc* doc) {
  auto* view = qobject_cast<CAbcView*>(doc ? doc->FirstView() : nullptr);
  return view ? view->CurrentLine() : -1;
}

}  // namespace

class ShellWindowsTest : public QObject {
  Q_OBJECT

 private slots:
  void restoresTuneListsFromAWrittenIni() {
    ProgramFolder home;
    QString reels = home.CopySample("Reels.abc");
    QString jigs = home.CopySample("Jigs.abc");
    QString gone = home.File("Gone.abc");
    std::string ini =
        "[Preferences]\r\nSaveWindows=1\r\nNextTip=0\r\n"
        "[Windows]\r\nWinCount=4\r\nActive=1\r\n"
        "WinPos1=0,1,-1,-1,-1,-1,10,10,400,300\r\nWinDoc1=" +
        reels.toStdString() +
        "?3\r\n"
        "WinPos2=0,1,-1,-1\r\nWinDoc2=" +
        jigs.toStdString() +
        "?1\r\n"
        "WinPos3=0,1,-1,-1,-1,-1,200,40,600,380\r\nWinDoc3=" +
        jigs.toStdString() +
        "?5\r\n"
        "WinPos4=0,1,-1,-1,-1,-1,0,0,300,300\r\nWinDoc4=" +
        gone.toStdString() + "?2\r\n";
    home.WriteIni(ini);
    std::vector<QString> messages;
    SetMessageHandler([&](const MessageRequest& r) {
      messages.push_back(r.text);
      return MessageAnswer::kOk;
    });

    CTunoraApp app;
    QVERIFY(app.InitInstance({"--home", home.Dir()}));  // no file: the last run comes back
    SetMessageHandler({});
    QCOMPARE(app.Documents().size(), size_t{2});
    CMinFormDoc* reelsDoc = DocumentOf(app, reels);
    CMinFormDoc* jigsDoc = DocumentOf(app, jigs);
    QVERIFY(reelsDoc && jigsDoc);
    QCOMPARE(LineOf(reelsDoc), 3);
    // Window 2 had a broken placement and was skipped; window 3 shows the same file.
    QCOMPARE(LineOf(jigsDoc), 5);
    QCOMPARE(app.MainFrame()->ActiveDocument(), reelsDoc);
    QRect jigsFrame = jigsDoc->FirstView()->Frame()->geometry();
    QCOMPARE(jigsFrame.topLeft(), QPoint(200, 40));
    QCOMPARE(messages.size(), size_t{1});  // the missing file is reported

    // At exit the list is written again, in window order, with the active one.
    app.MainFrame()->ActivateView(jigsDoc->FirstView());
    app.MainFrame()->close();
    IniFile saved = home.Ini();
    QCOMPARE(saved.GetInt("Windows", "WinCount", -1), 2);
    QCOMPARE(saved.GetInt("Windows", "Active", -1), 2);
    QCOMPARE(saved.GetString("Windows", "WinDoc1", ""), reels.toStdString() + "?3");
    QCOMPARE(saved.GetString("Windows", "WinDoc2", ""), jigs.toStdString() + "?5");
    QVERIFY(!saved.HasKey("Windows", "WinDoc3"));
    auto placement = ParsePlacement(saved.GetString("Windows", "WinPos2", ""));
    QVERIFY(placement.has_value());
    QCOMPARE(placement->left, 200);
  }

  void roundTripThroughTwoRuns() {
    ProgramFolder home;
    QString reels = home.CopySample("Reels.abc");
    home.WriteIni("[Preferences]\r\nSaveWindows=1\r\nNextTip=0\r\n");
    {
      CTunoraApp app;
      QVERIFY(app.InitInstance({"--home", home.Dir(), "/s", reels}));
      auto* view = qobject_cast<CAbcView*>(app.Documents()[0]->FirstView());
      QVERIFY(view);
      view->SelectLine(7);
      view->Frame()->showMaximized();
      app.MainFrame()->close();
    }
    CTunoraApp app;
    QVERIFY(app.InitInstance({"--home", home.Dir()}));
    QCOMPARE(app.Documents().size(), size_t{1});
    QCOMPARE(LineOf(app.Documents()[0]), 7);
    QVERIFY(app.Documents()[0]->FirstView()->Frame()->isMaximized());
  }

  void nothingIsRestoredWhenSaveWindowsIsOff() {
    ProgramFolder home;
    QString reels = home.CopySample("Reels.abc");
    home.WriteIni(
        "[Preferences]\r\nSaveWindows=0\r\nNextTip=0\r\n[Windows]\r\nWinCount=1\r\n"
        "Active=1\r\nWinPos1=0,1,-1,-1,-1,-1,0,0,300,300\r\nWinDoc1=" +
        reels.toStdString() + "?2\r\n");
    CTunoraApp app;
    QVERIFY(app.InitInstance({"--home", home.Dir()}));
    QCOMPARE(app.Documents().size(), size_t{0});
  }

  void untitledFilesAreNotSaved() {
    ProgramFolder home;
    home.WriteIni("[Preferences]\r\nSaveWindows=1\r\nNextTip=0\r\n");
    CTunoraApp app;
    QVERIFY(app.InitInstance({"--home", home.Dir(), "/s"}));
    app.MainFrame()->RunCommand(CommandId::kFileNew);
    app.MainFrame()->close();
    QCOMPARE(home.Ini().GetInt("Windows", "WinCount", -1), 0);
    QCOMPARE(home.Ini().GetInt("Windows", "Active", -1), 0);
  }

  // Help > Contents (F1) shows the manual installed beside the program; Close All
  // stops at the first window that stays open.
  void manualAndCloseAll() {
    ProgramFolder home;
    home.WriteIni("[Preferences]\r\nNextTip=0\r\n");
    test::ScriptedMessages script;
    script.Install();
    CTunoraApp app;
    QVERIFY(app.InitInstance({"--home", home.Dir(), "/s", "/m"}));
    QCOMPARE(app.MainFrame()->Action(CommandId::kHelpContents)->shortcut(),
             QKeySequence(QKeySequence::HelpContents));
    QVERIFY(app.MainFrame()->RunCommand(CommandId::kHelpContents));
    QTextBrowser* browser = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->windowTitle() == QStringLiteral("Tunora Help"))
        browser = w->findChild<QTextBrowser*>();
    QVERIFY(browser != nullptr);
    QVERIFY(
        browser->toPlainText().contains(QStringLiteral("Saving: what is written to your file")));
    browser->window()->close();

    // Two changed untitled files: Cancel at the first stops the second from closing.
    for (int k = 0; k < 2; ++k) {
      app.MainFrame()->RunCommand(CommandId::kFileNew);
      app.MainFrame()->ActiveDocument()->SetModifiedFlag(true);
    }
    script.threeWay = {MessageAnswer::kCancel};
    QVERIFY(!app.MainFrame()->CloseAllWindows());
    QCOMPARE(script.messages.size(), 1);
    QCOMPARE(app.Documents().size(), size_t{2});
    for (CMinFormDoc* doc : app.Documents()) doc->SetModifiedFlag(false);
    QVERIFY(app.MainFrame()->CloseAllWindows());
    SetMessageHandler({});
  }
};

QTEST_MAIN(ShellWindowsTest)
#include "ShellWindowsTest.moc"
