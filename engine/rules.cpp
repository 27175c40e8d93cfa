#include "engine/rules.h"

namespace korvane::engine {

// Placeholder until rule application lands: no rules are read.
QList<Rule> loadRules(QSqlDatabase&, QString*) { return {}; }

QString ruleQuery(const Rule&) { return {}; }

bool applyRule(QSqlDatabase&, const Rule&, QString* error) {
    if (error)
        *error = QStringLiteral("rules are not available in this build");
    return false;
}

} // namespace korvane::engine
