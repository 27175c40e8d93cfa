#include "cli/cli.h"
#include "engine/report/rosterreport.h"
#include "engine/roster.h"
#include "engine/rostertable.h"
#include "monthsheet/report/sheetreport.h"
#include "monthsheet/sheettext.h"
#include "monthsheet/workbook.h"
#include "rosters/savedroster.h"
#include "rosters/warnings.h"
#include "store/connection.h"
#include "store/datafiles.h"
#include "store/messages.h"

#include <QDate>
#include <QDir>

namespace korvane::cli {

namespace {

const QString kStandardOutput = QStringLiteral("-");

// The month sheet printed (or written as CSV, "-" for standard output) and
// its PDF, when month; the workbook at xlsxPath when given. Without a
// roster: the reason, and nothing written.
int monthSheet(const monthsheet::MonthSheet& sheet, const engine::RosterTable& roster, bool month,
               const QString& csvPath, const QString& pdfPath, monthsheet::report::Paper paper,
               const QString& xlsxPath) {
    QString error;
    if (!sheet.hasDuties()) {
        err(msg::noRoster);
        return NothingToPlan;
    }
    const monthsheet::SheetTotals totals = monthsheet::sheetTotals(sheet);
    // The month sheet goes to standard output only when no file is asked for.
    const bool writesFiles = (!csvPath.isEmpty() && csvPath != kStandardOutput) ||
                             !pdfPath.isEmpty() || !xlsxPath.isEmpty();
    if (!month) {
        for (const QString& line : engine::formatRosterTable(roster))
            out(line);
    } else if (csvPath == kStandardOutput) {
        const QByteArray bytes = monthsheet::sheetCsv(sheet, totals);
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    } else if (!writesFiles) {
        for (const QString& line : monthsheet::formatSheet(sheet, totals))
            out(line);
    }
    const bool written =
        (!month || csvPath.isEmpty() || csvPath == kStandardOutput ||
         files::writeFileAtomically(csvPath, monthsheet::sheetCsv(sheet, totals), &error)) &&
        (!month || pdfPath.isEmpty() ||
         monthsheet::report::writeSheetPdf(sheet, totals, paper, QDate::currentDate(), pdfPath,
                                           &error)) &&
        (xlsxPath.isEmpty() || monthsheet::writeWorkbook(xlsxPath, sheet, totals, roster, &error));
    if (!written) {
        err(error);
        return RunFailed;
    }
    return Done;
}

// What korvane-cli roster was asked for.
struct RosterOptions {
    engine::RosterFilter filter;
    QString csvPath;
    QString pdfPath;
    QString xlsxPath;
    QString savedName;
    bool saved = false;
    bool csv = false;
    bool pdf = false;
    bool xlsx = false;
    bool month = false;
    bool warnings = false;
    bool csvToOutput = false;
    monthsheet::report::Paper paper = monthsheet::report::Paper::A4;
};

// The options of roster, checked; Done, or Refused after saying why.
int readRosterOptions(QStringList args, RosterOptions* o) {
    QString paperName = QStringLiteral("A4");
    bool paperGiven = false;
    o->month = args.removeAll(QStringLiteral("--month")) > 0;
    o->warnings = args.removeAll(QStringLiteral("--warnings")) > 0;
    if (!takeOption(args, QStringLiteral("--saved"), &o->savedName, &o->saved) ||
        !takeOption(args, QStringLiteral("--person"), &o->filter.person, &o->filter.byPerson) ||
        !takeOption(args, QStringLiteral("--shift"), &o->filter.shift, &o->filter.byShift) ||
        !takeOption(args, QStringLiteral("--csv"), &o->csvPath, &o->csv) ||
        !takeOption(args, QStringLiteral("--pdf"), &o->pdfPath, &o->pdf) ||
        !takeOption(args, QStringLiteral("--paper"), &paperName, &paperGiven) ||
        !takeOption(args, QStringLiteral("--xlsx"), &o->xlsxPath, &o->xlsx)) {
        err(QStringLiteral("roster: an option lacks its value"));
        return Refused;
    }
    if (!args.isEmpty()) {
        err(QStringLiteral("roster: unknown option %1").arg(args.first()));
        return Refused;
    }
    // The sheet and the workbook always hold the whole roster.
    if ((o->month || o->xlsx) && (o->filter.byPerson || o->filter.byShift)) {
        err(QStringLiteral("roster: --month and --xlsx show the whole roster, without --person "
                           "or --shift"));
        return Refused;
    }
    const QStringList papers = {QStringLiteral("A4"), QStringLiteral("A3")};
    if (paperGiven && (!o->month || !o->pdf || !papers.contains(paperName.toUpper()))) {
        err(QStringLiteral("roster: --paper A4 or A3 goes with --month --pdf"));
        return Refused;
    }
    if (paperName.toUpper() == papers.at(1))
        o->paper = monthsheet::report::Paper::A3;
    for (const QString& text : {o->filter.person, o->filter.shift}) {
        const QString problem = engine::queryTextProblem(text);
        if (!problem.isEmpty()) {
            err(problem);
            return Refused;
        }
    }
    o->csvToOutput = o->csv && o->csvPath == kStandardOutput;
    for (const QString& output :
         {o->csv && !o->csvToOutput ? o->csvPath : QString(), o->pdfPath, o->xlsxPath}) {
        if (output.isEmpty())
            continue;
        const QString problem = files::outputFileProblem(output);
        if (!problem.isEmpty()) {
            err(problem);
            return Refused;
        }
    }
    return Done;
}

// What the roster on the sheet breaks, judged against the set-up: a count
// and a line per warning, on standard error when standard output holds CSV.
int printWarnings(QSqlDatabase& db, const monthsheet::MonthSheet& sheet, bool toError) {
    rosters::RosterChecker checker;
    QString error;
    if (!checker.loadFor(db, sheet.dates.value(0), &error)) {
        err(error);
        return RunFailed;
    }
    const QList<rosters::Warning> found = checker.check(sheet);
    const auto print = toError ? err : out;
    print(msg::warningCount.arg(found.size()));
    for (const rosters::Warning& warning : found)
        print(rosters::warningLine(sheet, warning));
    return Done;
}

} // namespace

int readSavedRoster(QSqlDatabase& db, const QString& name, rosters::SavedRoster* roster) {
    QString error;
    const qint64 number = rosters::findRoster(db, name, &error);
    if (number <= 0) {
        err(number == 0 ? msg::noSavedRoster.arg(name) : error);
        return number == 0 ? Refused : RunFailed;
    }
    if (!rosters::loadSavedRoster(db, number, roster, &error)) {
        err(error);
        return RunFailed;
    }
    return Done;
}

// roster [--saved NAME] [--person TEXT] [--shift TEXT] [--month] [--csv FILE|-] [--pdf FILE]
// [--paper A4|A3] [--xlsx FILE] [--warnings]: the roster left by the last run (or the saved
// roster of that name), narrowed like
// the page's queries, or with --month the month sheet (a row per person, a
// column per date). --xlsx writes the workbook of the whole roster. An output
// file is written whole or not at all, and never over a database.
int roster(Context& context) {
    RosterOptions o;
    if (const int read = readRosterOptions(context.args, &o); read != Done)
        return read;

    int code = Done;
    auto connection = openDatabase(context, Connection::Access::ReadOnly, &code);
    if (!connection)
        return code;
    QSqlDatabase& db = connection->db();
    const QString query = engine::rosterQuery(o.filter);
    QString error;
    // A saved roster is read as the last run's is, from a 值班报表 of its own.
    rosters::SavedRoster savedRoster;
    std::unique_ptr<rosters::RosterTables> savedTables;
    if (o.saved) {
        if (const int read = readSavedRoster(db, o.savedName, &savedRoster); read != Done)
            return read;
        savedTables = std::make_unique<rosters::RosterTables>(savedRoster);
        if (!savedTables->ok()) {
            err(savedTables->error());
            return RunFailed;
        }
        const QString gone = rosters::goneText(savedRoster);
        if (!gone.isEmpty())
            err(gone);
    }
    QSqlDatabase rosterDb = o.saved ? savedTables->db() : db;
    engine::RosterTable table;
    if (!engine::loadRosterTable(rosterDb, query, &table, &error)) {
        err(error);
        return RunFailed;
    }
    monthsheet::MonthSheet sheet = savedRoster.sheet;
    if ((o.month || o.xlsx || o.warnings) && !o.saved &&
        !monthsheet::loadMonthSheet(db, &sheet, &error)) {
        err(error);
        return RunFailed;
    }
    // What the roster breaks, after whatever else is printed.
    const auto warnings = [&] {
        return o.warnings ? printWarnings(db, sheet, o.csvToOutput) : int(Done);
    };
    if (o.month || o.xlsx) {
        const int shown =
            monthSheet(sheet, table, o.month, o.csv ? o.csvPath : QString(),
                       o.pdf ? o.pdfPath : QString(), o.paper, o.xlsx ? o.xlsxPath : QString());
        return shown == Done ? warnings() : shown;
    }
    if (o.csvToOutput) {
        const QByteArray bytes = engine::rosterCsv(table);
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    } else {
        for (const QString& line : engine::formatRosterTable(table))
            out(line);
    }
    if (o.csv && !o.csvToOutput &&
        !files::writeFileAtomically(o.csvPath, engine::rosterCsv(table), &error)) {
        err(error);
        return RunFailed;
    }
    if (o.pdf) {
        // A report of no rows would be a page of captions only.
        if (table.rows.isEmpty()) {
            err(msg::noRoster);
            return NothingToPlan;
        }
        const double factor =
            o.saved ? rosters::rowHeightFactor(savedRoster) : engine::rowHeightFactor(db, &error);
        if (!error.isEmpty() ||
            !report::writeRosterPdf(rosterDb, query, factor,
                                    report::askedText(o.filter.person, o.filter.shift), o.pdfPath,
                                    &error)) {
            err(error);
            return RunFailed;
        }
    }
    return warnings();
}

// rosters: the saved rosters, the latest period first.
int listSavedRosters(Context& context) {
    if (!context.args.isEmpty()) {
        err(QStringLiteral("rosters: unknown option %1").arg(context.args.first()));
        return Refused;
    }
    int code = Done;
    auto connection = openDatabase(context, Connection::Access::ReadOnly, &code);
    if (!connection)
        return code;
    QList<rosters::RosterSummary> list;
    QString error;
    if (!rosters::listRosters(connection->db(), &list, &error)) {
        err(error);
        return RunFailed;
    }
    QList<QStringList> lines = {rosters::summaryColumns()};
    for (const rosters::RosterSummary& summary : list)
        lines << rosters::summaryTexts(summary);
    for (const QString& line : engine::alignedLines(lines, 1))
        out(line);
    out(msg::recordCount + QString::number(list.size()));
    return Done;
}

} // namespace korvane::cli
