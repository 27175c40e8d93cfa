// korvane-cli: the program's main jobs without a window, for scripts,
// benchmarks and machines without a display.

#include "cli/cli.h"
#include "store/databaselock.h"
#include "store/datafiles.h"
#include "store/filecommands.h"
#include "store/messages.h"
#include "store/server.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include <memory>

#include <termios.h>
#include <unistd.h>

using namespace korvane;

namespace {

const char* kUsage =
    "Usage: korvane-cli [--data-dir DIR | --db FILE | --server URL --ward NAME] COMMAND [options]\n"
    "Options of every command:\n"
    "  --data-dir DIR              work on the working database of the data folder DIR\n"
    "  --db FILE                   work on the database FILE\n"
    "  --server URL --ward NAME    work on the ward NAME of a PostgreSQL server (URL in\n"
    "                              libpq's form: postgresql://host/database?sslmode=...);\n"
    "                              the password comes from libpq's password file\n"
    "Commands:\n"
    "  init [--sample] [--force]   create the working database from the template (or the sample)\n"
    "  generate                    generate the roster, as the button 生成值班表 does, and\n"
    "                              keep it as a saved roster named after its period\n"
    "  generate --keep-locks NAME [--drop-conflicting-locks]\n"
    "                              generate the saved roster NAME again: its locked\n"
    "                              assignments stay, the run fills the rest; locks that\n"
    "                              break leave, a rule or a limit are named and kept\n"
    "                              (or, with --drop-conflicting-locks, left out of the run)\n"
    "  explain [--keep-locks NAME] plan the roster (or the saved roster NAME again) as\n"
    "                              generate would, without writing it: why a slot cannot be\n"
    "                              filled, or what each person works against their limits\n"
    "  roster [--person TEXT] [--shift TEXT] [--csv FILE|-] [--pdf FILE]\n"
    "                              show the roster left by the last run\n"
    "  roster --month [--csv FILE|-] [--pdf FILE [--paper A4|A3]] [--xlsx FILE]\n"
    "                              the month sheet: a row per person, a column per date\n"
    "                              (--xlsx: the workbook of sheet, roster and totals)\n"
    "  roster --saved NAME [...]   any form of roster above, for the saved roster NAME\n"
    "  roster [...] --warnings     also what the roster breaks (rules, leave, limits, rest,\n"
    "                              slots short or over), as the saved roster page lists it\n"
    "  rosters                     list the saved rosters\n"
    "  score [--saved NAME]        the score of the roster (or of the saved roster NAME): each\n"
    "                              term's cost, each person's line, the hard rules it breaks\n"
    "  improve [--seconds N | --steps N] [--seed S] [--saved NAME]\n"
    "                              search for a roster with a lower score from the last run's\n"
    "                              roster (or the saved roster NAME, its locks held), for N\n"
    "                              seconds (10) or N steps of each of two chains; the best is\n"
    "                              kept as the saved roster \"…（优化）\"\n"
    "  import FILE                 replace the working database (or the ward) by FILE\n"
    "  export FILE                 save the working database (or the ward) to FILE\n"
    "  wards [--grant [--apply]]   list the wards of the server (--server); --grant: the\n"
    "                              statements giving each ward a role of its own and the\n"
    "                              department a role that reads every ward; --apply: run\n"
    "                              them, all or none, as the --server URL's role (an\n"
    "                              administrator's)\n"
    "  overview --month yyyy-MM    every ward's latest saved roster of the month (--server):\n"
    "                              per ward, day and shift the people on duty and missing\n"
    "  wishes --import FILE.csv    add the wishes of a CSV file (person, from, to, shift or\n"
    "                              全天, 想/不想, weight, reason), all or none\n"
    "  --help, --version           print this help, or the version\n"
    "Exit codes: 0 done, 1 the plan cannot be carried out, 2 bad arguments or a file\n"
    "that is not a Korvane database, 3 nothing to plan (roster --month, --xlsx: no\n"
    "roster), 4 the run failed, 5 the file is busy, in use by another program of ours,\n"
    "read-only or on a full disk\n";

int usage() {
    std::fputs(kUsage, stderr);
    return cli::Refused;
}

} // namespace

namespace korvane::cli {

// The commands on a ward of a server: the same as on a file, the data
// folder left alone.
// A password typed on the terminal without echo, when the server asks for
// one that libpq's password file does not hold.
QString typedPassword(const QString& url) {
    if (!::isatty(STDIN_FILENO))
        return {};
    std::fprintf(stderr, "%s", msg::passwordFor.arg(url).toUtf8().constData());
    termios saved{};
    ::tcgetattr(STDIN_FILENO, &saved);
    termios quiet = saved;
    quiet.c_lflag &= ~tcflag_t(ECHO);
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    char line[1024] = {};
    const bool read = std::fgets(line, sizeof line, stdin) != nullptr;
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::fputs("\n", stderr);
    return read ? QString::fromLocal8Bit(line).chopped(QByteArray(line).endsWith('\n') ? 1 : 0)
                : QString();
}

int onServer(Context& context, QStringList args, const QString& url, const QString& ward,
             bool hasWard) {
    server::setPasswordSource(typedPassword);
    const QString command = args.takeFirst();
    context.args = args;
    context.database = server::location(url, ward);
    if (command == QLatin1String("wards"))
        return wards(context);
    if (command == QLatin1String("overview"))
        return overview(context);
    if (!hasWard || ward.trimmed().isEmpty()) {
        err(msg::wardNameEmpty);
        return usage();
    }
    if (command == QLatin1String("init"))
        return init(context);
    if (command == QLatin1String("import"))
        return importDatabase(context);
    if (command != QLatin1String("generate") && command != QLatin1String("roster") &&
        command != QLatin1String("export") && command != QLatin1String("explain") &&
        command != QLatin1String("rosters") && command != QLatin1String("wishes") &&
        command != QLatin1String("score") && command != QLatin1String("improve"))
        return usage();
    if (const int code = lockForUse(context); code != Done)
        return code;
    return runCommand(context, command);
}

} // namespace korvane::cli

namespace korvane::cli {

int runCommand(Context& context, const QString& command) {
    if (command == QLatin1String("generate"))
        return generate(context);
    if (command == QLatin1String("roster"))
        return roster(context);
    if (command == QLatin1String("rosters"))
        return listSavedRosters(context);
    if (command == QLatin1String("score"))
        return score(context);
    if (command == QLatin1String("explain"))
        return explain(context);
    if (command == QLatin1String("improve"))
        return improve(context);
    if (command == QLatin1String("wishes"))
        return wishes(context);
    return exportDatabase(context);
}

void out(const QString& text) {
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

void err(const QString& text) {
    std::fflush(stdout);
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
}

bool takeOption(QStringList& args, const QString& name, QString* value, bool* present) {
    const qsizetype at = args.indexOf(name);
    if (present)
        *present = at >= 0;
    if (at < 0)
        return true;
    if (at + 1 >= args.size())
        return false;
    if (value)
        *value = args.at(at + 1);
    args.remove(at, 2);
    return true;
}

int lockForUse(Context& context) {
    FileCheck problem;
    std::shared_ptr<files::DatabaseLock> lock = files::DatabaseLock::acquire(
        context.database, files::DatabaseLock::Mode::Use, files::lockWaitMs(), &problem);
    if (!lock) {
        err(problem.reason);
        return problem.temporarilyUnavailable() ? Unavailable : Refused;
    }
    context.useLock = lock;
    return Done;
}

std::unique_ptr<Connection> openDatabase(const Context& context, Connection::Access access,
                                         int* code) {
    FileCheck problem;
    auto connection = Connection::openChecked(context.database, &problem, access);
    if (!connection) {
        const QString where = context.onServer ? server::describe(context.database)
                                               : QDir::toNativeSeparators(context.database);
        err(where + QStringLiteral("：") + problem.reason);
        *code = problem.temporarilyUnavailable() ? Unavailable : Refused;
    }
    return connection;
}

} // namespace korvane::cli

int main(int argc, char** argv) {
    // The printable report needs a GUI application object; it never needs a display.
    bool wantsPdf = false;
    for (int i = 1; i < argc; ++i)
        wantsPdf = wantsPdf || QByteArray(argv[i]) == "--pdf";
    std::unique_ptr<QCoreApplication> app;
    if (wantsPdf) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        files::provideRuntimeDirectory();
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setOrganizationName(QStringLiteral("Korvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Korvane"));

    cli::Context context;
    QStringList args = QCoreApplication::arguments().mid(1);
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        std::fputs(kUsage, stdout);
        return cli::Done;
    }
    if (args.contains(QStringLiteral("--version"))) {
        std::fputs("korvane-cli " KORVANE_VERSION "\n", stdout);
        return cli::Done;
    }
    QString dataDir;
    bool hasDataDir = false;
    QString serverUrl;
    QString ward;
    bool hasWard = false;
    if (!cli::takeOption(args, QStringLiteral("--data-dir"), &dataDir, &hasDataDir) ||
        !cli::takeOption(args, QStringLiteral("--db"), &context.database, &context.databaseGiven) ||
        !cli::takeOption(args, QStringLiteral("--server"), &serverUrl, &context.onServer) ||
        !cli::takeOption(args, QStringLiteral("--ward"), &ward, &hasWard) || args.isEmpty() ||
        (hasDataDir && context.databaseGiven) ||
        (context.onServer && (hasDataDir || context.databaseGiven)) ||
        (hasWard && !context.onServer))
        return usage();
    if (context.onServer)
        return cli::onServer(context, args, serverUrl, ward, hasWard);
    // An empty folder or file name is a mistake, never "the default".
    if ((hasDataDir && dataDir.trimmed().isEmpty()) ||
        (context.databaseGiven && context.database.trimmed().isEmpty())) {
        cli::err(QStringLiteral("--data-dir and --db need a folder or file name"));
        return usage();
    }
    context.dataDir = files::dataDirectory(dataDir);
    if (!context.databaseGiven)
        context.database = files::workingPath(context.dataDir);
    else
        context.database = QDir(context.database).absolutePath();

    const QString command = args.takeFirst();
    context.args = args;
    // What a killed copy of ours left beside the database.
    files::clearStaleStaging(QFileInfo(files::writablePath(context.database)).absolutePath());
    // Like the window, a first start creates the missing working database from
    // the template. An existing file is left to the command, which refuses a
    // file that is not ours without touching it.
    if (!context.databaseGiven && command != QLatin1String("init") &&
        !QFileInfo::exists(context.database)) {
        const files::CommandResult prepared = files::prepareWorkingDatabase(context.dataDir);
        if (!prepared.ok) {
            cli::err(prepared.message);
            return cli::Unavailable;
        }
    }
    if (command == QLatin1String("init"))
        return cli::init(context);
    if (command == QLatin1String("import"))
        return cli::importDatabase(context);
    if (command != QLatin1String("generate") && command != QLatin1String("roster") &&
        command != QLatin1String("export") && command != QLatin1String("explain") &&
        command != QLatin1String("rosters") && command != QLatin1String("wishes") &&
        command != QLatin1String("score") && command != QLatin1String("improve"))
        return usage();
    // Every other command uses the file: no program of ours replaces it meanwhile.
    if (const int code = cli::lockForUse(context); code != cli::Done)
        return code;
    return cli::runCommand(context, command);
}
