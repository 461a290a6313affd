#include "gui/app/CMinFormDoc.h"

#include <QFileInfo>
#include <algorithm>

#include "gui/app/CLarkFileDialog.h"
#include "gui/app/CMainFrame.h"
#include "gui/app/CMinFormView.h"
#include "gui/app/CTunoraApp.h"
#include "gui/app/DocTemplate.h"
#include "gui/app/Messages.h"
#include "tunefile/ListLogic.h"

namespace tunora {

namespace {
const QString kModifiedMarker = QStringLiteral(" *");
}

CMinFormDoc::CMinFormDoc(QObject* parent) : QObject(parent) {}

CMinFormDoc::~CMinFormDoc() = default;

void CMinFormDoc::SetTitle(const QString& title) {
  if (title == title_) return;
  title_ = title;
  emit TitleChanged(title_);
}

QString CMinFormDoc::PlainTitle() const {
  return title_.endsWith(kModifiedMarker) ? title_.left(title_.size() - 2) : title_;
}

void CMinFormDoc::SetPathName(const QString& path) {
  pathName_ = path;
  SetTitle(QString::fromStdString(
      TitleWithModified(QFileInfo(path).fileName().toStdString(), modified_)));
  if (CTunoraApp* app = CTunoraApp::Instance(); app && !path.isEmpty()) app->NoteRecentFile(path);
}

void CMinFormDoc::SetModifiedFlag(bool modified) {
  SetTitle(QString::fromStdString(TitleWithModified(title_.toStdString(), modified)));
  if (modified != modified_) {
    modified_ = modified;
    emit ModifiedChanged(modified_);
  }
}

void CMinFormDoc::ActivateFirstView() const {
  CTunoraApp* app = CTunoraApp::Instance();
  if (CMinFormView* view = FirstView(); view && app && app->MainFrame()) {
    app->MainFrame()->ActivateView(view);
  }
}

bool CMinFormDoc::OnOpenDocument(const QString& path) {
  SetPathName(path);
  return true;
}

bool CMinFormDoc::OnSaveDocument(const QString& path) {
  (void)path;
  SetModifiedFlag(false);
  return true;
}

bool CMinFormDoc::DoFileSave() {
  QString path = pathName_;
  if (path.isEmpty() || !QFileInfo(path).isWritable()) {
    QString name = PlainTitle();
    if (template_ && !template_->extension.isEmpty() && !name.endsWith(template_->extension)) {
      name += template_->extension;
    }
    path = CLarkFileDialog::GetSaveFileName(FirstView(), QStringLiteral("Save As"), name,
                                            template_ ? template_->filter : QString());
    if (path.isEmpty()) return false;
  }
  if (!OnSaveDocument(path)) return false;
  SetPathName(path);
  return true;
}

bool CMinFormDoc::SaveModified() {
  if (!modified_) return true;
  switch (AskYesNoCancel(FirstView(), QStringLiteral("Save changes to %1?").arg(PlainTitle()))) {
    case MessageAnswer::kYes: return DoFileSave();
    case MessageAnswer::kNo: return true;
    default: return false;
  }
}

std::vector<CMinFormDoc*> CMinFormDoc::DocumentsOnMyTunes() const {
  CTunoraApp* app = CTunoraApp::Instance();
  return app ? app->DocumentsOnTunesOf(this) : std::vector<CMinFormDoc*>{};
}

void CMinFormDoc::UpdateAllViews(CMinFormView* sender, int hint) {
  for (CMinFormView* view : std::vector<CMinFormView*>(views_)) {
    if (view != sender) view->OnUpdate(sender, hint);
  }
}

void CMinFormDoc::AddView(CMinFormView* view) {
  if (std::find(views_.begin(), views_.end(), view) == views_.end()) views_.push_back(view);
}

void CMinFormDoc::RemoveView(CMinFormView* view) {
  auto it = std::find(views_.begin(), views_.end(), view);
  if (it == views_.end()) return;
  views_.erase(it);
  if (views_.empty()) {
    if (CTunoraApp* app = CTunoraApp::Instance()) app->DocumentViewsGone(this);
  }
}

}  // namespace tunora
