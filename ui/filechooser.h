#pragma once

#include <QString>

class QWidget;

namespace korvane {

// The open and save dialogs (dlgin of the tools menu, 导出PDF of the printed
// roster). start is the folder the dialog shows first, or a file name in it
// that a save dialog proposes. Each returns the chosen file, or an empty text
// when the user cancels.
class FileChooser {
public:
    virtual ~FileChooser() = default;
    virtual QString openFile(QWidget* parent, const QString& start, const QString& filter) = 0;
    virtual QString saveFile(QWidget* parent, const QString& start, const QString& filter) = 0;
};

// Asks where to write a file: the dialog proposes name + suffix in folder;
// the suffix is added to a chosen name that has none. Empty on Cancel.
QString chooseFileToWrite(FileChooser& chooser, QWidget* parent, const QString& folder,
                          const QString& name, const QString& suffix, const QString& filter);

// The desktop's file dialogs.
class DialogFileChooser : public FileChooser {
public:
    QString openFile(QWidget* parent, const QString& start, const QString& filter) override;
    QString saveFile(QWidget* parent, const QString& start, const QString& filter) override;
};

} // namespace korvane
