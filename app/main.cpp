// korvane: the desktop program.

#include "app/appsetup.h"
#include "store/datafiles.h"

#include <QApplication>
#include <QMainWindow>
#include <QMessageBox>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    korvane::setUpApplication(app);

    QString dataDirOption;
    const QStringList args = QCoreApplication::arguments();
    const qsizetype at = args.indexOf(QStringLiteral("--data-dir"));
    if (at >= 0 && at + 1 < args.size())
        dataDirOption = args.at(at + 1);
    const QString dataDir = korvane::files::dataDirectory(dataDirOption);
    QString error;
    if (!korvane::files::ensureWorkingDatabase(dataDir, &error)) {
        QMessageBox::critical(nullptr, QStringLiteral("Korvane3.2"), error);
        return 1;
    }

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Korvane3.2"));
    window.resize(1100, 760);
    window.show();
    return app.exec();
}
