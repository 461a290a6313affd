// Base of the option pages that list a part of the style set (rhythms, chord
// types, backings): the list with Edit, New, Delete, Up 1 and Down 1. A page keeps
// its own copy of its list and stores it back when the sheet is confirmed.
#pragma once

#include <QStringList>
#include <vector>

#include "gui/play/options/COptPlayPage.h"
#include "play/StyleEdit.h"

class QPushButton;
class QTreeWidget;
class QVBoxLayout;

namespace tunora {

class COptStyleListPage : public COptPlayPage {
  Q_OBJECT

 public:
  QTreeWidget* List() const { return list_; }
  // The selected row, -1 when none.
  int CurrentRow() const;
  void SetCurrentRow(int row);
  // The button with that text ("Dele&te", "&Up 1" ...), or null.
  QPushButton* Button(const QString& text) const;

 public slots:
  void OnEdit();
  void OnNew();
  void OnDelete();
  void OnUp();
  void OnDown();

 protected:
  COptStyleListPage(const QString& caption, const QStringList& headers, QWidget* parent);

  virtual int Count() const = 0;
  virtual QStringList RowTexts(int row) const = 0;
  // Runs the edit dialog on row; true when it was confirmed.
  virtual bool EditRow(int row) = 0;
  // Puts a new entry, named "[New]", at row.
  virtual void InsertNew(int row) = 0;
  // The question before a row is deleted; "" deletes without asking.
  virtual QString DeleteQuestion() const { return {}; }
  virtual void RemoveRow(int row) = 0;
  // Moves row one place; returns its new place.
  virtual int MoveRow(int row, bool up) = 0;

  // Fills the list again and selects row.
  void Refill(int row);
  // The column of buttons, for a page's own buttons.
  QVBoxLayout* Buttons() const { return buttons_; }
  QPushButton* AddButton(const QString& text);
  void UpdateButtons();

 private:
  QTreeWidget* list_ = nullptr;
  QVBoxLayout* buttons_ = nullptr;
};

// A list page over one list of the style set (kList), kept as entries_ while the
// sheet is open.
template <typename T, std::vector<T> StyleSet::*kList>
class COptStyleListPageOf : public COptStyleListPage {
 public:
  void Load(const PlayOptionsData& options) override {
    entries_ = options.styles.*kList;
    Refill(0);
  }
  bool Store(PlayOptionsData& options) override {
    options.styles.*kList = entries_;
    return true;
  }
  const std::vector<T>& Entries() const { return entries_; }

 protected:
  using COptStyleListPage::COptStyleListPage;

  T& Entry(int row) { return entries_[static_cast<size_t>(row)]; }
  const T& Entry(int row) const { return entries_[static_cast<size_t>(row)]; }
  void Insert(int row, T entry) { entries_.insert(entries_.begin() + row, std::move(entry)); }

  int Count() const override { return static_cast<int>(entries_.size()); }
  void RemoveRow(int row) override { entries_.erase(entries_.begin() + row); }
  int MoveRow(int row, bool up) override {
    return static_cast<int>(MoveEntry(entries_, static_cast<size_t>(row), up));
  }

  std::vector<T> entries_;
};

}  // namespace tunora
