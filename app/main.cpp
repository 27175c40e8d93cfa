// korvane: the desktop program.

#include "app/applicationcontroller.h"
#include "app/appsetup.h"
#include "app/terminationsignals.h"
#include "store/datafiles.h"
#include "store/filecommands.h"
#include "store/server.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

namespace {

const char* kUsage =
    "Usage: korvane [--data-dir DIR | --server URL --ward NAME]\n"
    "The desktop program of Korvane: the staff, the planning period, the shifts,\n"
    "groups, rules, limits and leave are set in its pages, and 生成值班表 fills\n"
    "every shift of every day with named people.\n"
    "\n"
    "Options:\n"
    "  --data-dir DIR  the data folder that holds the working database 员工数据库.mdb\n"
    "                  (else $KORVANE_DATA_DIR, else the program folder when it is\n"
    "                  writable and not installed for every user, else the user's\n"
    "                  application data folder); a missing database is created\n"
    "                  from the template\n"
    "  --server URL --ward NAME\n"
    "                  work on the ward NAME of a PostgreSQL server (URL in libpq's\n"
    "                  form, postgresql://host/database); the password comes from\n"
    "                  libpq's password file, never from Korvane\n"
    "  -h, --help      print this help\n"
    "  --version       print the version\n"
    "Qt's own options (-platform NAME, -style NAME, ...) are taken as well.\n"
    "SIGTERM, SIGHUP and SIGINT end the program as its button 退出系统 does.\n";

} // namespace

int main(int argc, char** argv) {
    // Answered without a display, before the application object exists.
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::fputs("korvane " KORVANE_VERSION "\n", stdout);
            return 0;
        }
    }
    korvane::files::provideRuntimeDirectory();
    QApplication app(argc, argv);
    korvane::setUpApplication(app);

    QString dataDirOption;
    const QStringList args = QCoreApplication::arguments();
    const qsizetype at = args.indexOf(QStringLiteral("--data-dir"));
    if (at >= 0 && at + 1 < args.size())
        dataDirOption = args.at(at + 1);
    const QString dataDir = korvane::files::dataDirectory(dataDirOption);
    const qsizetype serverAt = args.indexOf(QStringLiteral("--server"));
    const qsizetype wardAt = args.indexOf(QStringLiteral("--ward"));
    QString ward;
    if (serverAt >= 0 || wardAt >= 0) {
        if (serverAt < 0 || wardAt < 0 || serverAt + 1 >= args.size() ||
            wardAt + 1 >= args.size()) {
            std::fputs(kUsage, stderr);
            return 2;
        }
        ward = korvane::server::location(args.at(serverAt + 1), args.at(wardAt + 1));
    }
    const korvane::files::CommandResult prepared =
        ward.isEmpty() ? korvane::files::prepareWorkingDatabase(dataDir)
                       : korvane::files::CommandResult{true, {}, {}, false};
    if (!prepared.ok) {
        QMessageBox::critical(nullptr, QStringLiteral("Korvane3.2"), prepared.message);
        return 1;
    }
    if (!prepared.message.isEmpty()) // an unusable working file was moved aside
        QMessageBox::information(nullptr, QStringLiteral("Korvane3.2"), prepared.message);

    korvane::ApplicationController controller(dataDir);
    controller.setWard(ward);
    // A session that logs out ends the program as 退出系统 does.
    korvane::TerminationSignals termination;
    QObject::connect(&termination, &korvane::TerminationSignals::received, &controller,
                     &korvane::ApplicationController::exitProgram);
    if (!controller.start())
        return 1;
    return app.exec();
}
