// Writes the delivered databases at build time: the empty template from the
// store's schema code, and the sample as the template plus data/sample.sql.

#include "store/connection.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>

#include <cstdio>

using korvane::Connection;

namespace {

int fail(const QString& message) {
    std::fprintf(stderr, "korvane-mkdb: %s\n", qPrintable(message));
    return 1;
}

// Splits a script into statements at semicolons outside quotes.
QStringList statements(const QString& script) {
    QStringList result;
    QString current;
    bool inQuote = false;
    bool inComment = false;
    for (qsizetype i = 0; i < script.size(); ++i) {
        const QChar c = script[i];
        if (inComment) {
            if (c == QLatin1Char('\n'))
                inComment = false;
            continue;
        }
        if (!inQuote && c == QLatin1Char('-') && i + 1 < script.size() &&
            script[i + 1] == QLatin1Char('-')) {
            inComment = true;
            continue;
        }
        if (c == QLatin1Char('\''))
            inQuote = !inQuote;
        if (c == QLatin1Char(';') && !inQuote) {
            if (!current.trimmed().isEmpty())
                result << current.trimmed();
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.trimmed().isEmpty())
        result << current.trimmed();
    return result;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const bool isTemplate = args.size() == 2 && args[0] == QLatin1String("template");
    const bool isSample = args.size() == 3 && args[0] == QLatin1String("sample");
    if (!isTemplate && !isSample)
        return fail(QStringLiteral("usage: korvane-mkdb template OUT | sample SCRIPT OUT"));
    const QString out = args.last();
    QFile::remove(out);
    QString error;
    auto connection = Connection::create(out, &error);
    if (!connection)
        return fail(out + QStringLiteral(": ") + error);
    if (isSample) {
        QFile file(args[1]);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            return fail(args[1] + QStringLiteral(": ") + file.errorString());
        const QString script = QString::fromUtf8(file.readAll());
        QSqlDatabase& db = connection->db();
        db.transaction();
        for (const QString& statement : statements(script)) {
            QSqlQuery query(db);
            if (!query.exec(statement)) {
                const QString reason = query.lastError().text();
                db.rollback();
                connection.reset();
                QFile::remove(out);
                return fail(QStringLiteral("%1: %2\n  in: %3").arg(args[1], reason, statement));
            }
        }
        db.commit();
    }
    QSqlQuery(connection->db()).exec(QStringLiteral("VACUUM"));
    return 0;
}
