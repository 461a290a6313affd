// The executor of the automation commands: other programs (`tunora --dde`,
// `tunora-cli dde`, a second `tunora FILE`) send command strings over this user's
// socket; the main frame's side carries each command out on the open windows.
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

#include "automation/AutomationCommand.h"
#include "platform/ipc/AutomationServer.h"

namespace tunora {

class CAbcDoc;

class CAutomation : public QObject, public AutomationHost {
  Q_OBJECT

 public:
  explicit CAutomation(QObject* parent = nullptr);

  // Listens on this user's socket (or on path when given).
  AutomationServer::Start StartServer(const QString& path = QString());
  // Runs a command string; the status word.
  uint16_t Run(const std::string& text);

  bool Debug() const { return state_.debug; }

  bool Execute(const AutomationCommand& command, AutomationState& state) override;
  void Message(const std::string& text) override;
  void BetweenCommands() override;

 private:
  // The tune file of the active window; activates its tune list. Null when none.
  CAbcDoc* ActiveTuneFile();
  int Open(const std::vector<std::string>& paths);
  bool OpenOne(const QString& path);
  bool Close(const std::vector<std::string>& args);
  bool SelectTune(const std::string& what, AutomationState& state);
  bool Play();
  bool SaveMidi(const std::string& path, AutomationState& state);
  bool Import(const std::vector<std::string>& args, AutomationState& state);
  void ShowMainWindow();

  AutomationState state_;
  AutomationServer* server_ = nullptr;
};

// Before the program starts: `--dde COMMANDS` sends the commands to the running
// Tunora and prints its answer; a file to open goes to the running Tunora when
// there is one. True when the program is done, with the exit status set.
bool ForwardToRunningProgram(const std::vector<std::string>& words, int& exitStatus);

}  // namespace tunora
