#include "engine/report/rosterreport.h"

namespace korvane::report {

// Placeholder until the report lands.
bool writeRosterPdf(QSqlDatabase&, const QString&, double, const QString&, QString* error) {
    if (error)
        *error = QStringLiteral("PDF output is not available in this build");
    return false;
}

} // namespace korvane::report
