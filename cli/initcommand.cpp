#include "cli/cli.h"
#include "store/databaselock.h"
#include "store/datafiles.h"
#include "store/server.h"

#include <QDir>
#include <QFileInfo>

namespace korvane::cli {

// init [--sample] [--force]: a fresh working database from a delivered file
// (the schema code's own when the template is missing, as at start-up).
int init(Context& context) {
    bool sample = false;
    bool force = false;
    for (const QString& arg : context.args) {
        if (arg == QLatin1String("--sample"))
            sample = true;
        else if (arg == QLatin1String("--force"))
            force = true;
        else {
            err(QStringLiteral("init: unknown option %1").arg(arg));
            return Refused;
        }
    }
    const QString target = context.database;
    if (context.onServer) {
        const files::CommandResult result =
            server::fillWard(target, sample ? files::samplePath() : files::templatePath(), force);
        (result.ok ? out : err)(result.message);
        return result.ok ? Done : result.unavailable ? Unavailable : Refused;
    }
    if (QFileInfo::exists(target) && !force) {
        err(QStringLiteral("%1 已存在；用 --force 覆盖。").arg(QDir::toNativeSeparators(target)));
        return Refused;
    }
    QDir().mkpath(QFileInfo(files::writablePath(target)).absolutePath());
    // No window or command of ours may have the file open while it is
    // replaced; a missing file is made only where none appears meanwhile.
    FileCheck problem;
    const auto lock = files::DatabaseLock::acquire(target, files::DatabaseLock::Mode::Replace,
                                                   files::lockWaitMs(), &problem);
    if (!lock && problem.verdict != FileCheck::Verdict::Missing) {
        err(problem.reason);
        return problem.temporarilyUnavailable() ? Unavailable : Refused;
    }
    const auto placement = lock ? files::Placement::Replace : files::Placement::CreateOnly;
    const bool written = sample
                             ? files::copyDatabase(files::samplePath(), target, &problem, placement)
                             : files::createDatabaseFile(target, &problem, placement);
    if (!written) {
        err(problem.reason);
        return problem.temporarilyUnavailable() ? Unavailable : Refused;
    }
    out(QDir::toNativeSeparators(target));
    return Done;
}

} // namespace korvane::cli
