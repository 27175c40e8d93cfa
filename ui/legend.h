#pragma once

#include <QColor>
#include <QList>
#include <QString>

class QLabel;
class QWidget;

namespace korvane {

// What a colour of a sheet or a table means.
struct LegendEntry {
    QColor colour;
    QString meaning;
};

// A line under a sheet or a table: a swatch and its meaning for each
// colour, then any further text (the short labels of the shifts).
QLabel* newLegend(QWidget* parent);
void showLegend(QLabel* legend, const QList<LegendEntry>& entries, const QString& more = {});

} // namespace korvane
