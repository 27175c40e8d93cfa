#include "cli/cli.h"
#include "store/datafiles.h"

#include <QDir>
#include <QFileInfo>

namespace korvane::cli {

// init [--sample] [--force]: a fresh working database from a delivered file.
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
    if (QFileInfo::exists(target) && !force) {
        err(QStringLiteral("%1 已存在；用 --force 覆盖。").arg(QDir::toNativeSeparators(target)));
        return Refused;
    }
    QDir().mkpath(QFileInfo(target).absolutePath());
    const QString source = sample ? files::samplePath() : files::templatePath();
    QString error;
    if (!files::copyDatabase(source, target, &error)) {
        err(error);
        return Refused;
    }
    out(QDir::toNativeSeparators(target));
    return Done;
}

} // namespace korvane::cli
