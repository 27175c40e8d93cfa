#include "score/ui/scoretab.h"

#include "score/scoretext.h"

#include <QBrush>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace korvane {

namespace {

// Cells marked on the sheet: the costliest few, enough to be seen at once.
constexpr int kMarkedCells = 20;
const QColor kCostFill(0xFF, 0xD9, 0x66); // amber: apart from the weekend shade
const QString kTermColumns = QStringLiteral("项目|扣分|占比");

QTableView* tableView(const QString& name, QStandardItemModel* model, QWidget* parent) {
    auto* view = new QTableView(parent);
    view->setObjectName(name);
    view->setModel(model);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->verticalHeader()->hide();
    view->setWordWrap(false);
    view->horizontalHeader()->setStretchLastSection(true);
    return view;
}

void setRow(QStandardItemModel* model, int row, const QStringList& texts) {
    for (int column = 0; column < texts.size(); ++column) {
        auto* item = new QStandardItem(texts.at(column));
        item->setToolTip(texts.at(column));
        model->setItem(row, column, item);
    }
}

} // namespace

ScoreTab::ScoreTab(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("scoreTab"));
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("scoreSummary"));
    QFont bold = m_summary->font();
    bold.setBold(true);
    m_summary->setFont(bold);
    m_terms = new QStandardItemModel(this);
    m_people = new QStandardItemModel(this);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    auto* top = new QSplitter(Qt::Horizontal, splitter);
    m_termsView = tableView(QStringLiteral("scoreTerms"), m_terms, top);
    m_hard = new QListWidget(top);
    m_hard->setObjectName(QStringLiteral("scoreHard"));
    m_comparison = new QListWidget(top);
    m_comparison->setObjectName(QStringLiteral("scoreComparison"));
    m_comparison->hide();
    m_peopleView = tableView(QStringLiteral("scorePeople"), m_people, splitter);
    splitter->setStretchFactor(1, 3);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_summary);
    layout->addWidget(splitter, 1);
}

void ScoreTab::showHard(const score::RosterScore& score) {
    m_summary->setText(
        score::summaryText.arg(score::numberText(score.total())).arg(score.hard.size()));
    m_hard->clear();
    m_hard->addItem(score::hardCaption + QStringLiteral("："));
    m_hard->addItems(score::hardLines(score));
}

void ScoreTab::showComparison(const QStringList& lines) {
    m_comparison->clear();
    if (!lines.isEmpty()) {
        m_comparison->addItem(score::comparisonCaption);
        m_comparison->addItems(lines);
    }
    m_comparison->setVisible(!lines.isEmpty());
}

void ScoreTab::showScore(const score::RosterScore& score, const QList<int>& people) {
    const QList<QStringList> terms = score::termRows(score);
    m_terms->clear();
    m_terms->setHorizontalHeaderLabels(kTermColumns.split(QLatin1Char('|')));
    for (int row = 0; row < terms.size(); ++row)
        setRow(m_terms, row, terms.at(row));
    m_termsView->resizeColumnsToContents();

    const QList<QStringList> lines = score::personRows(score);
    if (people.isEmpty() || m_people->rowCount() != lines.size()) {
        m_people->clear();
        m_people->setHorizontalHeaderLabels(score::personColumns());
        for (int row = 0; row < lines.size(); ++row)
            setRow(m_people, row, lines.at(row));
        m_peopleView->resizeColumnsToContents();
    } else {
        for (int person : people)
            setRow(m_people, person, lines.at(person));
    }
    showHard(score);
}

QColor costFill() {
    return kCostFill;
}

QHash<qsizetype, monthsheet::SheetModel::CellMark> costMarks(const score::RosterScore& score) {
    const int dates = int(score.sheet.dates.size());
    const QList<score::Item> items = score.items();
    const QHash<qsizetype, double> costs = score::cellCosts(items, dates);
    QHash<qsizetype, monthsheet::SheetModel::CellMark> marks;
    for (qsizetype cell : score::costliestCells(costs, kMarkedCells))
        marks[cell] = {QBrush(kCostFill),
                       {score::cellCostNote.arg(score::numberText(costs.value(cell)))}};
    // What costs there: each item that covers the cell.
    for (const score::Item& item : items) {
        if (item.person < 0 || item.first < 0)
            continue;
        for (int date = item.first; date <= item.last; ++date) {
            const auto found = marks.find(qsizetype(item.person) * dates + date);
            if (found != marks.end())
                found->notes << score::itemText(score, item);
        }
    }
    return marks;
}

} // namespace korvane
