#include "ui/filechooser.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace korvane {

QString chooseFileToWrite(FileChooser& chooser, QWidget* parent, const QString& folder,
                          const QString& name, const QString& suffix, const QString& filter) {
    QString path = chooser.saveFile(parent, QDir(folder).filePath(name + suffix), filter);
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty())
        path += suffix;
    return path;
}

QString DialogFileChooser::openFile(QWidget* parent, const QString& start, const QString& filter) {
    return QFileDialog::getOpenFileName(parent, QString(), start, filter);
}

QString DialogFileChooser::saveFile(QWidget* parent, const QString& start, const QString& filter) {
    return QFileDialog::getSaveFileName(parent, QString(), start, filter);
}

} // namespace korvane
