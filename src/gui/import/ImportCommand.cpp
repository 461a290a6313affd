#include "gui/import/ImportCommand.h"

#include <QPointer>

#include "gui/app/CLarkFileDialog.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/CTunoraApp.h"
#include "gui/app/Messages.h"
#include "gui/import/CImportDlg.h"
#include "gui/tunefile/CAbcDoc.h"
#include "gui/tunefile/CAbcView.h"

namespace tunora {

namespace {

const QString kCaption = QStringLiteral("Import File(s). Multiple files can be selected.");

QWidget* ParentOf(CAbcDoc& doc) {
  if (CAbcView* view = doc.View()) return view;
  CTunoraApp* app = CTunoraApp::Instance();
  return app ? app->MainFrame() : nullptr;
}

}  // namespace

ImportKind ImportKindOf(CommandId id) {
  switch (id) {
    case CommandId::kFileImportBgp: return ImportKind::kBgp;
    case CommandId::kFileImportSongWright: return ImportKind::kSongWright;
    default: return ImportKind::kBww;
  }
}

QString ImportFilter(ImportKind kind) {
  switch (kind) {
    case ImportKind::kBww: return QStringLiteral("BMW/BWW File (*.bww *.bmw)");
    case ImportKind::kBgp: return QStringLiteral("P\u00ECob Mh\u00F3r File (*.bgp)");
    case ImportKind::kSongWright: return QStringLiteral("SongWright File (*)");
  }
  return {};
}

int ImportOneFile(CAbcDoc& doc, ImportKind kind, const QString& path, QString& status) {
  CTunoraApp* app = CTunoraApp::Instance();
  CollectingSink quiet;
  MessageSink& sink = app ? app->Sink() : static_cast<MessageSink&>(quiet);
  const std::string programDir = app ? app->ProgramDir() : std::string();
  // The messages of a conversion wait for the user, who may close the tune file.
  QPointer<CAbcDoc> target(&doc);
  ImportOutcome outcome = ConvertFile(kind, path.toStdString(), programDir, sink);
  if (!outcome.ok) {
    status = QString::fromStdString(outcome.error);
    return 0;
  }
  if (target == nullptr) {
    status = QStringLiteral("The tune file was closed.");
    return 0;
  }
  const int added = target->InsertImportedTunes(outcome.tunes);
  status = added == 1 ? QStringLiteral("1 tune") : QStringLiteral("%1 tunes").arg(added);
  if (outcome.errorLines > 0)
    status += QStringLiteral(", %1 error line(s) (%bmwerror:)").arg(outcome.errorLines);
  return added;
}

void RunImportCommand(CAbcDoc& doc, CommandId id) {
  const ImportKind kind = ImportKindOf(id);
  CTunoraApp* app = CTunoraApp::Instance();
  const QString start =
      app ? QString::fromStdString(app->GetSettings().preferences.abcDir) : QString();
  const QStringList files =
      CLarkFileDialog::GetOpenFileNames(ParentOf(doc), kCaption, start, ImportFilter(kind));
  if (files.isEmpty()) return;
  if (files.size() == 1) {
    QString status;
    if (ImportOneFile(doc, kind, files.front(), status) == 0) MessageWarning(ParentOf(doc), status);
    return;
  }
  // The window belongs to the main frame, so closing the tune file leaves it (it
  // then has nothing to import into).
  CTunoraApp* owner = CTunoraApp::Instance();
  QWidget* parent = owner && owner->MainFrame() ? owner->MainFrame() : ParentOf(doc);
  auto* dialog = new CImportDlg(doc, kind, files, parent);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->show();
}

}  // namespace tunora
