#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

namespace korvane::test {

// A throwaway PostgreSQL cluster for the tests of wards on a server: made
// with initdb in a temporary folder, listening on a Unix socket in that
// folder only, stopped and removed when the test program ends. The server
// refuses to run as root: as root, it runs as the postgres system user (or
// nobody), which then owns the folder.
class ServerCluster {
public:
    // The cluster of this test program, started at the first call; null when
    // the server's programs are not installed (*why says so) or it would not
    // start (a failure of the test).
    static ServerCluster* shared(QString* why);

    ~ServerCluster();

    // A libpq URL of the cluster's database korvane (or database) as the
    // superuser, or as the role user.
    QString url(const QString& user = {},
                const QString& database = QStringLiteral("korvane")) const;
    // The folder of the socket.
    QString socketFolder() const { return m_dir.path(); }
    // Runs statements as the superuser on the database korvane; false with
    // the server's message.
    bool execute(const QStringList& statements, QString* error = nullptr,
                 const QString& database = QStringLiteral("korvane")) const;

private:
    ServerCluster() = default;
    bool start(QString* error);

    QTemporaryDir m_dir;
    QString m_bin;
    QString m_runAs; // the system user the server runs as (empty: ourselves)
    bool m_started = false;
};

// Skips the test when no server can be had (the programs are missing),
// fails it when one should start and does not.
#define KORVANE_NEED_SERVER(cluster)                                                               \
    QString serverWhy_;                                                                            \
    korvane::test::ServerCluster* cluster = korvane::test::ServerCluster::shared(&serverWhy_);     \
    if (!cluster) {                                                                                \
        if (serverWhy_.startsWith(QLatin1String("missing")))                                       \
            GTEST_SKIP() << serverWhy_.toStdString();                                              \
        FAIL() << serverWhy_.toStdString();                                                        \
    }

} // namespace korvane::test
