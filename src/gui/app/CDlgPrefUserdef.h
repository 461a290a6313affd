// Preferences page "User Defines": the application's user-defined symbols
// ("userdef.abc") as text, with a restore of the supplied set ("userdef0.abc").
#pragma once

#include "gui/app/CPrefPage.h"

class QLabel;
class QPlainTextEdit;

namespace tunora {

class CDlgPrefUserdef : public CPrefPage {
  Q_OBJECT

 public:
  explicit CDlgPrefUserdef(QWidget* parent = nullptr);
  void Load(const Settings& settings) override;
  // Replaces the application's symbols by the definitions of the text.
  bool Store(Settings& settings) override;

  QPlainTextEdit* Edit() const { return edit_; }
  QLabel* CheckLabel() const { return check_; }

 public slots:
  // Reads "userdef0.abc" from the program directory into the edit box.
  void OnRestore();

 private:
  void CheckText();

  QPlainTextEdit* edit_ = nullptr;
  QLabel* check_ = nullptr;
};

}  // namespace tunora
