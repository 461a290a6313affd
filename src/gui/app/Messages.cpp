#include "gui/app/Messages.h"

#include <QMessageBox>
#include <QWidget>

namespace tunora {

namespace {
MessageHandler& Handler() {
  static MessageHandler handler;
  return handler;
}
}  // namespace

void SetMessageHandler(MessageHandler handler) { Handler() = std::move(handler); }

MessageAnswer ShowMessage(QWidget* parent, const MessageRequest& request) {
  if (Handler()) return Handler()(request);

  QMessageBox box(parent);
  box.setWindowTitle(request.caption.isEmpty() ? QStringLiteral("Tunora") : request.caption);
  box.setText(request.text);
  switch (request.kind) {
    case MessageKind::kInformation:
      box.setIcon(QMessageBox::Information);
      box.setStandardButtons(QMessageBox::Ok);
      break;
    case MessageKind::kWarning:
      box.setIcon(QMessageBox::Warning);
      box.setStandardButtons(QMessageBox::Ok);
      break;
    case MessageKind::kError:
      box.setIcon(QMessageBox::Critical);
      box.setStandardButtons(QMessageBox::Ok);
      break;
    case MessageKind::kQuestion:
      box.setIcon(QMessageBox::Question);
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      box.setDefaultButton(request.defaultNo ? QMessageBox::No : QMessageBox::Yes);
      box.setEscapeButton(QMessageBox::No);
      break;
    case MessageKind::kYesNoCancel:
      box.setIcon(QMessageBox::Question);
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      box.setDefaultButton(QMessageBox::Yes);
      box.setEscapeButton(QMessageBox::Cancel);
      break;
  }
  switch (box.exec()) {
    case QMessageBox::Yes: return MessageAnswer::kYes;
    case QMessageBox::No: return MessageAnswer::kNo;
    case QMessageBox::Cancel: return MessageAnswer::kCancel;
    default:
      return request.kind == MessageKind::kQuestion ? MessageAnswer::kNo : MessageAnswer::kOk;
  }
}

void MessageInfo(QWidget* parent, const QString& text) {
  ShowMessage(parent, {MessageKind::kInformation, text, {}, false});
}

void MessageWarning(QWidget* parent, const QString& text) {
  ShowMessage(parent, {MessageKind::kWarning, text, {}, false});
}

void MessageError(QWidget* parent, const QString& text) {
  ShowMessage(parent, {MessageKind::kError, text, {}, false});
}

bool AskYesNo(QWidget* parent, const QString& text, bool defaultNo) {
  return ShowMessage(parent, {MessageKind::kQuestion, text, {}, defaultNo}) == MessageAnswer::kYes;
}

MessageAnswer AskYesNoCancel(QWidget* parent, const QString& text) {
  return ShowMessage(parent, {MessageKind::kYesNoCancel, text, {}, false});
}

}  // namespace tunora
