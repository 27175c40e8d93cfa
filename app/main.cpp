// korvane: the desktop program.

#include "app/applicationcontroller.h"
#include "app/appsetup.h"
#include "app/terminationsignals.h"
#include "store/datafiles.h"
#include "store/filecommands.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char** argv) {
    korvane::files::provideRuntimeDirectory();
    QApplication app(argc, argv);
    korvane::setUpApplication(app);

    QString dataDirOption;
    const QStringList args = QCoreApplication::arguments();
    const qsizetype at = args.indexOf(QStringLiteral("--data-dir"));
    if (at >= 0 && at + 1 < args.size())
        dataDirOption = args.at(at + 1);
    const QString dataDir = korvane::files::dataDirectory(dataDirOption);
    const korvane::files::CommandResult prepared = korvane::files::prepareWorkingDatabase(dataDir);
    if (!prepared.ok) {
        QMessageBox::critical(nullptr, QStringLiteral("Korvane3.2"), prepared.message);
        return 1;
    }
    if (!prepared.message.isEmpty()) // an unusable working file was moved aside
        QMessageBox::information(nullptr, QStringLiteral("Korvane3.2"), prepared.message);

    korvane::ApplicationController controller(dataDir);
    // A session that logs out ends the program as 退出系统 does.
    korvane::TerminationSignals termination;
    QObject::connect(&termination, &korvane::TerminationSignals::received, &controller,
                     &korvane::ApplicationController::exitProgram);
    if (!controller.start())
        return 1;
    return app.exec();
}
