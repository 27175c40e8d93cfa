#include "cli/cli.h"
#include "engine/rostertable.h"
#include "overview/overview.h"
#include "store/server.h"

#include <QElapsedTimer>

namespace korvane::cli {

// overview --month yyyy-MM (with --server): every ward's latest saved roster
// of the month, a line per ward, day and shift, with the people missing; then
// each ward's roster shown, or why none; then the people (by 工号) whose
// shifts in two wards overlap or break their rest.
int overview(Context& context) {
    QString monthText;
    bool given = false;
    if (!takeOption(context.args, QStringLiteral("--month"), &monthText, &given) || !given ||
        !context.args.isEmpty()) {
        err(QStringLiteral("usage: korvane-cli --server URL overview --month yyyy-MM"));
        return Refused;
    }
    const QDate month = overview::parseMonth(monthText);
    if (!month.isValid()) {
        err(QStringLiteral("“%1”不是月份，应形如 2027-03。").arg(monthText));
        return Refused;
    }
    overview::Overview view;
    QString error;
    if (!overview::read(server::urlOf(context.database), month, &view, &error)) {
        err(error);
        return Unavailable;
    }
    engine::RosterTable table{overview::columns(), overview::rows(view)};
    for (const QString& line : engine::formatRosterTable(table))
        out(line);
    for (const overview::WardNote& note : view.wards)
        out(note.ward + QStringLiteral("：") + note.text);
    out(QString());
    if (view.flags.isEmpty()) {
        out(QStringLiteral("跨病区冲突：无"));
        return Done;
    }
    out(QStringLiteral("跨病区冲突："));
    engine::RosterTable flags{overview::flagColumns(), overview::flagRows(view)};
    for (const QString& line : engine::formatRosterTable(flags))
        out(line);
    return Done;
}

} // namespace korvane::cli
