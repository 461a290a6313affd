#include "gui/play/PlayRequest.h"

#include <QMdiSubWindow>

#include "app/Settings.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/CMinFormView.h"
#include "gui/app/CTunoraApp.h"
#include "gui/app/DocTemplate.h"
#include "gui/app/Messages.h"
#include "gui/play/CPlayDoc.h"
#include "gui/play/PlayDialogs.h"

namespace tunora {

namespace {

// The tune file of the active window: the tune list itself, or the file that the
// window's tune belongs to.
CMinFormDoc* ActiveTuneFile() {
  CTunoraApp* app = CTunoraApp::Instance();
  CMinFormDoc* doc = app && app->MainFrame() ? app->MainFrame()->ActiveDocument() : nullptr;
  if (doc == nullptr) return nullptr;
  if (CMinFormDoc* file = doc->TuneFileDocument()) return file;
  return doc->Template() && doc->Template()->opensFiles ? doc : nullptr;
}

QWidget* MainWindow() {
  CTunoraApp* app = CTunoraApp::Instance();
  return app ? app->MainFrame() : nullptr;
}

}  // namespace

bool RequestPlay(const PlayRequest& request) {
  if (CPlayDoc* busy = CPlayDoc::Busy()) {
    MessageWarning(busy->FirstView() ? static_cast<QWidget*>(busy->FirstView()) : MainWindow(),
                   CPlayDoc::InProgressMessage());
    return false;
  }
  if (request.tuneText.find_first_not_of(" \t\r\n") == std::string::npos) return false;
  CMinFormDoc* file = ActiveTuneFile();
  CPlayDoc* doc = CPlayDoc::OpenWindow();
  if (doc == nullptr || !doc->SetTune(request, file)) return false;
  CMinFormView* view = doc->FirstView();
  QMdiSubWindow* frame = view ? view->Frame() : nullptr;
  CTunoraApp* app = CTunoraApp::Instance();
  if (!request.now && !request.fromAutomation) {
    if (app && app->MainFrame()) app->MainFrame()->ActivateView(view);
    return true;
  }
  // Play Now and automation: the player starts by itself, out of the way.
  const bool minimise =
      request.fromAutomation || (app != nullptr && app->GetSettings().midi.playnowMinimize);
  if (frame != nullptr && minimise) {
    frame->showMinimized();
  } else if (app && app->MainFrame()) {
    app->MainFrame()->ActivateView(view);
  }
  return doc->Play();
}

void ShowAbcErrors(QWidget* parent, const std::string& errorList) {
  CAbcErrorsDlg dialog(parent ? parent : MainWindow(), errorList);
  dialog.exec();
}

bool QueuePlay(const PlayRequest& request) {
  if (CPlayDoc* busy = CPlayDoc::Busy()) return busy->Enqueue(request);
  PlayRequest first = request;
  first.now = true;
  return RequestPlay(first);
}

bool IsPlaying() { return CPlayDoc::Busy() != nullptr; }

bool IsPlayPaused() {
  CPlayDoc* first = CPlayDoc::First();
  return first != nullptr && first->IsPaused();
}

void StopFirstPlayer() {
  if (CPlayDoc* first = CPlayDoc::First(); first && first->IsBusy()) first->Stop();
}

void PauseFirstPlayer() {
  if (CPlayDoc* first = CPlayDoc::First(); first && first->IsBusy()) first->Pause();
}

}  // namespace tunora
