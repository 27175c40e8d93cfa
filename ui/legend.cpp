#include "ui/legend.h"

#include <QLabel>

namespace korvane {

QLabel* newLegend(QWidget* parent) {
    auto* legend = new QLabel(parent);
    legend->setObjectName(QStringLiteral("legend"));
    legend->setTextFormat(Qt::RichText);
    legend->setWordWrap(true);
    return legend;
}

void showLegend(QLabel* legend, const QList<LegendEntry>& entries, const QString& more) {
    QStringList parts;
    for (const LegendEntry& entry : entries)
        parts << QStringLiteral("<span style=\"background-color:%1; border:1px solid #808080\">"
                                "&nbsp;&nbsp;&nbsp;&nbsp;</span>&nbsp;%2")
                     .arg(entry.colour.name(), entry.meaning.toHtmlEscaped());
    if (!more.isEmpty())
        parts << more.toHtmlEscaped();
    legend->setText(parts.join(QStringLiteral("&nbsp;&nbsp;&nbsp;&nbsp;")));
    legend->setVisible(!parts.isEmpty());
}

} // namespace korvane
