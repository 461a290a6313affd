// The list type editor "Edit List Type": a tabbed sheet whose pages edit the keys
// of one list type, with New, Delete and Import, and the "Output Field" dialog that
// builds one field code for the texts of a list type.
#pragma once

#include <QDialog>
#include <QWidget>
#include <functional>
#include <vector>

#include "lists/ListType.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;
class QTabWidget;

namespace tunora {

// One page: its controls are bound to keys of the list type.
class CListEditPage : public QWidget {
  Q_OBJECT

 public:
  explicit CListEditPage(QWidget* parent = nullptr);
  void Load(const ListType& type);
  void Store(ListType& type) const;
  // Inserts code at the caret of the text box last used on this page.
  void InsertAtCaret(const QString& code);

 protected:
  using TextKey = std::function<std::string&(ListType&)>;
  QLineEdit* AddLine(const QString& label, TextKey key, const char* name);
  QPlainTextEdit* AddText(const QString& label, TextKey key, const char* name);
  QCheckBox* AddCheck(const QString& label, bool ListType::*key, const char* name);
  QSpinBox* AddNumber(const QString& label, unsigned ListType::*key, const char* name);
  // Adds Insert Field for the page's texts.
  void AddInsertField();
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Binding {
    QWidget* widget;
    TextKey text;
    bool ListType::*flag = nullptr;
    unsigned ListType::*number = nullptr;
  };
  std::vector<Binding> bindings_;
  QWidget* lastText_ = nullptr;
};

class CListEditName : public CListEditPage {
  Q_OBJECT
 public:
  explicit CListEditName(QWidget* parent = nullptr);
};
class CListEditMatch : public CListEditPage {
  Q_OBJECT
 public:
  explicit CListEditMatch(QWidget* parent = nullptr);
};
class CListEditOutput : public CListEditPage {
  Q_OBJECT
 public:
  explicit CListEditOutput(QWidget* parent = nullptr);
};
class CListEditHeader : public CListEditPage {
  Q_OBJECT
 public:
  explicit CListEditHeader(QWidget* parent = nullptr);
};
class CListEditSubheader : public CListEditPage {
  Q_OBJECT
 public:
  explicit CListEditSubheader(QWidget* parent = nullptr);
};
class CListEditFooter : public CListEditPage {
  Q_OBJECT
 public:
  explicit CListEditFooter(QWidget* parent = nullptr);
};
class CListEditInfo : public CListEditPage {
  Q_OBJECT
 public:
  explicit CListEditInfo(QWidget* parent = nullptr);
};

class CListEdit : public QDialog {
  Q_OBJECT

 public:
  // Edits the list type at index of the loaded registry; -1 starts a new one.
  explicit CListEdit(int index, QWidget* parent = nullptr);

  // The registry index of the list type after OK (or 0 after Delete).
  int SavedIndex() const { return savedIndex_; }
  QTabWidget* Pages() const { return pages_; }
  CListEditPage* Page(int i) const { return pages[i]; }
  // The list type as the pages hold it.
  ListType Edited() const;
  void Show(const ListType& type);

  void New();
  void Delete();
  void Import();
  void accept() override;

 private:
  QTabWidget* pages_;
  CListEditPage* pages[7];
  int index_;
  bool isNew_;
  std::string originalFile_;
  int savedIndex_ = 0;
};

// "Output Field": one field code from the choices.
class COutputFieldDlg : public QDialog {
  Q_OBJECT

 public:
  explicit COutputFieldDlg(QWidget* parent = nullptr);
  QString Code() const;
  QComboBox* FieldBox() const { return field_; }
  QComboBox* NewlinesBox() const { return newlines_; }
  QComboBox* LinesBox() const { return lines_; }
  QCheckBox* RightBox() const { return right_; }
  QCheckBox* ZerosBox() const { return zeros_; }
  QSpinBox* MinBox() const { return min_; }
  QSpinBox* MaxBox() const { return max_; }

 private:
  void Update();
  QComboBox* field_;
  QComboBox* newlines_;
  QComboBox* lines_;
  QCheckBox* right_;
  QCheckBox* zeros_;
  QSpinBox* min_;
  QSpinBox* max_;
  QLabel* code_;
};

}  // namespace tunora
