// Start-up of the desktop program: command line, banner, tips, main window
// placement, the toolbar and what is saved at exit.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QToolBar>
#include <QScreen>
#include <QtTest>

#include "app/WindowList.h"
#include "gui/app/CBannerWnd.h"
#include "gui/app/CLarkFileDialog.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/CMinFormDoc.h"
#include "gui/app/CTipDlg.h"
#include "gui/app/CTunoraApp.h"
#include "gui/app/Messages.h"
#include "gui/ShellTestSupport.h"

using namespace tunora;
using tunora::test::ProgramFolder;

class ShellStartupTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { SetMessageHandler({}); }

  void slashSOpensTheFileWithoutBanner() {
    ProgramFolder home;
    QString file = home.CopySample("Reels.abc");
    CTunoraApp app;
    QVERIFY(app.InitInstance({"--home", home.Dir(), "/s", file}));
    QVERIFY(CBannerWnd::Current() == nullptr);
    QVERIFY(app.MainFrame()->isVisible());
    QCOMPARE(app.Documents().size(), size_t{1});
    QCOMPARE(app.Documents()[0]->PathName(), file);
    QCOMPARE(app.MainFrame()->windowTitle(), QStringLiteral("Tunora - [Reels.abc]"));
    QCOMPARE(app.GetRecentFiles().Entries().front(), file.toStdString());
    // Opening the same file again brings the open window forward.
    QCOMPARE(app.OpenDocumentFile(file), app.Documents()[0]);
    QCOMPARE(app.Documents().size(), size_t{1});
  }

  void missingFileIsReportedAndNothingOpens() {
    ProgramFolder home;
    std::vector<QString> messages;
    SetMessageHandler([&](const MessageRequest& r) {
      messages.push_back(r.text);
      return MessageAnswer::kOk;
    });
    CTunoraApp app;
    QVERIFY(app.InitInstance({"--home", home.Dir(), "-S", home.File("none.abc")}));
    QCOMPARE(app.Documents().size(), size_t{0});
    QCOMPARE(messages.size(), size_t{1});
    QVERIFY(messages[0].contains(QStringLiteral("none.abc")));
    QCOMPARE(app.MainFrame()->windowTitle(), QStringLiteral("Tunora"));
  }

  void fileOnTheCommandLineSkipsTheWindowsOfTheLastRun() {
    ProgramFolder home;
    QString other = home.CopySample("Other.abc");
    QString file = home.CopySample("Jigs.abc");
    home.WriteIni(
        "[Preferences]\r\nSaveWindows=1\r\nNextTip=0\r\n[Windows]\r\nWinCount=1\r\n"
        "Active=1\r\nWinPos1=0,1,-1,-1,-1,-1,0,0,300,300\r\nWinDoc1=" +
        other.toStdString() + "?2\r\n");
    CTunoraApp app;
    QVERIFY(app.InitInstance({"--home", home.Dir(), "/s", file}));
    QCOMPARE(app.Documents().size(), size_t{1});
    QCOMPARE(app.Documents()[0]->PathName(), file);
  }

  void savedPlacementIsAppliedAndAMalformedOneIgnored() {
    ProgramFolder home;
    home.WriteIni("[Windows]\r\nWinPos=0,1,-1,-1,-1,-1,40,50,740,550\r\n");
    {
      CTunoraApp app;
      QVERIFY(app.InitInstance({"--home", home.Dir(), "/s"}));
      QCOMPARE(app.MainFrame()->geometry(), QRect(40, 50, 700, 500));
    }
    home.WriteIni("[Windows]\r\nWinPos=0,1,-1,-1,-1,-1,40,50,740\r\n");
    CTunoraApp app;
    QVERIFY(app.InitInstance({"--home", home.Dir(), "/s"}));
    // Without a usable placement: most of the screen, at least 900 x 650.
    const QSize room = app.MainFrame()->screen()->availableGeometry().size();
    QCOMPARE(app.MainFrame()->size(), QSize(900, 650).expandedTo(room * 4 / 5).boundedTo(room));
  }

  void closingSavesThePlacementUnlessNoSaveMode() {
    ProgramFolder home;
    {
      CTunoraApp app;
      QVERIFY(app.InitInstance({"--home", home.Dir(), "/s", "/m"}));
      app.MainFrame()->close();
    }
    QVERIFY(!home.Ini().HasKey("Windows", "WinPos"));
    {
      CTunoraApp app;
      QVERIFY(app.InitInstance({"--home", home.Dir(), "/s"}));
      app.MainFrame()->setGeometry(60, 70, 640, 480);
      app.MainFrame()->close();
    }
    IniFile ini = home.Ini();
    auto placement = ParsePlacement(ini.GetString("Windows", "WinPos", ""));
    QVERIFY(placement.has_value());
    QCOMPARE(placement->left, 60);
    QCOMPARE(placement->Width(), 640);
    QCOMPARE(placement->showCmd, unsigned{kShowNormal});
    QVERIFY(!ini.GetString("Toolbars", "State", "").empty());
    QVERIFY2(!ini.HasKey("Windows", "WinCount"), "SaveWindows is off");
  }

  void bannerClosesOnAKeyAndThenShowsTheTip() {
    ProgramFolder home;
    home.WriteIni("[Preferences]\r\nNextTip=3\r\n");
    int shownTip = 0;
    test::WhenModal([&](QWidget* modal) {
      auto* tips = qobject_cast<CTipDlg*>(modal);
      QVERIFY(tips);
      QCOMPARE(tips->windowTitle(), QStringLiteral("Tips on how to use Tunora"));
      shownTip = tips->Shown();
      tips->OnNext();
      tips->accept();
    });
    CTunoraApp app;
    QVERIFY(app.InitInstance({"--home", home.Dir()}));
    QVERIFY(CBannerWnd::Current() != nullptr);
    QTest::keyClick(app.MainFrame(), Qt::Key_Shift);
    QTRY_VERIFY(CBannerWnd::Current() == nullptr);
    QTRY_COMPARE(shownTip, 3);
    QCOMPARE(app.GetSettings().preferences.nextTip, 5);
  }

  void bannerGoesAfterThreeSecondsWithoutTipsWhenTheyAreOff() {
    ProgramFolder home;
    home.WriteIni("[Preferences]\r\nNextTip=0\r\n");
    CTunoraApp app;
    QElapsedTimer clock;
    clock.start();
    QVERIFY(app.InitInstance({"--home", home.Dir()}));
    QVERIFY(CBannerWnd::Current() != nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(CBannerWnd::Current() == nullptr, 60000);
    QVERIFY(clock.elapsed() >= CBannerWnd::kShowMilliseconds);
    QVERIFY(QApplication::activeModalWidget() == nullptr);
  }

  void fileDialogRefusesNamesItCannotUse() {
    std::vector<QString> messages;
    SetMessageHandler([&](const MessageRequest& r) {
      messages.push_back(r.text);
      return MessageAnswer::kOk;
    });
    QTemporaryDir dir;
    CLarkFileDialog dialog(false, QStringLiteral("Save As"), dir.path() + "/a|b.abc",
                           QStringLiteral("Abc Files (*.abc)"));
    QVERIFY(!dialog.AcceptsName(QStringLiteral("*.abc")));
    dialog.show();
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(messages.size(), size_t{1});
    CLarkFileDialog wild(true, QStringLiteral("Open"), {}, {}, nullptr, true);
    QVERIFY(wild.AcceptsName(QStringLiteral("*.abc")));
  }
};

QTEST_MAIN(ShellStartupTest)
#include "ShellStartupTest.moc"
