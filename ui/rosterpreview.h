#pragma once

#include <QSqlDatabase>
#include <QString>

class QWidget;

namespace korvane {

class PageContext;

// 生成报表: the printable roster of query (a 值班报表 query on db) in a print
// preview that also exports it as a PDF; asked (report::askedText) heads its
// pages. Nothing happens when the query has no rows.
void showRosterReport(PageContext& context, QWidget* parent, QSqlDatabase db, const QString& query,
                      double rowHeightFactor, const QString& asked);

} // namespace korvane
