#include "gui/tunefile/FieldReplace.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "gui/app/CMinFormView.h"
#include "gui/app/Messages.h"

namespace tunora {

namespace {

class LineEditTarget : public ReplaceTarget {
 public:
  explicit LineEditTarget(QLineEdit* edit) : edit_(edit) {}
  std::u16string Text() const override { return edit_->text().toStdU16String(); }
  void Selection(int& start, int& end) const override {
    if (edit_->hasSelectedText()) {
      start = edit_->selectionStart();
      end = start + edit_->selectedText().size();
    } else {
      start = end = edit_->cursorPosition();
    }
  }
  void Select(int start, int end) override {
    if (end > start) {
      edit_->setSelection(start, end - start);
    } else {
      edit_->setCursorPosition(start);
    }
  }
  void ReplaceSelection(const std::u16string& text) override {
    edit_->insert(QString::fromStdU16String(text));
  }

 private:
  QLineEdit* edit_;
};

// QPlainTextEdit and QTextEdit share the text cursor interface.
template <typename Edit>
class TextEditTarget : public ReplaceTarget {
 public:
  explicit TextEditTarget(Edit* edit) : edit_(edit) {}
  std::u16string Text() const override { return edit_->document()->toRawText().toStdU16String(); }
  void Selection(int& start, int& end) const override {
    QTextCursor c = edit_->textCursor();
    start = c.selectionStart();
    end = c.selectionEnd();
  }
  void Select(int start, int end) override {
    QTextCursor c(edit_->document());
    c.setPosition(start);
    c.setPosition(end, QTextCursor::KeepAnchor);
    edit_->setTextCursor(c);
    edit_->ensureCursorVisible();
  }
  void ReplaceSelection(const std::u16string& text) override {
    QTextCursor c = edit_->textCursor();
    c.insertText(QString::fromStdU16String(text));
    edit_->setTextCursor(c);
  }

 private:
  Edit* edit_;
};

bool IsEditable(QWidget* field) {
  if (auto* e = qobject_cast<QLineEdit*>(field)) return !e->isReadOnly() && e->isEnabled();
  if (auto* e = qobject_cast<QPlainTextEdit*>(field)) return !e->isReadOnly() && e->isEnabled();
  if (auto* e = qobject_cast<QTextEdit*>(field)) return !e->isReadOnly() && e->isEnabled();
  if (auto* c = qobject_cast<QComboBox*>(field)) return c->isEditable() && c->isEnabled();
  return false;
}

QWidget* EditOf(QWidget* field) {
  if (auto* c = qobject_cast<QComboBox*>(field)) return c->lineEdit();
  return field;
}

QPointer<CReplacingWnd>& RunningWindow() {
  static QPointer<CReplacingWnd> window;
  return window;
}

}  // namespace

std::unique_ptr<ReplaceTarget> MakeReplaceTarget(QWidget* field) {
  field = EditOf(field);
  if (auto* e = qobject_cast<QLineEdit*>(field)) return std::make_unique<LineEditTarget>(e);
  if (auto* e = qobject_cast<QPlainTextEdit*>(field))
    return std::make_unique<TextEditTarget<QPlainTextEdit>>(e);
  if (auto* e = qobject_cast<QTextEdit*>(field))
    return std::make_unique<TextEditTarget<QTextEdit>>(e);
  return nullptr;
}

ReplaceState& TheReplaceState() {
  static ReplaceState state;
  return state;
}

bool CanStartReplace(QWidget* field) {
  return field != nullptr && IsEditable(field) && !TheReplaceState().Running() &&
         RunningWindow().isNull();
}

void StartReplace(QWidget* field) {
  if (!CanStartReplace(field)) return;
  QWidget* edit = EditOf(field);
  std::unique_ptr<ReplaceTarget> target = MakeReplaceTarget(edit);
  if (!target) return;
  ReplaceState& state = TheReplaceState();
  bool hasSelection = state.Prepare(*target);
  QPointer<QWidget> guard(edit);
  CReplaceDlg dlg(edit->window(), state, hasSelection);
  dlg.exec();
  if (dlg.Result() == CReplaceDlg::kCancel || guard.isNull()) return;
  dlg.Store(state);
  state.Begin(*target);
  auto* window = new CReplacingWnd(edit, std::move(target));
  window->show();
  window->PlaceAtField();
  QTimer::singleShot(0, window, &CReplacingWnd::OnNext);
  if (state.replaceAll) QTimer::singleShot(0, window, &CReplacingWnd::OnReplaceAll);
}

void InstallFieldReplace() {
  CMinFormView::ReplaceHooks hooks;
  hooks.canStart = [](QWidget* field) { return CanStartReplace(field); };
  hooks.start = [](QWidget* field) { StartReplace(field); };
  CMinFormView::SetReplaceHooks(std::move(hooks));
}

// --- the "Replace" dialog ----------------------------------------------------------

CReplaceDlg::CReplaceDlg(QWidget* parent, const ReplaceState& state, bool hasSelection)
    : QDialog(parent) {
  setWindowTitle(QStringLiteral("Replace"));
  auto* grid = new QGridLayout(this);
  auto* findLabel = new QLabel(QStringLiteral("&Find:"), this);
  find_ = new QLineEdit(QString::fromStdU16String(state.findText), this);
  findLabel->setBuddy(find_);
  auto* replaceLabel = new QLabel(QStringLiteral("Replace &with:"), this);
  replace_ = new QLineEdit(QString::fromStdU16String(state.replaceText), this);
  replaceLabel->setBuddy(replace_);
  ignoreCase_ = new QCheckBox(QStringLiteral("&Ignore Case"), this);
  ignoreCase_->setChecked(state.ignoreCase);
  selectionOnly_ = new QCheckBox(QStringLiteral("&Selection Only"), this);
  selectionOnly_->setEnabled(hasSelection);
  selectionOnly_->setChecked(hasSelection);

  replaceButton_ = new QPushButton(QStringLiteral("&Replace"), this);
  replaceAllButton_ = new QPushButton(QStringLiteral("Replace &All"), this);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  replaceButton_->setDefault(true);

  grid->addWidget(findLabel, 0, 0);
  grid->addWidget(find_, 0, 1);
  grid->addWidget(replaceLabel, 1, 0);
  grid->addWidget(replace_, 1, 1);
  auto* boxes = new QHBoxLayout();
  boxes->addWidget(ignoreCase_);
  boxes->addWidget(selectionOnly_);
  boxes->addStretch();
  grid->addLayout(boxes, 2, 1);
  auto* buttons = new QVBoxLayout();
  buttons->addWidget(replaceButton_);
  buttons->addWidget(replaceAllButton_);
  buttons->addWidget(cancel);
  buttons->addStretch();
  grid->addLayout(buttons, 0, 2, 3, 1);
  grid->setColumnMinimumWidth(1, fontMetrics().horizontalAdvance(QLatin1Char('x')) * 32);

  connect(replaceButton_, &QPushButton::clicked, this, [this] {
    choice_ = kReplace;
    accept();
  });
  connect(replaceAllButton_, &QPushButton::clicked, this, [this] {
    choice_ = kReplaceAll;
    accept();
  });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  find_->selectAll();
  find_->setFocus();
}

void CReplaceDlg::Store(ReplaceState& state) const {
  state.findText = find_->text().toStdU16String();
  state.replaceText = replace_->text().toStdU16String();
  state.ignoreCase = ignoreCase_->isChecked();
  state.selectionOnly = selectionOnly_->isEnabled() && selectionOnly_->isChecked();
  state.replaceAll = choice_ == kReplaceAll;
}

// --- the "Replacing" window ------------------------------------------------------------

CReplacingWnd::CReplacingWnd(QWidget* field, std::unique_ptr<ReplaceTarget> target)
    : QDialog(field->window(), Qt::Tool), field_(field), target_(std::move(target)) {
  setWindowTitle(QStringLiteral("Replacing"));
  setAttribute(Qt::WA_DeleteOnClose);
  // The field keeps the focus, so its selection stays visible.
  setAttribute(Qt::WA_ShowWithoutActivating);
  setModal(false);
  auto* row = new QHBoxLayout(this);
  replaceButton_ = new QPushButton(QStringLiteral("&Replace"), this);
  nextButton_ = new QPushButton(QStringLiteral("&Next"), this);
  replaceAllButton_ = new QPushButton(QStringLiteral("Replace &All"), this);
  quitButton_ = new QPushButton(QStringLiteral("&Quit"), this);
  for (QPushButton* b : {replaceButton_, nextButton_, replaceAllButton_, quitButton_}) {
    b->setAutoDefault(false);
    b->setFocusPolicy(Qt::NoFocus);
    row->addWidget(b);
  }
  connect(replaceButton_, &QPushButton::clicked, this, &CReplacingWnd::OnReplace);
  connect(nextButton_, &QPushButton::clicked, this, &CReplacingWnd::OnNext);
  connect(replaceAllButton_, &QPushButton::clicked, this, &CReplacingWnd::OnReplaceAll);
  connect(quitButton_, &QPushButton::clicked, this, &CReplacingWnd::OnQuit);
  RunningWindow() = this;
}

CReplacingWnd::~CReplacingWnd() {
  TheReplaceState().Abandon();
  if (RunningWindow() == this) RunningWindow() = nullptr;
}

CReplacingWnd* CReplacingWnd::Running() { return RunningWindow().data(); }

void CReplacingWnd::PlaceAtField() {
  if (field_.isNull()) return;
  QPoint corner = field_->mapToGlobal(QPoint(0, 0));
  QRect frame = frameGeometry();
  QPoint topLeft(corner.x(), corner.y() - frame.height());
  if (QScreen* screen = field_->screen()) {
    QRect avail = screen->availableGeometry();
    topLeft.setX(std::clamp(topLeft.x(), avail.left(),
                            std::max(avail.left(), avail.right() - frame.width())));
    topLeft.setY(std::max(topLeft.y(), avail.top()));
  }
  move(topLeft);
}

bool CReplacingWnd::FieldGone() {
  if (!field_.isNull()) return false;
  TheReplaceState().Abandon();
  ended_ = true;
  close();
  return true;
}

void CReplacingWnd::Finished() {
  if (ended_) return;
  ended_ = true;
  MessageInfo(field_.isNull() ? nullptr : field_->window(), QStringLiteral("No more occurrences"));
  close();
}

void CReplacingWnd::OnNext() {
  if (ended_ || FieldGone()) return;
  if (!TheReplaceState().Next(*target_)) Finished();
}

void CReplacingWnd::OnReplace() {
  if (ended_ || FieldGone()) return;
  if (!TheReplaceState().Replace(*target_)) Finished();
}

void CReplacingWnd::OnReplaceAll() {
  if (ended_ || FieldGone()) return;
  TheReplaceState().ReplaceAll(*target_);
  Finished();
}

void CReplacingWnd::OnQuit() {
  if (ended_) return;
  ended_ = true;
  if (!field_.isNull()) TheReplaceState().Quit(*target_);
  close();
}

void CReplacingWnd::closeEvent(QCloseEvent* event) {
  // The close box is Quit.
  if (!ended_) {
    ended_ = true;
    if (!field_.isNull()) TheReplaceState().Quit(*target_);
  }
  QDialog::closeEvent(event);
}

}  // namespace tunora
