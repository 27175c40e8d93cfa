#pragma once

#include <QString>

class QWidget;

namespace korvane {

// The open and save dialogs of the tools menu (dlgin). Each returns the
// chosen file, or an empty text when the user cancels.
class FileChooser {
public:
    virtual ~FileChooser() = default;
    virtual QString openFile(QWidget* parent, const QString& folder, const QString& filter) = 0;
    virtual QString saveFile(QWidget* parent, const QString& folder, const QString& filter) = 0;
};

// The desktop's file dialogs.
class DialogFileChooser : public FileChooser {
public:
    QString openFile(QWidget* parent, const QString& folder, const QString& filter) override;
    QString saveFile(QWidget* parent, const QString& folder, const QString& filter) override;
};

} // namespace korvane
