#include "store/filecommands.h"
#include "cli/cli.h"
#include "store/messages.h"
#include "store/server.h"

// import FILE / export FILE: the tools menu's whole-file commands, through the
// same checked, atomic code as the window. A refusal leaves the working file
// as it was and says why on standard error.
namespace korvane::cli {

namespace {

int finish(const files::CommandResult& result) {
    if (!result.ok) {
        err(result.message);
        return result.unavailable ? Unavailable : Refused;
    }
    out(result.message);
    return Done;
}

bool oneFileArgument(const Context& context, const char* command) {
    if (context.args.size() == 1)
        return true;
    err(QStringLiteral("usage: korvane-cli %1 FILE").arg(QLatin1String(command)));
    return false;
}

} // namespace

int importDatabase(Context& context) {
    if (!oneFileArgument(context, "import"))
        return Refused;
    if (context.onServer)
        return finish(server::fillWard(context.database, context.args.first(), true));
    return finish(files::replaceDatabaseFile(context.database, context.args.first()));
}

int exportDatabase(Context& context) {
    if (!oneFileArgument(context, "export"))
        return Refused;
    if (context.onServer)
        return finish(server::exportWard(context.database, context.args.first()));
    return finish(files::exportDatabaseFile(context.database, context.args.first()));
}

// wards [--grant [--apply]]: the wards of the server, or the statements that
// give each (or the one of --ward) its role and the department its reading
// role, or those statements run.
int wards(Context& context) {
    bool grant = false;
    bool apply = false;
    for (const QString& arg : context.args) {
        if (arg == QLatin1String("--grant")) {
            grant = true;
        } else if (arg == QLatin1String("--apply")) {
            apply = true;
        } else {
            err(QStringLiteral("wards: unknown option %1").arg(arg));
            return Refused;
        }
    }
    if (apply && !grant) {
        err(QStringLiteral("wards: --apply goes with --grant"));
        return Refused;
    }
    QStringList names;
    QString error;
    if (!server::listWards(server::urlOf(context.database), &names, &error)) {
        err(error);
        return Unavailable;
    }
    const QString ward = server::wardOf(context.database);
    if (!ward.isEmpty()) {
        if (!names.contains(ward)) {
            err(msg::wardMissing.arg(ward));
            return Refused;
        }
        names = QStringList{ward};
    }
    if (apply)
        return finish(server::applyGrants(server::urlOf(context.database), names));
    if (grant) {
        for (const QString& statement : server::grantStatements(names))
            out(statement + QLatin1Char(';'));
        return Done;
    }
    for (const QString& name : names)
        out(name);
    return Done;
}

} // namespace korvane::cli
