#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include "store/datafiles.h"

namespace korvane::test {

TempDatabase::TempDatabase() {
    path = QDir(dir.path()).filePath(files::workingFileName);
    QString error;
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
    for (const QString& statement : script.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (statement.trimmed().isEmpty())
            continue;
        QSqlQuery query(db());
        if (!query.exec(statement))
            ADD_FAILURE() << statement.toStdString() << ": "
                          << query.lastError().text().toStdString();
    }
}

QVariant TempDatabase::scalar(const QString& sql) {
    QSqlQuery query(db());
    if (!query.exec(sql)) {
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
    if (!query.exec(sql)) {
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

void TempDatabase::loadSample() {
    connection.reset();
    FileCheck problem;
    if (!files::copyDatabase(files::samplePath(), path, &problem))
        ADD_FAILURE() << problem.reason.toStdString();
    QString error;
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
    if (!query.exec(sql))
        ADD_FAILURE() << sql.toStdString() << ": " << query.lastError().text().toStdString();
    while (query.next())
        values << query.value(0).toString();
    return values;
}

} // namespace korvane::test
