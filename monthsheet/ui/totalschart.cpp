#include "monthsheet/ui/totalschart.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QFontMetrics>
#include <QHorizontalStackedBarSeries>
#include <QLabel>
#include <QSet>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>

namespace korvane::monthsheet {

namespace {

// A category of the axis shows its label only where the label's height and
// padding fit into it.
constexpr int kBarPixels = 34;
constexpr int kChartPadding = 140;
constexpr int kLongestLabel = 12; // characters of a name on the axis

const QString kAbove = QStringLiteral(" ▲");
const QString kBelow = QStringLiteral(" ▼");

// The axis needs unique labels: ID and name (its beginning when long).
QStringList personLabels(const MonthSheet& sheet, const SheetTotals& totals) {
    QStringList labels;
    QSet<QString> used;
    for (int person = 0; person < sheet.people.size(); ++person) {
        const SheetPerson& who = sheet.people.at(person);
        QString name = who.name.size() > kLongestLabel
                           ? who.name.left(kLongestLabel) + QStringLiteral("…")
                           : who.name;
        QString label = QStringLiteral("%1 %2").arg(who.id).arg(name);
        if (totals.standsOut(person))
            label += totals.people.at(person).shifts > totals.meanShifts ? kAbove : kBelow;
        while (used.contains(label))
            label += QLatin1Char(' ');
        used.insert(label);
        labels << label;
    }
    return labels;
}

} // namespace

QWidget* createTotalsChart(const MonthSheet& sheet, const SheetTotals& totals, QWidget* parent) {
    auto* series = new QHorizontalStackedBarSeries;
    // The axis runs bottom up; the first person goes on top.
    const int people = int(sheet.people.size());
    for (int shift = 0; shift < sheet.shifts.size(); ++shift) {
        auto* set = new QBarSet(sheet.shifts.at(shift).name);
        for (int person = people - 1; person >= 0; --person)
            set->append(totals.people.at(person).byShift.at(shift));
        series->append(set);
    }
    auto* chart = new QChart;
    chart->addSeries(series);
    QStringList labels = personLabels(sheet, totals);
    std::reverse(labels.begin(), labels.end());
    auto* names = new QBarCategoryAxis;
    names->append(labels);
    chart->addAxis(names, Qt::AlignLeft);
    series->attachAxis(names);
    auto* counts = new QValueAxis;
    counts->setRange(0, std::max(1.0, totals.shifts.highest));
    counts->setLabelFormat(QStringLiteral("%d"));
    counts->applyNiceNumbers();
    chart->addAxis(counts, Qt::AlignTop);
    series->attachAxis(counts);
    chart->legend()->setAlignment(Qt::AlignTop);

    // The title above the chart, where it wraps on a narrow page (a chart's
    // own title is cut off at its width).
    auto* box = new QWidget(parent);
    auto* title =
        new QLabel(QStringLiteral("每人班数（平均 %1 班；▲ 多于平均一班以上，▼ 少于平均一班以上）")
                       .arg(totals.meanShifts, 0, 'f', 1),
                   box);
    title->setObjectName(QStringLiteral("totalsChartTitle"));
    title->setWordWrap(true);
    title->setAlignment(Qt::AlignCenter);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    auto* view = new QChartView(chart, box);
    view->setObjectName(QStringLiteral("totalsChart"));
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumHeight(people * kBarPixels + kChartPadding);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(title);
    layout->addWidget(view, 1);
    return box;
}

} // namespace korvane::monthsheet
