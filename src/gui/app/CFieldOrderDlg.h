// The "Field Order" dialog: the header fields in a list that can be reordered
// between a fixed prefix and a fixed suffix, with optional "expanded" marks.
// The logic is FieldOrderModel's; this is its window.
#pragma once

#include <QDialog>
#include <string>

#include "tunefile/Fields.h"

class QListWidget;
class QPushButton;

namespace tunora {

class CFieldOrderDlg : public QDialog {
  Q_OBJECT

 public:
  // flags may be null: then the "Expanded" button is hidden.
  CFieldOrderDlg(const std::string& prefix, const std::string& order, const std::string& suffix,
                 const std::string* flags, QWidget* parent = nullptr);

  // After OK: the new order of the movable fields and the flags.
  std::string Order() const { return model_.Order(); }
  std::string Flags() const { return model_.Flags(); }

  QListWidget* List() const { return list_; }
  QPushButton* Button(const QString& text) const;

 public slots:
  void OnFirst();
  void OnUp();
  void OnDown();
  void OnLast();
  void OnExpanded();

 private:
  void Run(std::string (FieldOrderModel::*move)());
  void Refill();

  FieldOrderModel model_;
  QListWidget* list_ = nullptr;
  QPushButton* expanded_ = nullptr;
};

}  // namespace tunora
