#include "ui/filechooser.h"

#include <QFileDialog>

namespace korvane {

QString DialogFileChooser::openFile(QWidget* parent, const QString& start, const QString& filter) {
    return QFileDialog::getOpenFileName(parent, QString(), start, filter);
}

QString DialogFileChooser::saveFile(QWidget* parent, const QString& start, const QString& filter) {
    return QFileDialog::getSaveFileName(parent, QString(), start, filter);
}

} // namespace korvane
