#include "gui/app/CMinFormView.h"

#include <QApplication>
#include <QComboBox>
#include <QLayout>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QResizeEvent>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <algorithm>

#include "gui/app/CMinFormDoc.h"
#include "gui/app/CMinFormMDIChild.h"

namespace tunora {

namespace {
CMinFormView::ReplaceHooks& Hooks() {
  static CMinFormView::ReplaceHooks hooks;
  return hooks;
}

bool IsEditCommand(CommandId id) {
  switch (id) {
    case CommandId::kEditUndo:
    case CommandId::kEditRedo:
    case CommandId::kEditCut:
    case CommandId::kEditCopy:
    case CommandId::kEditPaste:
    case CommandId::kEditDelete:
    case CommandId::kEditSelectAll:
    case CommandId::kEditReplace: return true;
    default: return false;
  }
}
}  // namespace

void CMinFormView::SetReplaceHooks(ReplaceHooks hooks) { Hooks() = std::move(hooks); }

CMinFormView::CMinFormView(CMinFormDoc* document, QWidget* parent)
    : QWidget(parent), document_(document) {
  if (document_) document_->AddView(this);
}

CMinFormView::~CMinFormView() {
  if (document_) document_->RemoveView(this);
}

void CMinFormView::OnInitialUpdate() {
  if (!formSize_.isValid()) {
    QSize size = layout() ? layout()->minimumSize() : minimumSizeHint();
    if (!size.isValid()) size = QSize(100, 60);
    SetFormSize(size);
  }
  // The borders can be measured now that the frame is on screen.
  if (auto* child = qobject_cast<CMinFormMDIChild*>(Frame())) child->UpdateMinimumSize();
  PlaceInsideClient();
}

void CMinFormView::OnUpdate(CMinFormView* sender, int hint) {
  (void)sender;
  (void)hint;
  update();
}

void CMinFormView::SetFormSize(const QSize& size) {
  formSize_ = size;
  setMinimumSize(size);
  if (auto* child = qobject_cast<CMinFormMDIChild*>(Frame())) child->UpdateMinimumSize();
}

QMdiSubWindow* CMinFormView::Frame() const {
  for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
    if (auto* sub = qobject_cast<QMdiSubWindow*>(w)) return sub;
  }
  return nullptr;
}

namespace {
QMdiArea* AreaOf(QMdiSubWindow* frame) { return frame ? frame->mdiArea() : nullptr; }
}  // namespace

void CMinFormView::PlaceInsideClient() {
  QMdiSubWindow* frame = Frame();
  QMdiArea* area = AreaOf(frame);
  if (!area || frame->isMaximized() || frame->isMinimized()) return;
  QSize client = area->viewport()->size();
  QRect r = frame->geometry();
  QSize minimum = frame->minimumSize();
  // Shrink first, never below the form, then move so the window fits.
  int width = std::max(minimum.width(), std::min(r.width(), client.width()));
  int height = std::max(minimum.height(), std::min(r.height(), client.height()));
  int x = std::max(0, std::min(r.x(), client.width() - width));
  int y = std::max(0, std::min(r.y(), client.height() - height));
  frame->setGeometry(x, y, width, height);
}

void CMinFormView::PlaceLowerLeft() {
  QMdiSubWindow* frame = Frame();
  QMdiArea* area = AreaOf(frame);
  if (!area) return;
  int y = std::max(0, area->viewport()->height() - frame->height());
  frame->move(0, y);
}

void CMinFormView::PlaceUpperRight() {
  QMdiSubWindow* frame = Frame();
  QMdiArea* area = AreaOf(frame);
  if (!area) return;
  int x = std::max(0, area->viewport()->width() - frame->width());
  frame->move(x, 0);
}

QSize CMinFormView::AreaShare(int widthPercent, int heightPercent) const {
  QMdiArea* area = AreaOf(Frame());
  if (area == nullptr) return {};
  const QSize room = area->viewport()->size();
  return QSize(room.width() * widthPercent / 100, room.height() * heightPercent / 100);
}

void CMinFormView::ResizeClientTo(const QSize& size) {
  QSize wanted = size.expandedTo(formSize_.isValid() ? formSize_ : QSize(0, 0));
  QMdiSubWindow* frame = Frame();
  if (!frame) {
    resize(wanted);
    return;
  }
  QSize borders = frame->size() - this->size();
  if (auto* child = qobject_cast<CMinFormMDIChild*>(frame)) borders = child->BorderSize();
  frame->resize(wanted + borders);
}

void CMinFormView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  QSize size = event->size();
  QSize old = clientSize_;
  clientSize_ = size;
  if (!old.isValid()) return;
  bool width = size.width() != old.width();
  bool height = size.height() != old.height();
  if (width && height) {
    OnSizeBoth(size);
  } else if (width) {
    OnSizeWidth(size.width());
  } else if (height) {
    OnSizeHeight(size.height());
  }
}

QWidget* CMinFormView::FocusedEditField() const {
  QWidget* focus = QApplication::focusWidget();
  if (!focus || !isAncestorOf(focus)) return nullptr;
  if (qobject_cast<QLineEdit*>(focus) || qobject_cast<QPlainTextEdit*>(focus) ||
      qobject_cast<QTextEdit*>(focus)) {
    return focus;
  }
  if (auto* combo = qobject_cast<QComboBox*>(focus); combo && combo->isEditable()) {
    return combo->lineEdit();
  }
  return nullptr;
}

namespace {

bool ReadOnly(QWidget* field) {
  if (auto* e = qobject_cast<QLineEdit*>(field)) return e->isReadOnly();
  if (auto* e = qobject_cast<QPlainTextEdit*>(field)) return e->isReadOnly();
  if (auto* e = qobject_cast<QTextEdit*>(field)) return e->isReadOnly();
  return true;
}

bool HasSelection(QWidget* field) {
  if (auto* e = qobject_cast<QLineEdit*>(field)) return e->hasSelectedText();
  if (auto* e = qobject_cast<QPlainTextEdit*>(field)) return e->textCursor().hasSelection();
  if (auto* e = qobject_cast<QTextEdit*>(field)) return e->textCursor().hasSelection();
  return false;
}

bool CanUndo(QWidget* field, bool redo) {
  if (auto* e = qobject_cast<QLineEdit*>(field))
    return redo ? e->isRedoAvailable() : e->isUndoAvailable();
  QTextDocument* d = nullptr;
  if (auto* e = qobject_cast<QPlainTextEdit*>(field)) d = e->document();
  if (auto* e = qobject_cast<QTextEdit*>(field)) d = e->document();
  return d != nullptr && (redo ? d->isRedoAvailable() : d->isUndoAvailable());
}

template <typename Edit>
void RunOn(Edit* e, CommandId id) {
  switch (id) {
    case CommandId::kEditUndo: e->undo(); break;
    case CommandId::kEditRedo: e->redo(); break;
    case CommandId::kEditCut: e->cut(); break;
    case CommandId::kEditCopy: e->copy(); break;
    case CommandId::kEditPaste: e->paste(); break;
    case CommandId::kEditSelectAll: e->selectAll(); break;
    default: break;
  }
}

}  // namespace

bool CMinFormView::EditFieldCommand(CommandId id) {
  if (!IsEditCommand(id)) return false;
  QWidget* field = FocusedEditField();
  if (!field) return false;
  if (id == CommandId::kEditReplace) {
    if (Hooks().start && (!Hooks().canStart || Hooks().canStart(field))) Hooks().start(field);
    return true;
  }
  if (id == CommandId::kEditDelete) {
    if (auto* e = qobject_cast<QLineEdit*>(field)) {
      if (e->hasSelectedText()) e->del();
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(field)) {
      plain->textCursor().removeSelectedText();
    } else if (auto* rich = qobject_cast<QTextEdit*>(field)) {
      rich->textCursor().removeSelectedText();
    }
    return true;
  }
  if (auto* e = qobject_cast<QLineEdit*>(field)) {
    RunOn(e, id);
  } else if (auto* plain = qobject_cast<QPlainTextEdit*>(field)) {
    RunOn(plain, id);
  } else if (auto* rich = qobject_cast<QTextEdit*>(field)) {
    RunOn(rich, id);
  }
  return true;
}

bool CMinFormView::EditFieldUpdate(CommandId id, CommandState& state) const {
  if (!IsEditCommand(id)) return false;
  QWidget* field = FocusedEditField();
  if (!field) return false;
  bool writable = !ReadOnly(field);
  switch (id) {
    case CommandId::kEditUndo:
    case CommandId::kEditRedo:
      state.enabled = writable && CanUndo(field, id == CommandId::kEditRedo);
      break;
    case CommandId::kEditCut:
    case CommandId::kEditDelete: state.enabled = writable && HasSelection(field); break;
    case CommandId::kEditCopy: state.enabled = HasSelection(field); break;
    case CommandId::kEditPaste: state.enabled = writable; break;
    case CommandId::kEditSelectAll: state.enabled = true; break;
    case CommandId::kEditReplace:
      state.enabled = writable && Hooks().start && (!Hooks().canStart || Hooks().canStart(field));
      break;
    default: break;
  }
  return true;
}

}  // namespace tunora
