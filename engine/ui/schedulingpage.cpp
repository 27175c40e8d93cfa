#include "engine/ui/schedulingpage.h"

#include "engine/report/rosterlayout.h"
#include "engine/report/rosterreport.h"
#include "engine/roster.h"
#include "engine/ui/explanationwindow.h"
#include "planning/planrun.h"
#include "store/dialect.h"
#include "store/messages.h"
#include "store/schema.h"
#include "ui/controls.h"
#include "ui/flowlayout.h"
#include "ui/pagecontext.h"
#include "ui/rosterpreview.h"
#include "ui/singlepress.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QSplitter>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QTableView>
#include <QThread>
#include <QVBoxLayout>

namespace korvane {

namespace {

// Captions of the page's controls.
const QString kPageTitle = QStringLiteral("排班");
const QString kRuleTitle = QStringLiteral("约束条件设定表");
const QString kPeopleLabel = QStringLiteral("人员（或组）");
const QString kDatesLabel = QStringLiteral("日期（或组）");
const QString kShiftsLabel = QStringLiteral("班次（或组）");
const QString kOfLabel = QStringLiteral("的");
const QString kShiftSuffix = QStringLiteral("班");
const QString kAddRule = QStringLiteral("添加该条件");
const QString kDeleteRule = QStringLiteral("删除当前条件");
const QStringList kRuleCaptions = {QStringLiteral("编号"), kPeopleLabel, QStringLiteral("判断逻辑"),
                                   kDatesLabel, kShiftsLabel};
const QString kGenerate = QStringLiteral("生成值班表");
const QString kImprove = QStringLiteral("优化值班表");
const QString kPersonLabel = QStringLiteral("个人查询：");
const QString kStartPerson = QStringLiteral("开始个人查询");
const QString kLeavePerson = QStringLiteral("退出个人查询");
const QString kShiftLabel = QStringLiteral("班次查询：");
const QString kStartShift = QStringLiteral("开始班次查询");
const QString kLeaveShift = QStringLiteral("退出班次查询");
const QString kMakeReport = QStringLiteral("生成报表");
const QString kMonthSheet = QStringLiteral("排班总表");
const QString kExplain = QStringLiteral("查看原因");
const QString kSavedRosters = QStringLiteral("排班存档");
const QString kOpenLastRoster = QStringLiteral("打开该存档");

const QString kRuleQuery = QStringLiteral("select * from 排除条件");
constexpr int kRuleNumberColumn = 0;
constexpr int kFirstFlagColumn = 5; // 选定日期组, then 选定班次组: not shown

QLabel* label(const QString& name, const QString& text, QWidget* parent) {
    auto* result = new QLabel(text, parent);
    result->setObjectName(name);
    return result;
}

QComboBox* pickList(const QString& name, bool editable, QWidget* parent) {
    auto* result = new QComboBox(parent);
    result->setObjectName(name);
    result->setEditable(editable);
    // A typed text stays typed; it never becomes an entry of the list.
    result->setInsertPolicy(QComboBox::NoInsert);
    result->setMinimumContentsLength(4);
    return result;
}

QPlainTextEdit* helpBox(const QString& name, QWidget* parent) {
    auto* result = new QPlainTextEdit(parent);
    result->setObjectName(name);
    result->setReadOnly(true);
    return result;
}

QTableView* grid(const QString& name, QWidget* parent) {
    auto* result = new QTableView(parent);
    result->setObjectName(name);
    result->setSelectionBehavior(QAbstractItemView::SelectRows);
    result->setSelectionMode(QAbstractItemView::SingleSelection);
    result->setEditTriggers(QAbstractItemView::NoEditTriggers);
    return result;
}

// Reads a model's query to its end: Qt's SQLite models fetch in batches.
void fetchAll(QSqlQueryModel* model) {
    while (model->canFetchMore())
        model->fetchMore();
}

// Whether the model shows the rows the query gives now. A query that
// fails counts as shown: reading it again would only say so once more.
bool showsRowsOf(const QSqlQueryModel* model, QSqlDatabase db, const QString& query) {
    QSqlQuery now(db);
    if (!dialect::exec(now, query))
        return true;
    int row = 0;
    for (; now.next(); ++row) {
        if (row >= model->rowCount())
            return false;
        for (int column = 0; column < model->columnCount(); ++column)
            if (now.value(column) != model->index(row, column).data())
                return false;
    }
    return row == model->rowCount();
}

void fillBox(QComboBox* box, const engine::PickList& list) {
    box->clear();
    box->addItems(list.entries);
    if (list.groupCount > 0)
        box->setCurrentIndex(0);
    else
        box->setEditText(QString());
}

} // namespace

SchedulingPage::SchedulingPage(PageContext& context, QWidget* parent)
    : QWidget(parent), m_context(context) {
    setObjectName(QStringLiteral("paiban"));
    setWindowTitle(kPageTitle);
    buildControls();
    openPage();
}

SchedulingPage::~SchedulingPage() {
    // Never leave a run behind on a page that is gone: stop it and wait.
    if (m_runThread) {
        m_cancel->store(true);
        m_runThread->wait();
        delete m_runThread;
    }
}

// The rule frame: its title, the rule as a sentence, its buttons and its grid.
QFrame* SchedulingPage::buildRuleFrame() {
    auto* ruleFrame = new QFrame(this);
    ruleFrame->setObjectName(QStringLiteral("Frame1"));
    ruleFrame->setFrameShape(QFrame::StyledPanel);
    m_ruleTitle = label(QStringLiteral("Label7"), kRuleTitle, ruleFrame);
    QFont titleFont = m_ruleTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    m_ruleTitle->setFont(titleFont);
    m_ruleTitle->setAlignment(Qt::AlignCenter);

    m_people = pickList(QStringLiteral("comRenyuan"), true, ruleFrame);
    m_placement = pickList(QStringLiteral("Compaizai"), false, ruleFrame);
    m_placement->addItems({engine::notOn, engine::onlyOn});
    // Never narrower than its two entries.
    m_placement->setMinimumContentsLength(0);
    m_placement->setCurrentText(engine::notOn);
    m_dates = pickList(QStringLiteral("comRiqi"), true, ruleFrame);
    m_shifts = pickList(QStringLiteral("comBanci"), true, ruleFrame);
    m_dates->installEventFilter(this);
    m_shifts->installEventFilter(this);

    // The rule reads as one sentence, each box under its caption; on a
    // narrow page the sentence goes on in a second row.
    FlowLayout* sentence = nullptr;
    QWidget* sentenceBar = flowBar(ruleFrame, &sentence);
    sentenceBar->setObjectName(QStringLiteral("ruleSentence"));
    // A caption over its box, and the word that follows the box.
    const auto word = [&](QLabel* caption, QWidget* box, QLabel* after) {
        auto* piece = new QWidget(sentenceBar);
        auto* column = new QGridLayout(piece);
        column->setContentsMargins(0, 0, 0, 0);
        column->setVerticalSpacing(2);
        column->addWidget(caption ? caption : new QLabel(piece), 0, 0);
        column->addWidget(box, 1, 0);
        if (after)
            column->addWidget(after, 1, 1);
        sentence->addWidget(piece);
    };
    word(label(QStringLiteral("Label14"), kPeopleLabel, ruleFrame), m_people, nullptr);
    word(nullptr, m_placement, nullptr);
    word(label(QStringLiteral("Label15"), kDatesLabel, ruleFrame), m_dates,
         label(QStringLiteral("Label8"), kOfLabel, ruleFrame));
    word(label(QStringLiteral("Label16"), kShiftsLabel, ruleFrame), m_shifts,
         label(QStringLiteral("Label9"), kShiftSuffix, ruleFrame));

    m_addRule = namedButton(QStringLiteral("Command3"), kAddRule, ruleFrame);
    m_deleteRule = namedButton(QStringLiteral("Command7"), kDeleteRule, ruleFrame);
    auto* ruleButtons = new QHBoxLayout;
    ruleButtons->addStretch();
    ruleButtons->addWidget(m_addRule);
    ruleButtons->addWidget(m_deleteRule);

    m_ruleGrid = grid(QStringLiteral("DataGridPaichu"), ruleFrame);
    m_ruleModel = new QSqlQueryModel(this);
    m_ruleGrid->setModel(m_ruleModel);
    m_ruleGrid->verticalHeader()->hide();
    m_ruleGrid->horizontalHeader()->setStretchLastSection(true);

    auto* ruleLayout = new QVBoxLayout(ruleFrame);
    ruleLayout->addWidget(m_ruleTitle);
    ruleLayout->addWidget(sentenceBar);
    ruleLayout->addLayout(ruleButtons);
    ruleLayout->addWidget(m_ruleGrid, 1);

    return ruleFrame;
}

// The person and shift queries over the roster grid.
QGridLayout* SchedulingPage::buildQueries() {
    m_personText = new QLineEdit(this);
    m_personText->setObjectName(QStringLiteral("Text12"));
    m_shiftText = new QLineEdit(this);
    m_shiftText->setObjectName(QStringLiteral("Text4"));
    // Room for a name or a shift's name however narrow the page gets.
    const int queryWidth = m_personText->fontMetrics().horizontalAdvance(QStringLiteral("值班人")) +
                           2 * m_personText->fontMetrics().averageCharWidth();
    m_personText->setMinimumWidth(queryWidth);
    m_shiftText->setMinimumWidth(queryWidth);
    auto* queries = new QGridLayout;
    queries->addWidget(label(QStringLiteral("Label11"), kPersonLabel, this), 0, 0);
    queries->addWidget(m_personText, 0, 1);
    QPushButton* startPerson = namedButton(QStringLiteral("Command11"), kStartPerson, this);
    QPushButton* leavePerson = namedButton(QStringLiteral("Command10"), kLeavePerson, this);
    queries->addWidget(startPerson, 0, 2);
    queries->addWidget(leavePerson, 0, 3);
    queries->addWidget(label(QStringLiteral("Label2"), kShiftLabel, this), 1, 0);
    queries->addWidget(m_shiftText, 1, 1);
    QPushButton* startShift = namedButton(QStringLiteral("Command6"), kStartShift, this);
    QPushButton* leaveShift = namedButton(QStringLiteral("Command8"), kLeaveShift, this);
    queries->addWidget(startShift, 1, 2);
    queries->addWidget(leaveShift, 1, 3);
    queries->setColumnStretch(1, 1);

    connect(startPerson, &QPushButton::clicked, this, &SchedulingPage::startPersonQuery);
    connect(startShift, &QPushButton::clicked, this, &SchedulingPage::startShiftQuery);
    connect(leavePerson, &QPushButton::clicked, this, &SchedulingPage::leaveQuery);
    connect(leaveShift, &QPushButton::clicked, this, &SchedulingPage::leaveQuery);
    connect(m_personText, &QLineEdit::returnPressed, this, &SchedulingPage::startPersonQuery);
    connect(m_shiftText, &QLineEdit::returnPressed, this, &SchedulingPage::startShiftQuery);
    return queries;
}

// The run's buttons; they wrap where the page is narrow.
QWidget* SchedulingPage::buildRunBar() {
    m_generate = namedButton(QStringLiteral("comShengcheng"), kGenerate, this);
    m_report = namedButton(QStringLiteral("Command12"), kMakeReport, this);
    FlowLayout* runButtons = nullptr;
    QWidget* runBar = flowBar(this, &runButtons);
    runBar->setObjectName(QStringLiteral("runBar"));
    runButtons->addWidget(m_generate);
    // Shown once a run has left a roster to search from.
    m_improve = namedButton(QStringLiteral("improveRoster"), kImprove, this);
    m_improve->hide();
    runButtons->addWidget(m_improve);
    runButtons->addWidget(m_report);
    m_monthSheetButton = namedButton(QStringLiteral("comZongbiao"), kMonthSheet, this);
    m_monthSheetButton->setEnabled(false);
    runButtons->addWidget(m_monthSheetButton);
    // Among the run's buttons, so the slot's line below keeps the whole width.
    m_explain = namedButton(QStringLiteral("explainButton"), kExplain, this);
    runButtons->addWidget(m_explain);
    m_savedRostersButton = namedButton(QStringLiteral("comCundang"), kSavedRosters, this);
    runButtons->addWidget(m_savedRostersButton);
    return runBar;
}

void SchedulingPage::buildControls() {
    QFrame* ruleFrame = buildRuleFrame();

    m_ruleHelp = helpBox(QStringLiteral("Text5"), this);
    m_ruleHelp->setMaximumHeight(150);

    // Run, roster and queries.
    m_rosterGrid = grid(QStringLiteral("DataGrid6"), this);
    m_rosterModel = new QSqlQueryModel(this);
    m_rosterGrid->setModel(m_rosterModel);
    m_rosterGrid->verticalHeader()->setMinimumSectionSize(1);
    m_rosterGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_rosterGrid->horizontalHeader()->setStretchLastSection(true);
    m_recordCount = label(QStringLiteral("Label6"), msg::recordCount, this);

    QGridLayout* queries = buildQueries();

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("jindu"));
    m_progress->setRange(0, 100);
    m_notice = label(QStringLiteral("Label12"), msg::runTakesTime, this);
    QWidget* runBar = buildRunBar();
    m_generationHelp = helpBox(QStringLiteral("Text6"), this);
    m_generationHelp->setMaximumHeight(150);
    m_relaxedQuery = helpBox(QStringLiteral("Text1"), this);
    m_relaxedQuery->setMinimumHeight(120);
    m_unfilled = label(QStringLiteral("unfilledSlot"), QString(), this);
    m_unfilled->setWordWrap(true);
    m_unfilled->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_lastRoster = label(QStringLiteral("lastRoster"), QString(), this);
    m_lastRoster->setWordWrap(true);
    m_openLastRoster = namedButton(QStringLiteral("openLastRoster"), kOpenLastRoster, this);
    auto* lastRoster = new QHBoxLayout;
    lastRoster->addWidget(m_lastRoster, 1);
    lastRoster->addWidget(m_openLastRoster);

    // Two sides the planner can make wider or narrower.
    auto* sides = new QSplitter(Qt::Horizontal, this);
    sides->setObjectName(QStringLiteral("sides"));
    sides->setChildrenCollapsible(false);
    auto* rulePane = new QWidget(sides);
    auto* rosterPane = new QWidget(sides);
    auto* rosterSide = new QVBoxLayout(rosterPane);
    rosterSide->setContentsMargins(0, 0, 0, 0);
    rosterSide->addWidget(m_rosterGrid, 1);
    rosterSide->addWidget(m_recordCount);
    rosterSide->addLayout(queries);
    rosterSide->addWidget(m_notice);
    rosterSide->addWidget(m_progress);
    rosterSide->addWidget(runBar);
    rosterSide->addWidget(m_unfilled);
    rosterSide->addLayout(lastRoster);
    rosterSide->addWidget(m_relaxedQuery);
    rosterSide->addWidget(m_generationHelp);

    auto* ruleSide = new QVBoxLayout(rulePane);
    ruleSide->setContentsMargins(0, 0, 0, 0);
    ruleSide->addWidget(ruleFrame, 1);
    ruleSide->addWidget(m_ruleHelp);

    sides->addWidget(rulePane);
    sides->addWidget(rosterPane);
    // The roster's seven columns need the wider share.
    sides->setStretchFactor(0, 1);
    sides->setStretchFactor(1, 2);
    auto* page = new QHBoxLayout(this);
    page->addWidget(sides);

    connect(m_addRule, &QPushButton::clicked, this, &SchedulingPage::addRule);
    connectSinglePress(m_deleteRule, this, &SchedulingPage::deleteCurrentRule);
    connect(m_generate, &QPushButton::clicked, this, &SchedulingPage::startRun);
    connect(m_improve, &QPushButton::clicked, this,
            [this] { m_context.showImproveWindow(QString()); });
    connect(m_report, &QPushButton::clicked, this, &SchedulingPage::makeReport);
    connect(m_monthSheetButton, &QPushButton::clicked, this, &SchedulingPage::openMonthSheet);
    connect(m_explain, &QPushButton::clicked, this, &SchedulingPage::openExplanation);
    connect(m_savedRostersButton, &QPushButton::clicked, this, &SchedulingPage::openSavedRosters);
    connect(m_openLastRoster, &QPushButton::clicked, this, &SchedulingPage::openLastRoster);

    resize(1100, 680);
}

void SchedulingPage::openPage() {
    m_placement->setCurrentText(engine::notOn);
    m_personText->clear();
    m_shiftText->clear();
    reloadPage();
}

void SchedulingPage::reloadPage() {
    m_ruleHelp->setPlainText(engine::ruleHelpText);
    m_generationHelp->setPlainText(engine::generationHelpText);
    m_context.setSetupButtonEnabled(true);
    m_progress->setValue(0);
    m_notice->hide();
    m_relaxedQuery->clear();
    m_relaxedQuery->hide();
    m_unfilled->clear();
    m_unfilled->hide();
    m_lastRoster->hide();
    m_openLastRoster->hide();
    // An open explanation stays in sight until the next run replaces or closes it.
    m_explain->hide();
    closeMonthSheet();
    QSqlDatabase db = m_context.database();
    QString error;
    if (!engine::resetIdleWorkTables(db, &error))
        reportError(error);
    fillPickLists();
    refreshRules();
    showReportQuery();
}

void SchedulingPage::fillPickLists() {
    QSqlDatabase db = m_context.database();
    QString error;
    engine::RulePickLists lists;
    if (!engine::loadRulePickLists(db, &lists, &error)) {
        reportError(error);
        return;
    }
    m_lists = lists;
    fillBox(m_people, m_lists.people);
    fillBox(m_dates, m_lists.dates);
    fillBox(m_shifts, m_lists.shifts);
    m_datePosition = m_lists.dates.initialPosition();
    m_shiftPosition = m_lists.shifts.initialPosition();
}

void SchedulingPage::refreshRules() {
    const dialect::Translation sql =
        dialect::translate(kRuleQuery, dialect::flavorOf(m_context.database()));
    m_ruleModel->setQuery(sql.sql, m_context.database());
    if (m_ruleModel->lastError().isValid()) {
        reportError(m_ruleModel->lastError().text());
        return;
    }
    fetchAll(m_ruleModel);
    for (int column = 0; column < kRuleCaptions.size(); ++column)
        m_ruleModel->setHeaderData(column, Qt::Horizontal, kRuleCaptions.at(column));
    // Sized after the captions are set, so a caption is never cut off.
    m_ruleGrid->resizeColumnsToContents();
    for (int column = kFirstFlagColumn; column < m_ruleModel->columnCount(); ++column)
        m_ruleGrid->setColumnHidden(column, true);
}

// The positions as the page keeps them when the user leaves a box.
void SchedulingPage::updatePickPositions() {
    m_datePosition = engine::pickPosition(m_lists.dates.entries, m_dates->currentText(),
                                          m_dates->currentIndex());
    m_shiftPosition = engine::pickPosition(m_lists.shifts.entries, m_shifts->currentText(),
                                           m_shifts->currentIndex());
}

bool SchedulingPage::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && (watched == m_dates || watched == m_shifts))
        updatePickPositions();
    return QWidget::eventFilter(watched, event);
}

void SchedulingPage::addRule() {
    if (runInProgress())
        return;
    // Adding without leaving a box (a keyboard shortcut) still takes what it shows.
    updatePickPositions();
    const engine::Rule rule =
        engine::ruleFromFrame(m_people->currentText(), m_placement->currentText(),
                              m_dates->currentText(), m_datePosition, m_lists.dates.groupCount,
                              m_shifts->currentText(), m_shiftPosition, m_lists.shifts.groupCount);
    QSqlDatabase db = m_context.database();
    qint64 number = 0;
    QString error;
    if (!engine::addRule(db, rule, &number, &error)) {
        reportError(error);
        return;
    }
    refreshRules();
    for (int row = 0; row < m_ruleModel->rowCount(); ++row) {
        const QModelIndex index = m_ruleModel->index(row, kRuleNumberColumn);
        if (index.data().toLongLong() == number) {
            m_ruleGrid->setCurrentIndex(index);
            m_ruleGrid->scrollTo(index);
            break;
        }
    }
}

void SchedulingPage::deleteCurrentRule() {
    if (runInProgress())
        return;
    const QModelIndex current = m_ruleGrid->currentIndex();
    if (!current.isValid())
        return;
    const int row = current.row();
    const qint64 number = m_ruleModel->index(row, kRuleNumberColumn).data().toLongLong();
    QSqlDatabase db = m_context.database();
    QString error;
    if (!engine::deleteRule(db, number, &error)) {
        reportError(error);
        return;
    }
    refreshRules();
    // The row after the deleted one becomes current (none past the end).
    if (row < m_ruleModel->rowCount())
        m_ruleGrid->setCurrentIndex(m_ruleModel->index(row, kRuleNumberColumn));
}

bool SchedulingPage::runInProgress() const {
    return m_runThread != nullptr;
}

bool SchedulingPage::setRunControlsEnabled(bool enabled) {
    m_generate->setEnabled(enabled);
    if (!enabled)
        m_improve->setEnabled(false);
    m_savedRostersButton->setEnabled(enabled);
    m_addRule->setEnabled(enabled);
    m_deleteRule->setEnabled(enabled);
    return m_context.setDataCommandsEnabled(enabled);
}

void SchedulingPage::startRun() {
    startRunFor(0);
}

void SchedulingPage::regenerate(qint64 roster) {
    startRunFor(roster);
}

void SchedulingPage::startRunFor(qint64 target) {
    if (runInProgress())
        return;
    // What the run takes besides the set-up: the end of the previous saved
    // roster, and for a regeneration the locked assignments.
    QSqlDatabase db = m_context.database();
    QString error;
    planning::RunRequest request;
    if (!planning::prepareRun(db, target, &request, &error)) {
        reportError(error);
        return;
    }
    const rosters::Regeneration& regeneration = request.regeneration;
    if (!regeneration.problem.isEmpty()) {
        m_context.prompt().information(regeneration.problem);
        return;
    }
    if (!regeneration.leftOut.isEmpty())
        m_context.prompt().information(msg::locksLeftOut + QLatin1Char('\n') +
                                       regeneration.leftOut.join(QLatin1Char('\n')));
    if (!regeneration.conflicts.isEmpty() &&
        !m_context.prompt().question(msg::lockConflicts + QLatin1Char('\n') +
                                     regeneration.conflicts.join(QLatin1Char('\n')) +
                                     QLatin1Char('\n') + msg::keepConflictingLocks))
        planning::dropConflictingLocks(&request);
    // The run replaces what no lock keeps, and a run cannot be undone.
    const int lost = planning::lostHandEdits(request);
    if (lost > 0 && !m_context.prompt().question(msg::handEditsLost.arg(lost)))
        return;
    m_request = request;
    reloadPage();
    warnOfDanglingRules();
    if (!setRunControlsEnabled(false)) {
        setRunControlsEnabled(true);
        m_context.prompt().information(msg::windowNotReadOnly);
        return;
    }

    m_cancel = std::make_shared<std::atomic<bool>>(false);
    m_runResult = std::make_shared<engine::RunResult>();
    m_doneMessagePending = false;

    // The callbacks come on the run's thread; each one only posts to the page.
    engine::RunObserver observer;
    observer.progress = [this](double value) {
        QMetaObject::invokeMethod(
            this, [this, value] { m_progress->setValue(qRound(value)); }, Qt::QueuedConnection);
    };
    observer.notice = [this](bool shown) {
        QMetaObject::invokeMethod(
            this, [this, shown] { m_notice->setVisible(shown); }, Qt::QueuedConnection);
    };
    observer.message = [this](const QString& text) {
        QMetaObject::invokeMethod(
            this, [this, text] { showRunMessage(text); }, Qt::QueuedConnection);
    };
    observer.relaxedQuery = [this](const QString& query) {
        QMetaObject::invokeMethod(
            this,
            [this, query] {
                m_relaxedQuery->setPlainText(query);
                m_relaxedQuery->show();
            },
            Qt::QueuedConnection);
    };
    observer.cancelled = [cancel = m_cancel] { return cancel->load(); };

    const QString path = m_context.databasePath();
    m_runLock = std::make_shared<std::unique_ptr<files::DatabaseLock>>();
    m_runThread =
        QThread::create([path, observer, result = m_runResult, lock = m_runLock, request] {
            if (!(*lock = engine::takeRunLock(path, result.get())))
                return;
            *result = planning::generate(path, request, observer, lock->get());
            // 查看原因 names every slot that cannot be filled, planned on in memory.
            if (result->outcome == engine::RunOutcome::PlanImpossible)
                if (const engine::RunResult planned = planning::plan(path, request);
                    !planned.explanations.isEmpty())
                    result->explanations = planned.explanations;
        });
    m_runThread->setObjectName(QStringLiteral("generation run"));
    connect(m_runThread, &QThread::finished, this, &SchedulingPage::finishRun);
    m_runThread->start();
}

void SchedulingPage::warnOfDanglingRules() {
    QSqlDatabase db = m_context.database();
    QString error;
    const QStringList dangling = engine::danglingRules(db, &error);
    if (!error.isEmpty())
        reportError(error);
    else if (!dangling.isEmpty())
        m_context.prompt().information(msg::danglingRules + QLatin1Char('\n') +
                                       dangling.join(QLatin1Char('\n')));
}

void SchedulingPage::showRunMessage(const QString& text) {
    if (m_closed)
        return;
    // "完成！" closes the run: it is shown once the roster is on the grid.
    if (text == msg::done) {
        m_doneMessagePending = true;
        return;
    }
    m_context.prompt().information(text);
}

void SchedulingPage::finishRun() {
    if (!m_runThread)
        return;
    m_runThread->wait();
    m_runThread->deleteLater();
    m_runThread = nullptr;
    const engine::RunResult result = *m_runResult;

    if (!m_closed) {
        setRunControlsEnabled(true);
        switch (result.outcome) {
        case engine::RunOutcome::Done:
            m_context.state().rowHeightFactor = result.rowHeightFactor;
            m_context.state().reportQuery = engine::fullRosterQuery();
            showReportQuery();
            m_progress->setValue(100);
            m_monthSheetButton->setEnabled(true);
            m_improve->setEnabled(true);
            m_improve->show();
            closeExplanation();
            keepRoster();
            // Shown and kept: another run may go on while the planner reads.
            if (m_runLock)
                m_runLock->reset();
            // One message ends the run: a regeneration's names the roster it filled.
            if (m_request.target && !m_keptName.isEmpty())
                m_context.prompt().information(msg::regenerated.arg(m_keptName));
            else if (m_doneMessagePending)
                m_context.prompt().information(msg::done);
            m_notice->hide();
            break;
        case engine::RunOutcome::PlanImpossible:
            // Its message came with the run; the notice and the bar stay as
            // the run left them, and the page names the slot.
            m_unfilled->setText(engine::describeUnfilledSlot(result.unfilled));
            m_unfilled->show();
            // The search may still fill what the run left short.
            m_improve->setEnabled(true);
            m_improve->show();
            m_explanations = result.explanations;
            m_explain->setVisible(!m_explanations.isEmpty());
            if (m_explanationWindow)
                m_explanationWindow->setExplanations(m_explanations);
            showLastRoster();
            break;
        case engine::RunOutcome::NothingToPlan:
        case engine::RunOutcome::Failed:
        case engine::RunOutcome::NotOurFile:
        case engine::RunOutcome::Unavailable:
        case engine::RunOutcome::Cancelled:
            // Nothing is going on any more: no notice, no bar that seems to
            // wait, and the reason, when there is one to give.
            m_notice->hide();
            m_progress->setValue(0);
            if (result.outcome != engine::RunOutcome::Cancelled && !result.detail.isEmpty()) {
                m_context.prompt().information(result.detail);
                // It stays on the page after the box is closed.
                m_unfilled->setText(result.detail);
                m_unfilled->show();
            }
            showLastRoster();
            break;
        }
    }
    m_doneMessagePending = false;
    if (m_runLock)
        m_runLock->reset();
    m_runLock.reset();
    emit runFinished(result.outcome);
}

void SchedulingPage::stopRun() {
    if (!m_runThread)
        return;
    m_cancel->store(true);
    m_runThread->wait();
    finishRun();
}

bool SchedulingPage::event(QEvent* event) {
    if ((event->type() == QEvent::WindowActivate || event->type() == othersChangedEvent()) &&
        !m_closed && !runInProgress()) {
        QSqlDatabase db = m_context.database();
        if (!showsRowsOf(m_ruleModel, db, kRuleQuery))
            refreshRules();
        const QString query = m_context.state().reportQuery;
        if (!query.isEmpty() && !showsRowsOf(m_rosterModel, db, query))
            showReportQuery();
    }
    return QWidget::event(event);
}

void SchedulingPage::showEvent(QShowEvent* event) {
    // A page shown again after it was closed opens afresh.
    if (m_closed) {
        m_closed = false;
        openPage();
    }
    QWidget::showEvent(event);
}

void SchedulingPage::closeEvent(QCloseEvent* event) {
    stopRun();
    closeMonthSheet();
    closeExplanation();
    if (!m_closed) {
        m_closed = true;
        // The run has ended, so nothing writes the work tables any more.
        QSqlDatabase db = m_context.database();
        QString error;
        if (!engine::resetIdleWorkTables(db, &error))
            reportError(error);
    }
    event->accept();
}

void SchedulingPage::showReportQuery() {
    QSqlDatabase db = m_context.database();
    const QString query = m_context.state().reportQuery;
    qint64 count = 0;
    if (query.isEmpty()) {
        m_rosterModel->clear();
    } else {
        const dialect::Translation sql = dialect::translate(query, dialect::flavorOf(db));
        QString error = sql.error;
        if (sql.ok()) {
            m_rosterModel->setQuery(sql.sql, db);
            if (m_rosterModel->lastError().isValid())
                error = m_rosterModel->lastError().text();
        }
        if (!error.isEmpty()) {
            m_rosterModel->clear();
            reportError(error);
        } else {
            fetchAll(m_rosterModel);
            schema::spellColumnCaptions(*m_rosterModel, QStringLiteral("值班报表"));
            m_rosterGrid->resizeColumnsToContents();
            count = engine::countRows(db, query, &error);
            if (count < 0) {
                reportError(error);
                count = m_rosterModel->rowCount();
            }
        }
    }
    m_recordCount->setText(msg::recordCount + QString::number(count));
    applyRowHeights();
}

void SchedulingPage::applyRowHeights() {
    m_rosterGrid->verticalHeader()->setDefaultSectionSize(
        report::gridRowHeightPixels(m_context.state().rowHeightFactor));
}

// The queries do not combine: the box of the other one is emptied, so the
// page never shows a text that does not narrow the grid.
void SchedulingPage::startPersonQuery() {
    m_shiftText->clear();
    m_context.state().reportQuery = engine::personRosterQuery(m_personText->text());
    showReportQuery();
}

void SchedulingPage::startShiftQuery() {
    m_personText->clear();
    m_context.state().reportQuery = engine::shiftRosterQuery(m_shiftText->text());
    showReportQuery();
}

void SchedulingPage::leaveQuery() {
    m_context.state().reportQuery = engine::fullRosterQuery();
    showReportQuery();
}

void SchedulingPage::makeReport() {
    const QString query = m_context.state().reportQuery;
    if (query.isEmpty())
        return;
    // The heading names the query the grid shows, whatever the boxes hold now.
    const QString person = m_personText->text();
    const QString shift = m_shiftText->text();
    const QString asked = query == engine::personRosterQuery(person) ? report::askedText(person, {})
                          : query == engine::shiftRosterQuery(shift) ? report::askedText({}, shift)
                                                                     : report::askedText({}, {});
    showRosterReport(m_context, this, m_context.database(), query,
                     m_context.state().rowHeightFactor, asked);
}

void SchedulingPage::openMonthSheet() {
    if (!runInProgress())
        m_context.openMonthSheet();
}

void SchedulingPage::keepRoster() {
    QSqlDatabase db = m_context.database();
    rosters::KeptRoster kept;
    QString error;
    m_keptName.clear();
    if (!planning::keepRoster(db, m_request, &kept, &error)) {
        reportError(error);
        return;
    }
    m_keptName = kept.name;
    m_context.reloadSavedRosters();
}

void SchedulingPage::openSavedRosters() {
    showSavedRosters(0);
}

void SchedulingPage::showSavedRosters(qint64 roster) {
    if (runInProgress())
        return;
    // The list may outlive this page.
    m_context.openSavedRosters(
        [self = QPointer<SchedulingPage>(this)](qint64 regenerated) {
            if (self)
                self->regenerate(regenerated);
        },
        roster);
}

void SchedulingPage::showLastRoster() {
    // A regeneration leaves its roster as it was; a new run points to the latest kept.
    QSqlDatabase db = m_context.database();
    rosters::RosterSummary last;
    QString error;
    if (!planning::lastKeptRoster(db, m_request, &last, &error)) {
        reportError(error);
        return;
    }
    m_lastRosterNumber = last.number;
    if (!last.number)
        return;
    m_lastRoster->setText(msg::lastRosterKept.arg(last.name));
    m_lastRoster->show();
    m_openLastRoster->show();
}

void SchedulingPage::openLastRoster() {
    if (m_lastRosterNumber)
        showSavedRosters(m_lastRosterNumber);
}

void SchedulingPage::closeMonthSheet() {
    m_monthSheetButton->setEnabled(false);
    m_improve->hide();
    m_context.closeMonthSheet();
}

void SchedulingPage::openExplanation() {
    if (m_explanations.isEmpty())
        return;
    if (!m_explanationWindow)
        m_explanationWindow = new ExplanationWindow(this);
    m_explanationWindow->setExplanations(m_explanations);
    m_explanationWindow->show();
    m_explanationWindow->raise();
    m_explanationWindow->activateWindow();
}

void SchedulingPage::closeExplanation() {
    if (m_explanationWindow)
        m_explanationWindow->close();
}

void SchedulingPage::reportError(const QString& error) {
    m_context.prompt().information(error);
}

} // namespace korvane
