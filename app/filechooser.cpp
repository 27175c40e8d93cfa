#include "app/filechooser.h"

#include <QFileDialog>

namespace korvane {

QString DialogFileChooser::openFile(QWidget* parent, const QString& folder, const QString& filter) {
    return QFileDialog::getOpenFileName(parent, QString(), folder, filter);
}

QString DialogFileChooser::saveFile(QWidget* parent, const QString& folder, const QString& filter) {
    return QFileDialog::getSaveFileName(parent, QString(), folder, filter);
}

} // namespace korvane
