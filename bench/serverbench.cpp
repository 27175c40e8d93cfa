#include "bench/serverbench.h"

#include "bench/benchsupport.h"

#include "engine/run.h"
#include "overview/overview.h"
#include "rosters/savedroster.h"
#include "store/connection.h"
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

// Seconds of one run on database, -1 when it did not end as done.
double timedRun(const QString& database) {
    QElapsedTimer timer;
    timer.start();
    const engine::RunResult result = engine::generate(database);
    return result.outcome == engine::RunOutcome::Done ? timer.nsecsElapsed() / 1e9 : -1;
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
    const double file = medianOf(onFile);
    const double ward = medianOf(onServer);
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

bool measureOverview(const QString& path) {
    constexpr int kWards = 30;
    QString why;
    test::ServerCluster* cluster = test::ServerCluster::shared(&why);
    if (!cluster) {
        print(QStringLiteral("overview of %1 wards: skipped (%2)").arg(kWards).arg(why));
        return why.startsWith(QLatin1String("missing"));
    }
    const auto failed = [](const QString& why) {
        print(QStringLiteral("overview: %1").arg(why));
        return false;
    };
    // The ward's month generated and kept in a copy of the file, which every
    // ward then gets in bulk.
    QTemporaryDir dir;
    const QString copy = QDir(dir.path()).filePath(QStringLiteral("ward.mdb"));
    if (!QFile::copy(path, copy) || engine::generate(copy).outcome != engine::RunOutcome::Done)
        return failed(QStringLiteral("the ward's run did not end as done"));
    QDate month;
    {
        QString error;
        auto connection = Connection::open(copy, &error);
        rosters::KeptRoster kept;
        QList<rosters::RosterSummary> all;
        if (!connection || !rosters::keepRun(connection->db(), 0, &kept, &error) ||
            !rosters::listRosters(connection->db(), &all, &error) || all.isEmpty())
            return failed(QStringLiteral("no saved roster: ") + error);
        month = all.first().first;
    }
    const QString database = QStringLiteral("overview");
    if (!cluster->execute({QStringLiteral("DROP DATABASE IF EXISTS %1").arg(database),
                           QStringLiteral("CREATE DATABASE %1").arg(database)},
                          &why, QStringLiteral("postgres")))
        return failed(why);
    const QString url = cluster->url({}, database);
    QElapsedTimer filling;
    filling.start();
    // The first ward filled from the file, the others copied from it by the
    // server, table by table.
    const auto wardName = [](int i) {
        return QStringLiteral("病区%1").arg(i, 2, 10, QLatin1Char('0'));
    };
    const files::CommandResult filled =
        server::fillWard(server::location(url, wardName(1)), copy, false);
    if (!filled.ok)
        return failed(filled.message);
    QStringList copies;
    for (int i = 2; i <= kWards; ++i)
        copies << QStringLiteral(
                      "DO $$ DECLARE t text; BEGIN EXECUTE format('CREATE SCHEMA %I', '%1'); "
                      "FOR t IN SELECT tablename FROM pg_tables WHERE schemaname = '%2' LOOP "
                      "EXECUTE format('CREATE TABLE %I.%I (LIKE %I.%I INCLUDING ALL)', '%1', t, "
                      "'%2', t); EXECUTE format('INSERT INTO %I.%I SELECT * FROM %I.%I', '%1', t, "
                      "'%2', t); END LOOP; END $$")
                      .arg(wardName(i), wardName(1));
    if (!cluster->execute(copies, &why, database))
        return failed(why);
    const double fill = filling.nsecsElapsed() / 1e9;
    QList<double> times;
    overview::Overview seen;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (!overview::read(url, month, &seen, &why))
            return failed(why);
        times << timer.nsecsElapsed() / 1e9;
    }
    const auto shown = std::count_if(seen.wards.begin(), seen.wards.end(),
                                     [](const overview::WardNote& note) { return note.shown; });
    const double read = medianOf(times);
    print(QStringLiteral("overview of %1 wards on a local server: read %2 s (limit 1.00%3), "
                         "%4 wards shown, %5 shift days; wards filled in %6 s")
              .arg(kWards)
              .arg(read, 0, 'f', 3)
              .arg(read > 1 ? QStringLiteral(", OVER") : QString())
              .arg(shown)
              .arg(seen.duties.size())
              .arg(fill, 0, 'f', 2));
    return shown == kWards && read <= 1;
}

} // namespace korvane::bench
