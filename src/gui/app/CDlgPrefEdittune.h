// Preferences page "Edit Tune": the tune editor's window size, title, font
// and saving, and the page the tune tools show first.
#pragma once

#include <string>

#include "gui/app/CPrefPage.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace tunora {

class CDlgPrefEdittune : public CPrefPage {
  Q_OBJECT

 public:
  explicit CDlgPrefEdittune(QWidget* parent = nullptr);
  void Load(const Settings& settings) override;
  bool Store(Settings& settings) override;

 public slots:
  void OnFont();

 private:
  void ShowFont();

  std::string titleOriginal_;
  std::string fontFace_;
  int fontSize_ = 10;
  QSpinBox* height_ = nullptr;
  QSpinBox* width_ = nullptr;
  QLineEdit* titleFormat_ = nullptr;
  QLabel* font_ = nullptr;
  QCheckBox* saveFileAlso_ = nullptr;
  QCheckBox* rawDefault_ = nullptr;
  QComboBox* defaultTool_ = nullptr;
};

}  // namespace tunora
