#include "support/servercluster.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUrl>

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace korvane::test {

namespace {

// Debian's server programs (the newest), else those on the path.
QString serverPrograms() {
    QStringList versions = QDir(QStringLiteral("/usr/lib/postgresql"))
                               .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    QString found = versions.isEmpty()
                        ? QString()
                        : QStringLiteral("/usr/lib/postgresql/%1/bin").arg(versions.last());
    if (!QFileInfo(found + QStringLiteral("/pg_ctl")).isExecutable())
        found = QFileInfo(QStandardPaths::findExecutable(QStringLiteral("pg_ctl"))).path();
    return QFileInfo(found + QStringLiteral("/initdb")).isExecutable() ? found : QString();
}

bool runAs(const QString& user, const QString& program, const QStringList& arguments,
           QString* output) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (user.isEmpty())
        process.start(program, arguments);
    else
        process.start(QStringLiteral("runuser"),
                      QStringList{QStringLiteral("-u"), user, QStringLiteral("--"), program} +
                          arguments);
    const bool done = process.waitForFinished(120000) &&
                      process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (output)
        *output = QString::fromLocal8Bit(process.readAll());
    return done;
}

std::unique_ptr<ServerCluster> g_cluster;
QString g_failure;

void stopAtExit() {
    g_cluster.reset();
}

} // namespace

ServerCluster* ServerCluster::shared(QString* why) {
    static bool tried = false;
    if (!tried) {
        tried = true;
        std::unique_ptr<ServerCluster> cluster(new ServerCluster);
        if (cluster->start(&g_failure)) {
            g_cluster = std::move(cluster);
            std::atexit(stopAtExit);
        }
    }
    if (!g_cluster && why)
        *why = g_failure;
    return g_cluster.get();
}

bool ServerCluster::start(QString* error) {
    m_bin = serverPrograms();
    if (m_bin.isEmpty()) {
        *error = QStringLiteral("missing PostgreSQL server programs (initdb, pg_ctl): "
                                "the tests of wards on a server are skipped");
        return false;
    }
    if (!m_dir.isValid()) {
        *error = QStringLiteral("cannot make a temporary folder");
        return false;
    }
    const QString data = m_dir.filePath(QStringLiteral("data"));
    if (::geteuid() == 0) {
        m_runAs = ::getpwnam("postgres") ? QStringLiteral("postgres") : QStringLiteral("nobody");
        if (!runAs({}, QStringLiteral("chown"), {m_runAs, m_dir.path()}, error)) {
            *error = QStringLiteral("cannot hand the cluster's folder to an unprivileged user: ") +
                     *error;
            return false;
        }
    }
    QString output;
    // Local connections are trusted, except for the role that tests a password.
    if (!runAs(m_runAs, m_bin + QStringLiteral("/initdb"),
               {QStringLiteral("-D"), data, QStringLiteral("-U"), QStringLiteral("korvane"),
                QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--locale=C.UTF-8"),
                QStringLiteral("-A"), QStringLiteral("trust"), QStringLiteral("--no-sync")},
               &output)) {
        *error = QStringLiteral("initdb failed: ") + output;
        return false;
    }
    QFile hba(data + QStringLiteral("/pg_hba.conf"));
    if (!hba.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        hba.write("local all 口令护士 scram-sha-256\nlocal all all trust\n") < 0) {
        *error = QStringLiteral("cannot write pg_hba.conf");
        return false;
    }
    hba.close();
    const QString options = QStringLiteral("-k '%1' -c listen_addresses='' -c fsync=off "
                                           "-c full_page_writes=off -c synchronous_commit=off")
                                .arg(m_dir.path());
    if (!runAs(m_runAs, m_bin + QStringLiteral("/pg_ctl"),
               {QStringLiteral("-D"), data, QStringLiteral("-o"), options, QStringLiteral("-l"),
                m_dir.filePath(QStringLiteral("server.log")), QStringLiteral("-w"),
                QStringLiteral("start")},
               &output)) {
        *error = QStringLiteral("the server did not start: ") + output;
        return false;
    }
    m_started = true;
    return execute({QStringLiteral("CREATE DATABASE korvane")}, error, QStringLiteral("postgres"));
}

ServerCluster::~ServerCluster() {
    if (m_started) {
        QString output;
        runAs(m_runAs, m_bin + QStringLiteral("/pg_ctl"),
              {QStringLiteral("-D"), m_dir.filePath(QStringLiteral("data")), QStringLiteral("-m"),
               QStringLiteral("immediate"), QStringLiteral("-w"), QStringLiteral("stop")},
              &output);
    }
}

QString ServerCluster::url(const QString& user, const QString& database) const {
    return QStringLiteral("postgresql:///%1?host=%2&user=%3")
        .arg(QString::fromLatin1(QUrl::toPercentEncoding(database)),
             QString::fromLatin1(QUrl::toPercentEncoding(m_dir.path())),
             QString::fromLatin1(
                 QUrl::toPercentEncoding(user.isEmpty() ? QStringLiteral("korvane") : user)));
}

bool ServerCluster::execute(const QStringList& statements, QString* error,
                            const QString& database) const {
    bool done = false;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("cluster-admin"));
        db.setHostName(m_dir.path());
        db.setUserName(QStringLiteral("korvane"));
        db.setDatabaseName(database);
        if (db.open()) {
            QSqlQuery query(db);
            query.exec(QStringLiteral("SET client_min_messages = warning"));
            done = true;
            for (const QString& statement : statements) {
                if (statement.trimmed().isEmpty())
                    continue;
                if (!query.exec(statement)) {
                    if (error)
                        *error = query.lastError().text();
                    done = false;
                    break;
                }
            }
        } else if (error) {
            *error = db.lastError().text();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("cluster-admin"));
    return done;
}

} // namespace korvane::test
