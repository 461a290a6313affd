// Preferences page "General": folders, the recent-file list, window restore,
// TeX conversion, dropped files and the header field order.
#pragma once

#include <string>

#include "gui/app/CPrefPage.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace tunora {

class CDlgPrefGeneral : public CPrefPage {
  Q_OBJECT

 public:
  explicit CDlgPrefGeneral(QWidget* parent = nullptr);
  void Load(const Settings& settings) override;
  bool Store(Settings& settings) override;

  // The order and expanded flags as changed by the Field Order dialog.
  const std::string& FieldOrder() const { return fieldOrder_; }
  const std::string& FieldExpanded() const { return fieldExpanded_; }

 public slots:
  void OnFieldOrder();
  void OnBrowse();

 private:
  std::string abcDirOriginal_;
  std::string layoutOriginal_;
  std::string fieldOrder_;
  std::string fieldExpanded_;
  QLineEdit* abcDir_ = nullptr;
  QLineEdit* layoutFile_ = nullptr;
  QSpinBox* recentFiles_ = nullptr;
  QSpinBox* longFileLen_ = nullptr;
  QCheckBox* saveWindows_ = nullptr;
  QCheckBox* convertTeX_ = nullptr;
  QCheckBox* cvtTeXEsc_ = nullptr;
  QCheckBox* pasteDropped_ = nullptr;
  QCheckBox* noCheckAssociation_ = nullptr;
  QPushButton* associate_ = nullptr;
};

}  // namespace tunora
