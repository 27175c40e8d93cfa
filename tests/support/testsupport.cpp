#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include "store/datafiles.h"
#include "store/dialect.h"
#include "store/schema.h"
#include "store/server.h"
#include "store/sqltext.h"
#include "support/servercluster.h"

namespace korvane::test {

bool onServerStore() {
    static const bool server = qgetenv("KORVANE_TEST_STORE") == "server";
    return server;
}

namespace {

// The location of a new ward of the shared cluster, made as the program
// makes one: from a database file (the template). The test fails when it
// cannot be made.
QString newWard(const QString& source) {
    static int made = 0;
    QString why;
    ServerCluster* cluster = ServerCluster::shared(&why);
    if (!cluster) {
        ADD_FAILURE() << why.toStdString();
        return {};
    }
    const QString ward = server::location(cluster->url(), QStringLiteral("测试 %1").arg(++made));
    const files::CommandResult filled = server::fillWard(ward, source, false);
    if (!filled.ok)
        ADD_FAILURE() << filled.message.toStdString();
    return ward;
}

} // namespace

TempDatabase::TempDatabase() {
    QString error;
    if (onServerStore()) {
        path = newWard(files::templatePath());
        connection = Connection::open(path, &error);
        if (!connection)
            ADD_FAILURE() << "cannot open " << path.toStdString() << ": " << error.toStdString();
        return;
    }
    path = QDir(dir.path()).filePath(files::workingFileName);
    connection = Connection::create(path, &error);
    if (!connection)
        ADD_FAILURE() << "cannot create " << path.toStdString() << ": " << error.toStdString();
}

QSqlDatabase& TempDatabase::db() {
    if (!connection) {
        QString error;
        connection = Connection::open(path, &error);
        if (!connection)
            ADD_FAILURE() << "cannot open " << path.toStdString() << ": " << error.toStdString();
    }
    return connection->db();
}

void TempDatabase::run(const QString& script) {
    static const QRegularExpression insertInto(
        QStringLiteral(R"(^\s*insert\s+into\s+"?([^\s("]+))"),
        QRegularExpression::CaseInsensitiveOption);
    QStringList written;
    for (const QString& statement : script.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (statement.trimmed().isEmpty())
            continue;
        if (const QRegularExpressionMatch match = insertInto.match(statement); match.hasMatch())
            written << match.captured(1);
        QSqlQuery query(db());
        if (!execTestSql(query, statement))
            ADD_FAILURE() << statement.toStdString() << ": "
                          << query.lastError().text().toStdString();
    }
    // Rows the tests number themselves: a ward's autonumbers go on after them, as a file's do.
    QString error;
    if (!written.isEmpty() && !schema::resetAutonumbers(db(), &error, written))
        ADD_FAILURE() << error.toStdString();
}

QVariant TempDatabase::scalar(const QString& sql) {
    QSqlQuery query(db());
    if (!execTestSql(query, sql)) {
        ADD_FAILURE() << sql.toStdString() << ": " << query.lastError().text().toStdString();
        return {};
    }
    return query.next() ? query.value(0) : QVariant();
}

QStringList TempDatabase::rows(const QString& sql) {
    return rowsOf(db(), sql);
}

QStringList rowsOf(QSqlDatabase& db, const QString& sql) {
    QStringList result;
    QSqlQuery query(db);
    if (!execTestSql(query, sql)) {
        ADD_FAILURE() << sql.toStdString() << ": " << query.lastError().text().toStdString();
        return result;
    }
    while (query.next()) {
        QStringList values;
        for (int i = 0; i < query.record().count(); ++i)
            values << (query.isNull(i) ? QString() : query.value(i).toString());
        result << values.join(QLatin1Char('|'));
    }
    return result;
}

bool execTestSql(QSqlQuery& query, const QString& sql) {
    if (!onServer(query))
        return query.exec(sql);
    QString error;
    if (dialect::exec(query, sql, &error))
        return true;
    // A statement the dialect refuses has no error of the driver's to show.
    if (!query.lastError().isValid())
        ADD_FAILURE() << sql.toStdString() << ": " << error.toStdString();
    return false;
}

void TempDatabase::loadSample() {
    connection.reset();
    QString error;
    if (onServerStore()) {
        const files::CommandResult filled = server::fillWard(path, files::samplePath(), true);
        if (!filled.ok)
            ADD_FAILURE() << filled.message.toStdString();
        connection = Connection::open(path, &error);
        if (!connection)
            ADD_FAILURE() << error.toStdString();
        return;
    }
    FileCheck problem;
    if (!files::copyDatabase(files::samplePath(), path, &problem))
        ADD_FAILURE() << problem.reason.toStdString();
    connection = Connection::open(path, &error);
    if (!connection)
        ADD_FAILURE() << error.toStdString();
}

QString outputDirectory() {
    return QStringLiteral(KORVANE_OUTPUT_DIR);
}

ProcessResult runProgram(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.closeWriteChannel();
    ProcessResult result;
    if (!process.waitForFinished(120000)) {
        ADD_FAILURE() << program.toStdString()
                      << " did not finish: " << process.errorString().toStdString();
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

QString cliProgram() {
    return QDir(outputDirectory()).filePath(QStringLiteral("korvane-cli"));
}

QStringList databaseArguments(const QString& path) {
    if (server::isLocation(path))
        return {QStringLiteral("--server"), server::urlOf(path), QStringLiteral("--ward"),
                server::wardOf(path)};
    return {QStringLiteral("--db"), path};
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        ADD_FAILURE() << "cannot write " << path.toStdString();
}

QStringList valuesIn(const QString& path, const QString& sql) {
    QString error;
    auto connection = Connection::open(path, &error, Connection::Access::ReadOnly);
    if (!connection)
        return {QStringLiteral("<cannot open: %1>").arg(error)};
    QSqlQuery query(connection->db());
    QStringList values;
    if (!execTestSql(query, sql))
        ADD_FAILURE() << sql.toStdString() << ": " << query.lastError().text().toStdString();
    while (query.next())
        values << query.value(0).toString();
    return values;
}

} // namespace korvane::test
