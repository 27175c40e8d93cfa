#include "overview/ui/overviewpage.h"

#include "overview/overview.h"
#include "store/prompt.h"

#include <QBrush>
#include <QColor>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace korvane::overview {

OverviewPage::OverviewPage(const QString& url, Prompt& prompt, const QDate& month, QWidget* parent)
    : QWidget(parent), m_url(url), m_prompt(prompt), m_month(new QDateEdit(this)),
      m_table(new QTableWidget(this)), m_notes(new QLabel(this)), m_flags(new QTableWidget(this)) {
    setWindowTitle(QStringLiteral("全院总表"));
    setObjectName(QStringLiteral("overview"));
    m_month->setDisplayFormat(QStringLiteral("yyyy-MM"));
    m_month->setDate(month.isValid() ? month : QDate::currentDate());
    auto* show = new QPushButton(QStringLiteral("显示"), this);
    auto* bar = new QHBoxLayout;
    bar->addWidget(new QLabel(QStringLiteral("月份："), this));
    bar->addWidget(m_month);
    bar->addWidget(show);
    bar->addStretch();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_notes->setWordWrap(true);
    m_flags->setObjectName(QStringLiteral("crossWardFlags"));
    m_flags->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_flags->horizontalHeader()->setStretchLastSection(true);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_table, 3);
    layout->addWidget(m_notes);
    layout->addWidget(m_flags, 1);
    connect(show, &QPushButton::clicked, this, &OverviewPage::refresh);
    resize(900, 600);
    refresh();
}

namespace {

QString dutyKey(const QString& ward, const QDate& day, const QString& shift) {
    return ward + QLatin1Char('\n') + day.toString(Qt::ISODate) + QLatin1Char('\n') + shift;
}

// Fills a read-only grid with the rows under the columns.
void fill(QTableWidget* table, const QStringList& columns, const QList<QStringList>& lines) {
    table->clear();
    table->setColumnCount(int(columns.size()));
    table->setHorizontalHeaderLabels(columns);
    table->setRowCount(int(lines.size()));
    for (int row = 0; row < lines.size(); ++row)
        for (int column = 0; column < lines.at(row).size(); ++column)
            table->setItem(row, column, new QTableWidgetItem(lines.at(row).at(column)));
    // Every column as wide as its texts, so the last (the names, the fault) is read whole.
    table->resizeColumnsToContents();
}

} // namespace

void OverviewPage::refresh() {
    const QDate month(m_month->date().year(), m_month->date().month(), 1);
    Overview view;
    QString error;
    if (!read(m_url, month, &view, &error)) {
        m_prompt.information(error);
        return;
    }
    fill(m_table, columns(), rows(view));
    fill(m_flags, flagColumns(), flagRows(view));
    m_flags->setVisible(!view.flags.isEmpty());
    // Both shifts of a flag are marked, with what is broken as their tip.
    QHash<QString, QStringList> flagged;
    for (const CrossWardFlag& flag : view.flags)
        for (const StaffDuty* duty : {&flag.earlier, &flag.later})
            flagged[dutyKey(duty->ward, duty->day, duty->shift)]
                << flag.later.staffNumber + QLatin1Char(' ') + flag.later.name +
                       QStringLiteral("：") + flag.text;
    for (int row = 0; row < view.duties.size(); ++row) {
        const ShiftDay& duty = view.duties.at(row);
        const auto texts = flagged.constFind(dutyKey(duty.ward, duty.day, duty.shift));
        if (texts == flagged.constEnd())
            continue;
        for (int column = 0; column < m_table->columnCount(); ++column) {
            QTableWidgetItem* item = m_table->item(row, column);
            item->setBackground(QBrush(QColor(255, 215, 215)));
            item->setToolTip(texts->join(QLatin1Char('\n')));
        }
    }
    QStringList notes;
    for (const WardNote& note : view.wards)
        notes << note.ward + QStringLiteral("：") + note.text;
    m_notes->setText(notes.join(QLatin1Char('\n')));
}

} // namespace korvane::overview
