#include "cli/cli.h"
#include "score/scoretext.h"
#include "search/improve.h"
#include "search/messages.h"

#include <cmath>

namespace korvane::cli {

namespace {

constexpr double kDefaultSeconds = 10;

} // namespace

// improve [--seconds N | --steps N] [--seed S] [--saved NAME]: the search
// from the last run's roster (or the saved roster NAME, its locks held);
// the score before and after per term, and the best roster kept as a saved
// roster. It holds the run's lock: a run or another search of the file
// waits for none of it and is refused.
int improve(Context& context) {
    QStringList args = context.args;
    QString seconds, steps, seed, saved;
    bool hasSeconds = false, hasSteps = false, hasSeed = false, hasSaved = false;
    if (!takeOption(args, QStringLiteral("--seconds"), &seconds, &hasSeconds) ||
        !takeOption(args, QStringLiteral("--steps"), &steps, &hasSteps) ||
        !takeOption(args, QStringLiteral("--seed"), &seed, &hasSeed) ||
        !takeOption(args, QStringLiteral("--saved"), &saved, &hasSaved)) {
        err(QStringLiteral("improve: an option lacks its value"));
        return Refused;
    }
    if (!args.isEmpty()) {
        err(QStringLiteral("improve: unknown option %1").arg(args.first()));
        return Refused;
    }
    if (hasSeconds && hasSteps) {
        err(QStringLiteral("improve: --seconds or --steps, not both"));
        return Refused;
    }
    search::Request request;
    request.saved = saved;
    request.options.seconds = kDefaultSeconds;
    qint64 value = 0;
    for (const auto& [given, text] :
         {std::pair{hasSeconds, seconds}, std::pair{hasSteps, steps}, std::pair{hasSeed, seed}}) {
        if (given && !search::parseBudget(text, &value)) {
            err(searchmsg::badBudget.arg(text));
            return Refused;
        }
    }
    if (hasSeconds)
        search::parseBudget(seconds, &value), request.options.seconds = double(value);
    if (hasSteps)
        search::parseBudget(steps, &value), request.options.steps = value;
    if (hasSeed)
        search::parseBudget(seed, &value), request.options.seed = quint64(value);

    int shown = -1;
    search::Observer observer;
    observer.progress = [&](const search::Progress& progress) {
        const int percent = int(std::floor(progress.fraction * 100));
        if (percent / 10 != shown / 10) {
            shown = percent;
            err(QStringLiteral("进度：%1%，").arg(percent) +
                searchmsg::progress.arg(score::numberText(progress.best)));
        }
    };
    const search::Result result = search::improveRoster(context.database, request, observer);
    switch (result.outcome) {
    case search::Outcome::Refused:
        err(result.detail);
        return Refused;
    case search::Outcome::Unavailable:
        err(result.detail);
        return Unavailable;
    case search::Outcome::NoRoster:
        err(result.detail);
        return NothingToPlan;
    case search::Outcome::Failed:
        err(result.detail);
        return RunFailed;
    default:
        break;
    }
    const search::Improvement& found = result.improvement;
    for (const QString& line : search::comparisonLines(found))
        out(line);
    err(searchmsg::steps.arg(found.steps).arg(found.seconds, 0, 'f', 1));
    for (const QString& line : found.shortSlots)
        out(line);
    out(result.detail);
    if (result.outcome == search::Outcome::Short) {
        err(searchmsg::stillShort.arg(found.shortCount));
        return PlanImpossible;
    }
    return Done;
}

} // namespace korvane::cli
