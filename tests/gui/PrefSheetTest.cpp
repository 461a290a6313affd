// The preferences sheet and the Field Order dialog.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest>

#include "abc/UserSymbols.h"
#include "gui/app/CDlgPrefFind.h"
#include "gui/app/CDlgPrefGeneral.h"
#include "gui/app/CDlgPrefUserdef.h"
#include "gui/app/CFieldOrderDlg.h"
#include "gui/app/CPrefSheet.h"
#include "gui/app/CTunoraApp.h"
#include "gui/app/Messages.h"
#include "gui/ShellTestSupport.h"

using namespace tunora;
using tunora::test::ProgramFolder;

namespace {

template <typename W>
W* Child(QWidget* parent, const QString& name) {
  W* w = parent->findChild<W*>(name);
  if (!w) qWarning("no child %s", qPrintable(name));
  return w;
}

// The first child of a type whose label or text is text.
template <typename W>
W* ByText(QWidget* parent, const QString& text) {
  for (W* w : parent->findChildren<W*>()) {
    if (w->text() == text) return w;
  }
  qWarning("no widget with text %s", qPrintable(text));
  return nullptr;
}

}  // namespace

class PrefSheetTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { SetMessageHandler({}); }

  void okWritesTheSettingsFileAndTheDataFiles() {
    ProgramFolder home;
    home.WriteIni(
        "; my settings\r\n[Preferences]\r\nTunelistFormat=%X %#T\r\n[Other]\r\nKeep=1\r\n");
    CTunoraApp app;
    QVERIFY(app.InitInstance({"--home", home.Dir(), "/s"}));
    int changed = 0;
    connect(&app, &CTunoraApp::SettingsChanged, this, [&] { ++changed; });

    CPrefSheet sheet;
    QWidget* general = sheet.Page("General");
    ByText<QCheckBox>(general, "Restore open &windows at next start")->setChecked(true);
    general->findChildren<QSpinBox*>()[0]->setValue(6);  // recent-file list length
    QWidget* list = sheet.Page("Tune List");
    Child<QLineEdit>(list, "TunelistFormat")->setText("%X - %T (%R)");
    ByText<QCheckBox>(list, "&Multi-column list")->setChecked(true);
    ByText<QCheckBox>(list, "Ask before removing &one tune")->setChecked(false);
    QWidget* music = sheet.Page("Music Search");
    ByText<QCheckBox>(music, "&Octave")->setChecked(true);
    QWidget* fresh = sheet.Page("New");
    Child<QPlainTextEdit>(fresh, "Template")->setPlainText("%abc-2.1\nO: Ireland");
    QWidget* userdef = sheet.Page("User Defines");
    Child<QPlainTextEdit>(userdef, "UserDefines")->setPlainText("U: W = !wedge!\nu: ~ = !roll!");

    sheet.accept();
    QCOMPARE(sheet.result(), int(QDialog::Accepted));
    QCOMPARE(changed, 1);

    IniFile ini = home.Ini();
    QCOMPARE(ini.GetInt("Preferences", "SaveWindows", 0), 1);
    QCOMPARE(ini.GetInt("Preferences", "RecentFileList", 0), 6);
    QCOMPARE(ini.GetString("Preferences", "TunelistFormat", ""), std::string("%X - %T (%R)"));
    QCOMPARE(ini.GetInt("Preferences", "MultiColumn", 0), 1);
    QCOMPARE(ini.GetInt("Preferences", "AskCut", 1), 0);
    QCOMPARE(ini.GetInt("MusicSearch", "Transpose8", 0), 1);
    QCOMPARE(ini.GetInt("Other", "Keep", 0), 1);  // other sections stay
    QVERIFY(home.ReadFile("tunora.ini").startsWith("; my settings"));
    QCOMPARE(home.ReadFile("template.abc"), QStringLiteral("%abc-2.1\r\nO: Ireland\r\n"));
    QCOMPARE(home.ReadFile("userdef.abc"), QStringLiteral("U: W = !wedge!\r\nu: ~ = !roll!\r\n"));
    QCOMPARE(app.GetSettings().preferences.tunelistFormat, std::string("%X - %T (%R)"));
    QCOMPARE(UserSymbols::Application().Get(UserSymbols::kDrawTable, 'W'), "!wedge!");
    QCOMPARE(app.GetRecentFiles().Size(), 6);
  }

  void unchangedSheetKeepsEveryValueAndCancelWritesNothing() {
    ProgramFolder home;
    // A code page 1252 value must come back byte for byte.
    home.WriteIni(
        "[Preferences]\r\nEdittitleFormat=%X \xe9t\xe9 %#T\r\nLongFileLen=77\r\n"
        "[Search]\r\nField=K\r\n");
    CTunoraApp app;
    QVERIFY(app.InitInstance({"--home", home.Dir(), "/s"}));
    Settings before = app.GetSettings();
    {
      CPrefSheet sheet;
      ByText<QCheckBox>(sheet.Page("General"), "Restore open &windows at next start")
          ->setChecked(true);
      sheet.reject();
    }
    QVERIFY(app.GetSettings() == before);
    QVERIFY(!home.Ini().HasKey("Preferences", "SaveWindows"));
    CPrefSheet sheet;
    sheet.accept();
    QVERIFY(app.GetSettings() == before);
    IniFile ini = home.Ini();
    QCOMPARE(ini.GetString("Preferences", "EdittitleFormat", ""), std::string("%X \xe9t\xe9 %#T"));
    QCOMPARE(ini.GetInt("Preferences", "LongFileLen", 0), 77);
    QCOMPARE(ini.GetString("Search", "Field", ""), std::string("K"));
  }

  void fieldOrderRefusesToMoveFixedFields() {
    std::vector<QString> messages;
    SetMessageHandler([&](const MessageRequest& r) {
      messages.push_back(r.text);
      return MessageAnswer::kOk;
    });
    std::string flags = "0100000000000000000000000000000";
    CFieldOrderDlg dialog("XT", "RCSHNABDGOFZPMLQUuV", "K", &flags);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Field Order"));
    QListWidget* list = dialog.List();
    QCOMPARE(list->count(), 22);
    QCOMPARE(list->item(0)->text(), QStringLiteral("X: Index"));
    QVERIFY(list->item(1)->text().startsWith(QStringLiteral("T: Title")));
    QVERIFY(list->item(1)->text().contains(QStringLiteral("(expanded)")));

    list->setCurrentRow(0);
    dialog.Button("Down 1")->click();
    list->setCurrentRow(21);
    dialog.Button("Up 1")->click();
    list->setCurrentRow(2);
    dialog.Button("Up 1")->click();  // the first movable field cannot go above T
    QCOMPARE(messages.size(), size_t{3});
    for (const QString& m : messages) {
      QCOMPARE(m, QStringLiteral("The fields X and T must be first and K must be last."));
    }
    QCOMPARE(dialog.Order(), std::string("RCSHNABDGOFZPMLQUuV"));

    list->setCurrentRow(3);  // C
    dialog.Button("First")->click();
    QCOMPARE(list->currentRow(), 2);
    dialog.Button("Expanded")->click();
    list->setCurrentRow(4);  // S
    dialog.Button("Last")->click();
    QCOMPARE(list->currentRow(), 20);
    QCOMPARE(dialog.Order(), std::string("CRHNABDGOFZPMLQUuVS"));
    QCOMPARE(dialog.Flags(), std::string("0110000000000000000000"));
  }

  void generalPageOpensFieldOrderWithItsFixedFields() {
    ProgramFolder home;
    CTunoraApp app;
    QVERIFY(app.InitInstance({"--home", home.Dir(), "/s"}));
    CPrefSheet sheet;
    auto* general = static_cast<CDlgPrefGeneral*>(sheet.Page("General"));
    test::WhenModal([](QWidget* modal) {
      auto* dialog = qobject_cast<CFieldOrderDlg*>(modal);
      QVERIFY(dialog);
      QCOMPARE(dialog->List()->item(0)->text(), QStringLiteral("X: Index"));
      dialog->List()->setCurrentRow(dialog->List()->count() - 2);  // V
      dialog->Button("First")->click();
      dialog->accept();
    });
    Child<QPushButton>(general, "FieldOrder")->click();
    QCOMPARE(general->FieldOrder(), std::string("VRCSHNABDGOFZPMLQUu"));
    sheet.accept();
    QCOMPARE(home.Ini().GetString("Preferences", "FieldOrder", ""),
             std::string("VRCSHNABDGOFZPMLQUu"));
    QCOMPARE(app.GetTuneFileOptions().fieldOrder, std::string("VRCSHNABDGOFZPMLQUu"));
  }

  void findPageRefillsItsChooserInTheNewOrder() {
    std::vector<QString> messages;
    SetMessageHandler([&](const MessageRequest& r) {
      messages.push_back(r.text);
      return MessageAnswer::kOk;
    });
    ProgramFolder home;
    home.WriteIni("[Search]\r\nField=R\r\n");
    CTunoraApp app;
    QVERIFY(app.InitInstance({"--home", home.Dir(), "/s"}));
    CPrefSheet sheet;
    auto* find = static_cast<CDlgPrefFind*>(sheet.Page("Find"));
    QComboBox* chooser = find->FieldChooser();
    QCOMPARE(chooser->itemText(0), QStringLiteral("T: Title"));
    QCOMPARE(chooser->currentText(), QStringLiteral("R: Rhythm"));
    test::WhenModal([](QWidget* modal) {
      auto* dialog = qobject_cast<CFieldOrderDlg*>(modal);
      QVERIFY(dialog);
      QVERIFY(dialog->Button("Expanded")->isHidden());
      // No field is fixed here: moving the first one up is no error.
      dialog->List()->setCurrentRow(0);
      dialog->Button("Up 1")->click();
      dialog->List()->setCurrentRow(1);  // C: Composer
      dialog->Button("First")->click();
      dialog->accept();
    });
    Child<QPushButton>(find, "FieldOrder")->click();
    QCOMPARE(chooser->itemText(0), QStringLiteral("C: Composer"));
    QCOMPARE(chooser->itemText(1), QStringLiteral("T: Title"));
    QCOMPARE(chooser->currentText(), QStringLiteral("R: Rhythm"));
    chooser->setCurrentIndex(0);
    sheet.accept();
    IniFile ini = home.Ini();
    QCOMPARE(ini.GetString("Search", "FieldOrder", ""),
             std::string("CTR*tBDZWKMOASHNGFLPQUuVEIJY"));
    QCOMPARE(ini.GetString("Search", "Field", ""), std::string("C"));
    QVERIFY(messages.empty());
  }

  void userDefinesRestoreReadsTheSuppliedSet() {
    ProgramFolder home;
    {
      QFile f(home.File("userdef0.abc"));
      QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
      f.write("U: T = !trill!\r\nU: ~ = !roll!\r\n");
    }
    CTunoraApp app;
    QVERIFY(app.InitInstance({"--home", home.Dir(), "/s"}));
    CPrefSheet sheet;
    auto* page = static_cast<CDlgPrefUserdef*>(sheet.Page("User Defines"));
    page->Edit()->setPlainText("U: a = x\nnonsense");
    QVERIFY(page->CheckLabel()->text().startsWith(QStringLiteral("2 lines")));
    Child<QPushButton>(page, "Restore")->click();
    QCOMPARE(page->Edit()->toPlainText(), QStringLiteral("U: T = !trill!\nU: ~ = !roll!\n"));
    QVERIFY(page->CheckLabel()->text().isEmpty());
  }

  void bundledUserDefinesLoadAtStart() {
    ProgramFolder home;
    CTunoraApp app;
    UserSymbols::Application().Clear();
    QVERIFY(app.InitInstance({"--home", home.Dir(), "/s"}));
    QCOMPARE(UserSymbols::Application().Get(UserSymbols::kDrawTable, '~'), "!roll!");
    QCOMPARE(UserSymbols::Application().Get(UserSymbols::kDrawTable, 'T'), "!trill!");
    QCOMPARE(UserSymbols::Application().Get(UserSymbols::kPlayTable, 'T'), "!trill!");
  }
};

QTEST_MAIN(PrefSheetTest)
#include "PrefSheetTest.moc"
