// korvane-cli: the program's main jobs without a window, for scripts,
// benchmarks and machines without a display.

#include "cli/cli.h"
#include "store/datafiles.h"
#include "store/filecommands.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

#include <memory>

using namespace korvane;

namespace {

const char* kUsage =
    "usage: korvane-cli [--data-dir DIR | --db FILE] COMMAND [options]\n"
    "commands:\n"
    "  init [--sample] [--force]   create the working database from the template (or the sample)\n"
    "  generate                    generate the roster, as the button 生成值班表 does\n"
    "  roster [--person TEXT] [--shift TEXT] [--csv FILE] [--pdf FILE]\n"
    "                              show the roster left by the last run\n"
    "  import FILE                 replace the working database by FILE\n"
    "  export FILE                 save the working database to FILE\n";

} // namespace

namespace korvane::cli {

void out(const QString& text) {
    std::fputs(text.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
}

void err(const QString& text) {
    std::fflush(stdout);
    std::fputs(text.toUtf8().constData(), stderr);
    std::fputc('\n', stderr);
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
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setOrganizationName(QStringLiteral("Korvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Korvane"));

    cli::Context context;
    QStringList args = QCoreApplication::arguments().mid(1);
    QString dataDir;
    bool hasDataDir = false;
    if (!cli::takeOption(args, QStringLiteral("--data-dir"), &dataDir, &hasDataDir) ||
        !cli::takeOption(args, QStringLiteral("--db"), &context.database, &context.databaseGiven) ||
        args.isEmpty() || (hasDataDir && context.databaseGiven)) {
        std::fputs(kUsage, stderr);
        return cli::Refused;
    }
    context.dataDir = files::dataDirectory(dataDir);
    if (!context.databaseGiven)
        context.database = files::workingPath(context.dataDir);
    else
        context.database = QDir(context.database).absolutePath();

    const QString command = args.takeFirst();
    context.args = args;
    // Like the window, a first start creates the missing working database from
    // the template. An existing file is left to the command, which refuses a
    // file that is not ours without touching it.
    if (!context.databaseGiven && command != QLatin1String("init") &&
        !QFileInfo::exists(context.database)) {
        const files::CommandResult prepared = files::prepareWorkingDatabase(context.dataDir);
        if (!prepared.ok) {
            cli::err(prepared.message);
            return cli::Refused;
        }
    }
    if (command == QLatin1String("init"))
        return cli::init(context);
    if (command == QLatin1String("generate"))
        return cli::generate(context);
    if (command == QLatin1String("roster"))
        return cli::roster(context);
    if (command == QLatin1String("import"))
        return cli::importDatabase(context);
    if (command == QLatin1String("export"))
        return cli::exportDatabase(context);
    std::fputs(kUsage, stderr);
    return cli::Refused;
}
