#include "targets/wishcsv.h"

#include "targets/messages.h"

#include <QDate>
#include <QFile>
#include <QRegularExpression>
#include <QStringConverter>
#include <QStringDecoder>

namespace korvane::targets {

namespace {

// The weight and the reason may be left empty.
constexpr int kLeastColumns = 5;
constexpr int kMostColumns = 7;
// More problems than these are not listed one by one.
constexpr int kProblemsShown = 20;

const QString kWanted = QStringLiteral("想");
const QString kNotWanted = QStringLiteral("不想");

// 2027-01-05, 2027/1/5, 2027.1.5 or 2027年1月5日, as a spreadsheet writes a date.
std::optional<QDate> dateOf(const QString& text) {
    static const QRegularExpression form(QStringLiteral(
        "^\\s*(\\d{4})\\s*[-/.年]\\s*(\\d{1,2})\\s*[-/.月]\\s*(\\d{1,2})\\s*日?\\s*$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QDate date(match.captured(1).toInt(), match.captured(2).toInt(),
                     match.captured(3).toInt());
    return date.isValid() ? std::optional(date) : std::nullopt;
}

bool decodes(QStringDecoder decoder, const QByteArray& bytes, QString* text) {
    if (!decoder.isValid())
        return false;
    *text = decoder.decode(bytes);
    return !decoder.hasError();
}

} // namespace

bool decodeText(const QByteArray& bytes, QString* text) {
    // The decoder skips the byte-order mark.
    if (const auto marked = QStringConverter::encodingForData(bytes))
        return decodes(QStringDecoder(*marked), bytes, text);
    return decodes(QStringDecoder(QStringDecoder::Utf8), bytes, text) ||
           decodes(QStringDecoder("GB18030"), bytes, text);
}

bool splitCsv(const QString& text, QList<QStringList>* records, QString* problem) {
    records->clear();
    QStringList record;
    QString field;
    bool quoted = false;    // inside a quoted field
    bool wasQuoted = false; // the field began with a quote
    const auto endField = [&] {
        record << (wasQuoted ? field : field.trimmed());
        field.clear();
        wasQuoted = false;
    };
    const auto endRecord = [&] {
        endField();
        records->append(record);
        record.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c != QLatin1Char('"'))
                field += c;
            else if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"'))
                field += text.at(++i);
            else
                quoted = false;
        } else if (c == QLatin1Char('"') && field.trimmed().isEmpty()) {
            field.clear();
            quoted = wasQuoted = true;
        } else if (c == QLatin1Char(',')) {
            endField();
        } else if (c == QLatin1Char('\n')) {
            endRecord();
        } else if (c != QLatin1Char('\r')) {
            field += c;
        }
    }
    if (quoted) {
        *problem = targetmsg::unclosedQuote;
        return false;
    }
    if (!field.isEmpty() || !record.isEmpty())
        endRecord();
    return true;
}

ImportOutcome importWishes(TargetsEditor& editor, Prompt& prompt, const QString& path) {
    const auto refuse = [&](const QStringList& problems) {
        QStringList lines{targetmsg::wishesNotImported};
        lines << problems.mid(0, kProblemsShown);
        if (problems.size() > kProblemsShown)
            lines << QStringLiteral("……");
        prompt.information(lines.join(QLatin1Char('\n')));
        return ImportOutcome::Refused;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse({targetmsg::fileNotRead.arg(path, file.errorString())});
    QString text;
    if (!decodeText(file.readAll(), &text))
        return refuse({targetmsg::notText});
    QList<QStringList> records;
    QString problem;
    if (!splitCsv(text, &records, &problem))
        return refuse({problem});

    const auto people = editor.people();
    const auto shifts = editor.shiftChoices();
    if (!people || !shifts)
        return ImportOutcome::Failed;
    QHash<QString, QList<qint64>> peopleNamed;
    for (const Choice& person : *people)
        peopleNamed[person.name].append(person.idid);

    QList<WishEntry> entries;
    QStringList problems;
    for (qsizetype at = 0; at < records.size(); ++at) {
        QStringList fields = records.at(at);
        // A spreadsheet pads every row to its widest: empty cells at the end do not count.
        while (!fields.isEmpty() && fields.last().isEmpty())
            fields.removeLast();
        if (fields.isEmpty())
            continue;
        if (at == 0 && (fields.size() < 2 || !dateOf(fields.at(1))))
            continue; // the header
        const QString row = targetmsg::csvRow.arg(at + 1);
        const auto wrong = [&](const QString& what) {
            problems << targetmsg::refused.arg(row, what);
        };
        if (const auto formula = std::find_if(
                fields.begin(), fields.end(),
                [](const QString& field) { return field.startsWith(QLatin1Char('=')); });
            formula != fields.end()) {
            wrong(targetmsg::formulaCell.arg(*formula));
            continue;
        }
        if (fields.size() < kLeastColumns || fields.size() > kMostColumns) {
            wrong(targetmsg::missingColumns.arg(fields.size()));
            continue;
        }
        WishEntry entry;
        const QList<qint64> named = peopleNamed.value(fields.at(0));
        if (named.size() != 1) {
            wrong((named.isEmpty() ? targetmsg::unknownPerson : targetmsg::ambiguousPerson)
                      .arg(fields.at(0)));
            continue;
        }
        entry.person = named.first();
        const std::optional<QDate> first = dateOf(fields.at(1));
        const std::optional<QDate> last = dateOf(fields.at(2));
        if (!first || !last) {
            wrong(targetmsg::notADate.arg(first ? fields.at(2) : fields.at(1)));
            continue;
        }
        entry.first = *first;
        entry.last = *last;
        entry.shift = fields.at(3).isEmpty() ? anyShift : fields.at(3);
        if (entry.shift != anyShift) {
            // A shift's name first, then a shift group's.
            if (shifts->contains(ShiftChoice{entry.shift, false})) {
                entry.shiftGroup = false;
            } else if (shifts->contains(ShiftChoice{entry.shift, true})) {
                entry.shiftGroup = true;
            } else {
                wrong(targetmsg::noSuchShiftOrGroup.arg(entry.shift));
                continue;
            }
        }
        if (fields.at(4) != kWanted && fields.at(4) != kNotWanted) {
            wrong(targetmsg::wantedInvalid.arg(fields.at(4)));
            continue;
        }
        entry.wanted = fields.at(4) == kWanted;
        entry.weight = fields.at(5);
        entry.reason = fields.value(6);
        double weight = 0;
        const std::optional<QString> left = editor.wishProblem(entry, &weight);
        if (!left)
            return ImportOutcome::Failed;
        if (!left->isEmpty()) {
            wrong(*left);
            continue;
        }
        entries << entry;
    }
    if (!problems.isEmpty())
        return refuse(problems);
    if (entries.isEmpty())
        return refuse({targetmsg::emptyFile});
    if (!editor.addWishes(entries))
        return ImportOutcome::Failed;
    prompt.information(targetmsg::wishesImported.arg(entries.size()));
    return ImportOutcome::Imported;
}

} // namespace korvane::targets
