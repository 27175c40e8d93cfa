#include "monthsheet/ui/monthsheetpage.h"

#include "engine/planningdata.h"
#include "engine/roster.h"
#include "monthsheet/report/sheetreport.h"
#include "monthsheet/sheetmodel.h"
#include "monthsheet/sheettext.h"
#include "monthsheet/ui/totalschart.h"
#include "monthsheet/workbook.h"
#include "score/scoretext.h"
#include "score/ui/scoretab.h"
#include "store/datafiles.h"
#include "store/dialect.h"
#include "store/messages.h"
#include "store/schema.h"
#include "ui/controls.h"
#include "ui/flowlayout.h"
#include "ui/pagecontext.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QSqlError>
#include <QSqlQueryModel>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace korvane {

namespace {

using monthsheet::report::Paper;

const QString kPaperLabel = QStringLiteral("纸张：");
const QString kPrintPreview = QStringLiteral("打印预览");
const QString kWritePdf = QStringLiteral("导出PDF");
const QString kWriteWorkbook = QStringLiteral("导出Excel");
const QString kWriteCsv = QStringLiteral("导出CSV");
const QString kDutiesHint = QStringLiteral("点击姓名或日期，查看其值班记录。");
const QString kDutiesOf = QStringLiteral("%1的值班　");
const QString kPdfFilter = QStringLiteral("PDF (*.pdf)");
const QString kWorkbookFilter = QStringLiteral("Excel (*.xlsx)");
const QString kCsvFilter = QStringLiteral("CSV (*.csv)");
// Splitter sizes are shares: any unit scales to the room there is.
constexpr int kSplitUnit = 100;

const QColor kWeekendFill(0xFC, 0xE4, 0xD6);
const QColor kHolidayFill(0xE4, 0xDF, 0xEC);
const QColor kStandOutFill(0xFF, 0xF2, 0xCC);
const QString kWeekendMeaning = QStringLiteral("周末");
const QString kHolidayMeaning = QStringLiteral("节假日");
const QString kCostMeaning = QStringLiteral("扣分最多的格");
const QString kStandOutMeaning = QStringLiteral("班数明显偏离全体平均（超过两个标准差）");
const QString kShortLabelsMeaning = QStringLiteral("格中简称：");
constexpr int kLongestName = 10; // wide characters the name column shows
constexpr int kWidestCell = 6;
constexpr int kShiftsColumn = 2; // 班数 in the totals, after ID and 姓名

QTableView* table(const QString& name, QWidget* parent) {
    auto* result = new QTableView(parent);
    result->setObjectName(name);
    result->setEditTriggers(QAbstractItemView::NoEditTriggers);
    result->setSelectionMode(QAbstractItemView::SingleSelection);
    return result;
}

} // namespace

MonthSheetPage::MonthSheetPage(PageContext& context, QWidget* parent)
    : QWidget(parent), m_context(context), m_rosterDb(context.database()) {
    monthsheet::MonthSheet sheet;
    QString error;
    if (!monthsheet::loadMonthSheet(m_rosterDb, &sheet, &error)) {
        m_context.prompt().information(error);
        return;
    }
    build(std::move(sheet));
}

MonthSheetPage::MonthSheetPage(PageContext& context, monthsheet::MonthSheet sheet,
                               QSqlDatabase rosterDb, QWidget* parent)
    : QWidget(parent), m_context(context), m_rosterDb(std::move(rosterDb)) {
    build(std::move(sheet));
}

void MonthSheetPage::build(monthsheet::MonthSheet sheet) {
    setObjectName(QStringLiteral("paibanZongbiao"));
    setWindowTitle(monthsheet::sheetTitle);
    QString error;
    if (!engine::loadRosterTable(m_rosterDb, engine::fullRosterQuery(), &m_roster, &error)) {
        m_context.prompt().information(error);
        return;
    }
    if (!sheet.hasDuties()) {
        m_context.prompt().information(msg::noRoster);
        return;
    }
    m_hasRoster = true;
    m_model = new monthsheet::SheetModel(std::move(sheet), this);
    m_model->setWeekendBackground(QBrush(kWeekendFill));
    m_model->setHolidayBackground(QBrush(kHolidayFill));

    auto* period = new QLabel(monthsheet::periodText(m_model->sheet()), this);
    period->setObjectName(QStringLiteral("period"));
    QFont bold = period->font();
    bold.setBold(true);
    period->setFont(bold);
    m_paper = new QComboBox(this);
    m_paper->setObjectName(QStringLiteral("paper"));
    m_paper->addItems({QStringLiteral("A4"), QStringLiteral("A3")});
    QPushButton* preview = namedButton(QStringLiteral("printPreview"), kPrintPreview, this);
    QPushButton* pdf = namedButton(QStringLiteral("writePdf"), kWritePdf, this);
    QPushButton* workbook = namedButton(QStringLiteral("writeWorkbook"), kWriteWorkbook, this);
    QPushButton* csv = namedButton(QStringLiteral("writeCsv"), kWriteCsv, this);
    // Wraps where the page is narrow, so no button is cut off.
    FlowLayout* bar = nullptr;
    QWidget* barWidget = flowBar(this, &bar);
    barWidget->setObjectName(QStringLiteral("sheetBar"));
    bar->addWidget(period);
    bar->addStretch();
    bar->addWidget(new QLabel(kPaperLabel, this));
    bar->addWidget(m_paper);
    bar->addWidget(preview);
    bar->addWidget(pdf);
    bar->addWidget(workbook);
    bar->addWidget(csv);

    // Sized first: the totals share the page's width with their chart.
    resize(1100, 680);
    auto* tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("tabs"));
    m_tabs = tabs;
    buildSheetTab(tabs);
    buildTotalsTab(tabs);
    buildScoreTab(tabs);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(barWidget);
    layout->addWidget(tabs, 1);

    connect(preview, &QPushButton::clicked, this, &MonthSheetPage::printPreview);
    connect(pdf, &QPushButton::clicked, this, &MonthSheetPage::writePdf);
    connect(workbook, &QPushButton::clicked, this, &MonthSheetPage::writeWorkbook);
    connect(csv, &QPushButton::clicked, this, &MonthSheetPage::writeCsv);
}

void MonthSheetPage::setRoster(monthsheet::MonthSheet sheet, QSqlDatabase rosterDb) {
    if (!m_model)
        return;
    // The rows shown under the sheet were read from the roster's old tables.
    m_dutiesModel->clear();
    m_dutiesTitle->setText(kDutiesHint);
    m_rosterDb = std::move(rosterDb);
    QString error;
    if (!engine::loadRosterTable(m_rosterDb, engine::fullRosterQuery(), &m_roster, &error))
        m_context.prompt().information(error);
    const QModelIndex current = m_sheetView->currentIndex();
    const monthsheet::MonthSheet before = m_model->sheet();
    m_model->setSheet(std::move(sheet));
    rescore(&before);
    updateLegend();
    if (current.isValid())
        m_sheetView->setCurrentIndex(m_model->index(current.row(), current.column()));
    const int shown = m_tabs->currentIndex();
    QWidget* totals = m_tabs->widget(1);
    m_tabs->removeTab(1);
    delete totals;
    buildTotalsTab(m_tabs);
    m_tabs->setCurrentIndex(shown);
}

void MonthSheetPage::buildSheetTab(QTabWidget* tabs) {
    auto* splitter = new QSplitter(Qt::Vertical, tabs);
    auto* sheetSide = new QWidget(splitter);
    m_sheetView = table(QStringLiteral("sheetView"), sheetSide);
    m_legend = newLegend(sheetSide);
    auto* sheetLayout = new QVBoxLayout(sheetSide);
    sheetLayout->setContentsMargins(0, 0, 0, 0);
    sheetLayout->addWidget(m_sheetView, 1);
    sheetLayout->addWidget(m_legend);
    m_sheetView->setModel(m_model);
    m_sheetView->setWordWrap(false);
    m_sheetView->setTextElideMode(Qt::ElideRight);

    // Fixed sizes worked out from the texts, never by measuring every cell.
    const QFontMetrics metrics(m_sheetView->font());
    const int wide = metrics.horizontalAdvance(QStringLiteral("国"));
    int widest = metrics.horizontalAdvance(QStringLiteral("12月"));
    int widestText = 0; // in terminal columns
    for (const monthsheet::SheetShift& shift : m_model->sheet().shifts) {
        const QString label = monthsheet::shiftLabel(shift);
        widest = qMax(widest, metrics.horizontalAdvance(label));
        widestText = qMax(widestText, engine::displayWidth(label));
    }
    // Cells wider than one name (two shifts) or than the column show short labels.
    m_model->setWidestCellText(qMin(widestText, 2 * kWidestCell));
    QHeaderView* dates = m_sheetView->horizontalHeader();
    dates->setSectionResizeMode(QHeaderView::Fixed);
    dates->setMinimumSectionSize(1);
    dates->setDefaultSectionSize(qMin(widest, kWidestCell * wide) + wide / 2);
    dates->setSectionsClickable(true);
    QHeaderView* names = m_sheetView->verticalHeader();
    names->setSectionResizeMode(QHeaderView::Fixed);
    names->setDefaultSectionSize(metrics.height() + 8);
    names->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    names->setMaximumWidth(kLongestName * wide);
    names->setSectionsClickable(true);

    auto* duties = new QWidget(splitter);
    m_dutiesTitle = new QLabel(kDutiesHint, duties);
    m_dutiesTitle->setObjectName(QStringLiteral("dutiesTitle"));
    m_dutiesView = table(QStringLiteral("dutiesView"), duties);
    m_dutiesView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_dutiesView->horizontalHeader()->setStretchLastSection(true);
    m_dutiesModel = new QSqlQueryModel(this);
    m_dutiesView->setModel(m_dutiesModel);
    // Only the hint until the planner asks for someone's duties: the sheet
    // keeps the room, which on a low screen is little.
    m_dutiesView->hide();
    auto* dutiesLayout = new QVBoxLayout(duties);
    dutiesLayout->setContentsMargins(0, 0, 0, 0);
    dutiesLayout->addWidget(m_dutiesTitle);
    dutiesLayout->addWidget(m_dutiesView, 1);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 1);
    m_sheetSplit = splitter;
    tabs->addTab(splitter, monthsheet::sheetTitle);
    updateLegend();

    connect(dates, &QHeaderView::sectionClicked, this, [this](int column) {
        const int date = m_model->dateAt(column);
        if (date < 0)
            return;
        const QString day = engine::longDate(m_model->sheet().dates.at(date).toJulianDay());
        showDuties(day, engine::dutiesOfDateQuery(day));
    });
    connect(names, &QHeaderView::sectionClicked, this, [this](int row) {
        const int person = m_model->personAt(row);
        if (person < 0)
            return;
        const QString name = m_model->sheet().people.at(person).name;
        showDuties(name, engine::dutiesOfPersonQuery(name));
    });
}

void MonthSheetPage::buildTotalsTab(QTabWidget* tabs) {
    const monthsheet::MonthSheet& sheet = m_model->sheet();
    const monthsheet::SheetTotals& totals = m_model->totals();
    const engine::RosterTable rows = monthsheet::totalsTable(sheet, totals);
    auto* model = new QStandardItemModel(int(rows.rows.size()), int(rows.columns.size()), this);
    model->setHorizontalHeaderLabels(rows.columns);
    bool anyStandsOut = false;
    for (int row = 0; row < rows.rows.size(); ++row) {
        const bool person = row < sheet.people.size();
        const bool standsOut = person && totals.standsOut(row);
        for (int column = 0; column < rows.rows.at(row).size(); ++column) {
            auto* item = new QStandardItem(rows.rows.at(row).at(column));
            item->setTextAlignment(column == 1 ? Qt::AlignLeft | Qt::AlignVCenter
                                               : Qt::AlignCenter);
            if (column == 1)
                item->setToolTip(rows.rows.at(row).at(column));
            if (standsOut && column == kShiftsColumn) {
                item->setBackground(kStandOutFill);
                anyStandsOut = true;
            }
            if (!person) {
                QFont font = item->font();
                font.setBold(true);
                item->setFont(font);
            }
            model->setItem(row, column, item);
        }
    }
    auto* splitter = new QSplitter(Qt::Horizontal, tabs);
    auto* tableSide = new QWidget(splitter);
    QTableView* view = table(QStringLiteral("totalsView"), tableSide);
    QLabel* legend = newLegend(tableSide);
    showLegend(legend, anyStandsOut ? QList<LegendEntry>{{kStandOutFill, kStandOutMeaning}}
                                    : QList<LegendEntry>{});
    auto* tableLayout = new QVBoxLayout(tableSide);
    tableLayout->setContentsMargins(0, 0, 0, 0);
    tableLayout->addWidget(view, 1);
    tableLayout->addWidget(legend);
    view->setModel(model);
    view->verticalHeader()->hide();
    view->setWordWrap(false);
    view->resizeColumnsToContents();
    const int wide = view->fontMetrics().horizontalAdvance(QStringLiteral("国"));
    view->setColumnWidth(1, qMin(view->columnWidth(1), kLongestName * wide));

    auto* chartArea = new QScrollArea(splitter);
    chartArea->setWidgetResizable(true);
    chartArea->setWidget(monthsheet::createTotalsChart(sheet, totals));
    // The table as wide as its columns, the chart the rest.
    int tableWidth = 2 * view->frameWidth() + view->verticalScrollBar()->sizeHint().width();
    for (int column = 0; column < model->columnCount(); ++column)
        tableWidth += view->columnWidth(column);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({tableWidth, width() - tableWidth});
    tabs->insertTab(1, splitter, monthsheet::totalsTitle);
}

void MonthSheetPage::buildScoreTab(QTabWidget* tabs) {
    m_scoreTab = new ScoreTab(tabs);
    tabs->addTab(m_scoreTab, score::scoreTitle);
    rescore(nullptr);
}

void MonthSheetPage::setWarnings(const QList<rosters::Warning>& warnings) {
    if (!m_scored)
        return;
    m_score.setWarnings(warnings);
    m_scoreTab->showHard(m_score);
}

void MonthSheetPage::rescore(const monthsheet::MonthSheet* before) {
    const monthsheet::MonthSheet& sheet = m_model->sheet();
    QList<int> people, dates;
    const bool edited = m_scored && before && before->dates == sheet.dates &&
                        before->people.size() == sheet.people.size() &&
                        before->shifts.size() == sheet.shifts.size();
    if (edited) {
        for (int person = 0; person < sheet.people.size(); ++person)
            for (int date = 0; date < sheet.dates.size(); ++date)
                if (before->cell(person, date) != sheet.cell(person, date)) {
                    if (!people.contains(person))
                        people << person;
                    if (!dates.contains(date))
                        dates << date;
                }
        m_score.update(sheet, people, dates);
    } else {
        QSqlDatabase db = m_context.database();
        QString error;
        m_scored = score::scoreRoster(db, sheet, &m_score, &error);
        if (!m_scored) {
            m_context.prompt().information(error);
            return;
        }
    }
    m_scoreTab->showScore(m_score, people);
    m_model->setCostMarks(costMarks(m_score));
    updateLegend();
}

void MonthSheetPage::setMoreLegend(const QList<LegendEntry>& entries) {
    m_moreLegend = entries;
    updateLegend();
}

void MonthSheetPage::updateLegend() {
    if (!m_legend)
        return;
    QList<LegendEntry> entries = {{kWeekendFill, kWeekendMeaning}};
    if (m_model->hasHolidays())
        entries << LegendEntry{kHolidayFill, kHolidayMeaning};
    entries += m_moreLegend;
    if (m_scored)
        entries << LegendEntry{costFill(), kCostMeaning};
    const QList<int> shortened = m_model->shortenedShifts();
    showLegend(m_legend, entries,
               shortened.isEmpty() ? QString()
                                   : kShortLabelsMeaning +
                                         monthsheet::shortLabelLegend(
                                             m_model->sheet(), m_model->shortLabels(), shortened));
}

void MonthSheetPage::showDuties(const QString& title, const QString& query) {
    const dialect::Translation sql = dialect::translate(query, dialect::flavorOf(m_rosterDb));
    QString error = sql.error;
    if (sql.ok()) {
        m_dutiesModel->setQuery(sql.sql, m_rosterDb);
        if (m_dutiesModel->lastError().isValid())
            error = m_dutiesModel->lastError().text();
    }
    if (!error.isEmpty()) {
        m_dutiesModel->clear();
        m_context.prompt().information(error);
        return;
    }
    while (m_dutiesModel->canFetchMore())
        m_dutiesModel->fetchMore();
    schema::spellColumnCaptions(*m_dutiesModel, QStringLiteral("值班报表"));
    m_dutiesView->resizeColumnsToContents();
    if (m_dutiesView->isHidden()) {
        // Three parts sheet to one part list, however little room there is.
        m_dutiesView->show();
        m_sheetSplit->setSizes({3 * kSplitUnit, kSplitUnit});
    }
    m_dutiesTitle->setText(kDutiesOf.arg(title) + msg::recordCount +
                           QString::number(m_dutiesModel->rowCount()));
}

void MonthSheetPage::printPreview() {
    const Paper paper = m_paper->currentIndex() == 1 ? Paper::A3 : Paper::A4;
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(monthsheet::report::sheetPageLayout(paper));
    printer.setDocName(monthsheet::sheetTitle);
    QPrintPreviewDialog preview(&printer, this);
    preview.setObjectName(QStringLiteral("sheetPreview"));
    preview.setWindowTitle(monthsheet::sheetTitle);
    const QDate today = QDate::currentDate();
    connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
            [this, today](QPrinter* target) {
                monthsheet::report::paintSheet(*target, target->resolution(), m_model->sheet(),
                                               m_model->totals(), today);
            });
    preview.resize(QSize(1100, 760).boundedTo(screen()->availableGeometry().size()));
    preview.exec();
}

QString MonthSheetPage::chooseOutput(const QString& suffix, const QString& filter) {
    return chooseFileToWrite(m_context.fileChooser(), this, m_context.dataFolder(),
                             monthsheet::sheetTitle, suffix, filter);
}

void MonthSheetPage::reportWritten(bool written, const QString& path, const QString& error) {
    m_context.prompt().information(written ? msg::sheetWritten.arg(QDir::toNativeSeparators(
                                                 QFileInfo(path).absoluteFilePath()))
                                           : error);
}

void MonthSheetPage::writePdf() {
    const QString path = chooseOutput(QStringLiteral(".pdf"), kPdfFilter);
    if (path.isEmpty())
        return;
    const Paper paper = m_paper->currentIndex() == 1 ? Paper::A3 : Paper::A4;
    QString error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool written = monthsheet::report::writeSheetPdf(
        m_model->sheet(), m_model->totals(), paper, QDate::currentDate(), path, &error);
    QApplication::restoreOverrideCursor();
    reportWritten(written, path, error);
}

void MonthSheetPage::writeWorkbook() {
    const QString path = chooseOutput(QStringLiteral(".xlsx"), kWorkbookFilter);
    if (path.isEmpty())
        return;
    QString error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool written =
        monthsheet::writeWorkbook(path, m_model->sheet(), m_model->totals(), m_roster, &error);
    QApplication::restoreOverrideCursor();
    reportWritten(written, path, error);
}

void MonthSheetPage::writeCsv() {
    const QString path = chooseOutput(QStringLiteral(".csv"), kCsvFilter);
    if (path.isEmpty())
        return;
    QString error;
    const bool written = files::writeFileAtomically(
        path, monthsheet::sheetCsv(m_model->sheet(), m_model->totals()), &error);
    reportWritten(written, path, error);
}

} // namespace korvane
