#include "store/filecommands.h"
#include "cli/cli.h"

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
    return finish(files::replaceDatabaseFile(context.database, context.args.first()));
}

int exportDatabase(Context& context) {
    if (!oneFileArgument(context, "export"))
        return Refused;
    return finish(files::exportDatabaseFile(context.database, context.args.first()));
}

} // namespace korvane::cli
