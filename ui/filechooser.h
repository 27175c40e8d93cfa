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

// The desktop's file dialogs.
class DialogFileChooser : public FileChooser {
public:
    QString openFile(QWidget* parent, const QString& start, const QString& filter) override;
    QString saveFile(QWidget* parent, const QString& start, const QString& filter) override;
};

} // namespace korvane
