// The program's file dialog, used for every open, save and import. It refuses
// a chosen name that holds a backslash, slash, colon, double quote, less-than
// or greater-than sign, vertical bar or a control character, and * and ?
// unless wildcards are allowed.
#pragma once

#include <QFileDialog>
#include <QString>
#include <functional>

namespace tunora {

class CLarkFileDialog : public QFileDialog {
  Q_OBJECT

 public:
  // openFile: an open dialog (the file must exist), else a save dialog.
  // filter: Qt filter text, "Abc Files (*.abc);;All Files (*)".
  CLarkFileDialog(bool openFile, const QString& title, const QString& fileName,
                  const QString& filter, QWidget* parent = nullptr, bool allowWildcards = false);

  bool AllowsWildcards() const { return allowWildcards_; }
  // True when the dialog accepts name (a file name, or a path whose last part is checked).
  bool AcceptsName(const QString& name) const;

  // Runs a dialog; the chosen path, or "" when cancelled.
  static QString GetOpenFileName(QWidget* parent, const QString& title, const QString& fileName,
                                 const QString& filter, bool allowWildcards = false);
  // An open dialog in which several files can be chosen; the paths, or none when
  // cancelled. The test hook answers them as lines of one text.
  static QStringList GetOpenFileNames(QWidget* parent, const QString& title,
                                      const QString& fileName, const QString& filter);
  static QString GetSaveFileName(QWidget* parent, const QString& title, const QString& fileName,
                                 const QString& filter);

  // Replaces the dialogs (tests): the hook gets the title and the proposed
  // name and returns the chosen path ("" for cancel).
  using AnswerHook = std::function<QString(const QString& title, const QString& fileName)>;
  static void SetAnswerHook(AnswerHook hook);

 public slots:
  void accept() override;

 private:
  bool allowWildcards_;
};

}  // namespace tunora
