#include "engine/rostertable.h"

#include "store/dialect.h"
#include "store/messages.h"
#include "store/schema.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

namespace korvane::engine {

namespace {

const QString kColumnGap = QStringLiteral("  ");

bool isWide(char32_t c) {
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) ||
           (c >= 0x3041 && c <= 0x33FF) || (c >= 0x3400 && c <= 0x4DBF) ||
           (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

// A control character in a name (a NUL, a tab, a line break) would cut or
// break the printed line: the table shows its visible symbol (␀, ␉, ␊...).
QString visible(const QString& text) {
    QString shown = text;
    for (QChar& c : shown) {
        if (c.unicode() < 0x20)
            c = QChar(0x2400 + c.unicode());
        else if (c.unicode() == 0x7F)
            c = QChar(0x2421);
    }
    return shown;
}

QString padded(const QString& text, int width) {
    return text + QString(qMax(0, width - displayWidth(text)), QLatin1Char(' '));
}

QByteArray csvField(const QString& text) {
    QByteArray field = withVisibleNul(text).toUtf8();
    // A spreadsheet takes a cell beginning with = + - @ as a formula; the
    // apostrophe in front makes it show the text as it is.
    const bool formulaLike = !field.isEmpty() && QByteArray("=+-@\t\r").contains(field.at(0));
    if (formulaLike)
        field.prepend('\'');
    if (formulaLike || field.contains(',') || field.contains('"') || field.contains('\n') ||
        field.contains('\r')) {
        field.replace("\"", "\"\"");
        field = '"' + field + '"';
    }
    return field;
}

QByteArray csvLine(const QStringList& values) {
    QByteArray line;
    for (int i = 0; i < values.size(); ++i) {
        if (i > 0)
            line += ',';
        line += csvField(values.at(i));
    }
    return line + "\r\n";
}

} // namespace

QString withVisibleNul(const QString& text) {
    QString shown = text;
    return shown.replace(QChar(0), QChar(0x2400));
}

bool loadRosterTable(QSqlDatabase& db, const QString& query, RosterTable* table, QString* error) {
    QSqlQuery rows(db);
    rows.setForwardOnly(true);
    if (!dialect::exec(rows, query, error))
        return false;
    const QSqlRecord record = rows.record();
    table->columns.clear();
    table->rows.clear();
    for (int i = 0; i < record.count(); ++i)
        table->columns << schema::columnSpelling(QStringLiteral("值班报表"), record.fieldName(i));
    while (rows.next()) {
        QStringList values;
        for (int i = 0; i < record.count(); ++i)
            values << rows.value(i).toString();
        table->rows << values;
    }
    return true;
}

int displayWidth(const QString& text) {
    int width = 0;
    for (char32_t c : text.toUcs4())
        width += isWide(c) ? 2 : 1;
    return width;
}

QStringList alignedLines(const QList<QStringList>& source, int headerLines) {
    QList<QStringList> cells = source;
    for (QStringList& line : cells)
        for (QString& cell : line)
            cell = visible(cell);
    QList<int> widths;
    for (const QStringList& line : cells) {
        for (int i = 0; i < line.size(); ++i) {
            if (i == widths.size())
                widths << 0;
            widths[i] = qMax(widths[i], displayWidth(line.at(i)));
        }
    }

    const auto join = [&](const QStringList& values) {
        QStringList cellsOfLine;
        for (int i = 0; i < values.size(); ++i)
            cellsOfLine << (i + 1 < values.size() ? padded(values.at(i), widths.value(i))
                                                  : values.at(i));
        return cellsOfLine.join(kColumnGap);
    };
    QStringList lines;
    for (int i = 0; i < cells.size(); ++i) {
        lines << join(cells.at(i));
        if (i + 1 == headerLines) {
            QStringList rules;
            for (int width : widths)
                rules << QString(width, QLatin1Char('-'));
            lines << rules.join(kColumnGap);
        }
    }
    return lines;
}

QStringList formatRosterTable(const RosterTable& table) {
    QStringList lines = alignedLines(QList<QStringList>{table.columns} + table.rows, 1);
    lines << msg::recordCount + QString::number(table.rows.size());
    return lines;
}

QByteArray rosterCsv(const RosterTable& table) {
    QByteArray csv("\xEF\xBB\xBF");
    csv += csvLine(table.columns);
    for (const QStringList& row : table.rows)
        csv += csvLine(row);
    return csv;
}

} // namespace korvane::engine
