#include "gui/lists/MakeListCommand.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "gui/app/CMainFrame.h"
#include "gui/app/CTunoraApp.h"
#include "gui/lists/CMakeListDlg.h"

namespace tunora {

bool MakeListFromCommand(const std::string& typeName, const std::vector<std::string>& values) {
  const int index = FindListType(LoadedListTypes(), typeName);
  if (index < 0) return false;
  CTunoraApp* app = CTunoraApp::Instance();
  CMakeListDlg sheet(app != nullptr ? app->MainFrame() : nullptr);
  sheet.SelectType(index);
  auto value = [&](size_t i) -> const std::string* {
    return i < values.size() ? &values[i] : nullptr;
  };
  auto text = [](const std::string& s) { return QString::fromStdString(s); };
  if (auto* v = value(0); v != nullptr && !v->empty()) sheet.FilesBox()->setEditText(text(*v));
  if (auto* v = value(1); v != nullptr && !v->empty()) sheet.OutputBox()->setEditText(text(*v));
  if (auto* v = value(2); v != nullptr && !v->empty()) sheet.SortBox()->setText(text(*v));
  if (auto* v = value(3); v != nullptr && *v != "-") sheet.MatchBox()->setEditText(text(*v));
  if (auto* v = value(4)) {
    if (v->find_first_of("Oo") != std::string::npos) sheet.OpenOutputBox()->setChecked(true);
    if (v->find_first_of("Ss") != std::string::npos) sheet.SubdirBox()->setChecked(true);
  }
  // The prompt lines follow the match just set.
  for (int i = 0; i < 4; ++i)
    if (auto* v = value(5 + static_cast<size_t>(i))) sheet.PromptBox(i)->setText(text(*v));
  sheet.Start();
  return true;
}

}  // namespace tunora
