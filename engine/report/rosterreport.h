#pragma once

#include <QSqlDatabase>
#include <QString>

namespace korvane::report {

// Writes the printable roster (the rows of query, a 值班报表 query) as a PDF.
// F sizes the detail band. False with the reason on failure.
bool writeRosterPdf(QSqlDatabase& db, const QString& query, double rowHeightFactor,
                    const QString& pdfPath, QString* error);

} // namespace korvane::report
