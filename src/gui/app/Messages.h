// Message boxes and questions of the program. Every window shows its messages
// through these functions, so texts, icons and buttons are the same everywhere
// and tests can answer them without a screen (SetMessageHandler).
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace tunora {

enum class MessageKind {
  kInformation,  // OK, information icon
  kWarning,      // OK, exclamation icon
  kError,        // OK, stop icon
  kQuestion,     // Yes/No, question icon; the answer kNo cancels
  kYesNoCancel,  // Yes/No/Cancel, question icon (save changes)
};

enum class MessageAnswer { kOk, kYes, kNo, kCancel };

struct MessageRequest {
  MessageKind kind = MessageKind::kInformation;
  QString text;
  QString caption;         // window caption; "Tunora" when empty
  bool defaultNo = false;  // questions: No is the default button
};

// Shows a message and returns the answer (kOk for plain messages).
MessageAnswer ShowMessage(QWidget* parent, const MessageRequest& request);

// Shorthands.
void MessageInfo(QWidget* parent, const QString& text);
void MessageWarning(QWidget* parent, const QString& text);
void MessageError(QWidget* parent, const QString& text);
// A Yes/No question with a question icon; true for Yes.
bool AskYesNo(QWidget* parent, const QString& text, bool defaultNo = false);
// Yes/No/Cancel question with a question icon.
MessageAnswer AskYesNoCancel(QWidget* parent, const QString& text);

// Replaces the message boxes (tests). The handler gets every request and gives
// the answer; an empty handler restores the boxes.
using MessageHandler = std::function<MessageAnswer(const MessageRequest&)>;
void SetMessageHandler(MessageHandler handler);

}  // namespace tunora
