#include "overview/ui/overviewpage.h"

#include "overview/overview.h"
#include "store/prompt.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace korvane::overview {

OverviewPage::OverviewPage(const QString& url, Prompt& prompt, QWidget* parent)
    : QWidget(parent), m_url(url), m_prompt(prompt), m_month(new QDateEdit(this)),
      m_table(new QTableWidget(this)), m_notes(new QLabel(this)) {
    setWindowTitle(QStringLiteral("全院总表"));
    setObjectName(QStringLiteral("overview"));
    m_month->setDisplayFormat(QStringLiteral("yyyy-MM"));
    m_month->setDate(QDate::currentDate());
    auto* show = new QPushButton(QStringLiteral("显示"), this);
    auto* bar = new QHBoxLayout;
    bar->addWidget(new QLabel(QStringLiteral("月份："), this));
    bar->addWidget(m_month);
    bar->addWidget(show);
    bar->addStretch();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_notes->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_table);
    layout->addWidget(m_notes);
    connect(show, &QPushButton::clicked, this, &OverviewPage::refresh);
    resize(900, 600);
    refresh();
}

void OverviewPage::refresh() {
    const QDate month(m_month->date().year(), m_month->date().month(), 1);
    Overview view;
    QString error;
    if (!read(m_url, month, &view, &error)) {
        m_prompt.information(error);
        return;
    }
    const QList<QStringList> lines = rows(view);
    m_table->clear();
    m_table->setColumnCount(int(columns().size()));
    m_table->setHorizontalHeaderLabels(columns());
    m_table->setRowCount(int(lines.size()));
    for (int row = 0; row < lines.size(); ++row)
        for (int column = 0; column < lines.at(row).size(); ++column)
            m_table->setItem(row, column, new QTableWidgetItem(lines.at(row).at(column)));
    QStringList notes;
    for (const WardNote& note : view.wards)
        notes << note.ward + QStringLiteral("：") + note.text;
    m_notes->setText(notes.join(QLatin1Char('\n')));
}

} // namespace korvane::overview
