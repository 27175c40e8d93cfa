#include "bench/serverbench.h"

#include "engine/run.h"
#include "store/messages.h"
#include "store/server.h"
#include "support/servercluster.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace korvane::bench {

namespace {

void print(const QString& line) {
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

// Seconds of one run on database, -1 when it did not end as done.
double timedRun(const QString& database) {
    QElapsedTimer timer;
    timer.start();
    const engine::RunResult result = engine::generate(database);
    return result.outcome == engine::RunOutcome::Done ? timer.nsecsElapsed() / 1e9 : -1;
}

double median(QList<double> values) {
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

} // namespace

bool measureServer(const QString& name, const QString& path) {
    QString why;
    test::ServerCluster* cluster = test::ServerCluster::shared(&why);
    if (!cluster) {
        print(QStringLiteral("%1 on a server: skipped (%2)").arg(name, why));
        return why.startsWith(QLatin1String("missing"));
    }
    const QString location = server::location(cluster->url(), name);
    const files::CommandResult filled = server::fillWard(location, path, true);
    if (!filled.ok) {
        print(QStringLiteral("%1 on a server: cannot load the ward: %2").arg(name, filled.message));
        return false;
    }
    QTemporaryDir dir;
    const QString copy = QDir(dir.path()).filePath(QStringLiteral("file.mdb"));
    QList<double> onFile;
    QList<double> onServer;
    for (int i = 0; i < 3; ++i) {
        QFile::remove(copy);
        if (!QFile::copy(path, copy))
            return false;
        onFile << timedRun(copy);
        onServer << timedRun(location);
    }
    const double file = median(onFile);
    const double ward = median(onServer);
    const double ratio = file > 0 ? ward / file : 0;
    print(
        QStringLiteral("%1 on a local server: run %2 s, in the file %3 s, ratio %4 (limit 2.00%5)")
            .arg(name)
            .arg(ward, 0, 'f', 3)
            .arg(file, 0, 'f', 3)
            .arg(ratio, 0, 'f', 2)
            .arg(ratio > 2 ? QStringLiteral(", OVER") : QString()));
    return file > 0 && ward > 0 && ratio <= 2;
}

} // namespace korvane::bench
