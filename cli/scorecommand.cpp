#include "cli/cli.h"
#include "monthsheet/monthsheet.h"
#include "rosters/savedroster.h"
#include "score/rosterscore.h"
#include "score/scoretext.h"
#include "store/messages.h"

namespace korvane::cli {

// score [--saved NAME]: the score of the last run's roster (or of the saved
// roster NAME) against the objectives and set-up of the file: each term's
// cost and share, each person's line, and the hard rules it breaks.
int score(Context& context) {
    QStringList args = context.args;
    QString savedName;
    bool saved = false;
    if (!takeOption(args, QStringLiteral("--saved"), &savedName, &saved)) {
        err(QStringLiteral("score: --saved needs the name of a saved roster"));
        return Refused;
    }
    if (!args.isEmpty()) {
        err(QStringLiteral("score: unknown option %1").arg(args.first()));
        return Refused;
    }
    int code = Done;
    auto connection = openDatabase(context, Connection::Access::ReadOnly, &code);
    if (!connection)
        return code;
    QSqlDatabase& db = connection->db();
    QString error;
    monthsheet::MonthSheet sheet;
    if (saved) {
        rosters::SavedRoster roster;
        if (const int read = readSavedRoster(db, savedName, &roster); read != Done)
            return read;
        sheet = roster.sheet;
    } else if (!monthsheet::loadMonthSheet(db, &sheet, &error)) {
        err(error);
        return RunFailed;
    }
    if (!sheet.hasDuties()) {
        err(msg::noRoster);
        return NothingToPlan;
    }
    score::RosterScore result;
    if (!score::scoreRoster(db, std::move(sheet), &result, &error)) {
        err(error);
        return RunFailed;
    }
    for (const QString& line : score::formatScore(result))
        out(line);
    return Done;
}

} // namespace korvane::cli
