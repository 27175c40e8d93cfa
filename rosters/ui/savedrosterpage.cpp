#include "rosters/ui/savedrosterpage.h"

#include "engine/planningdata.h"
#include "engine/report/rosterreport.h"
#include "engine/roster.h"
#include "monthsheet/sheetmodel.h"
#include "monthsheet/ui/monthsheetpage.h"
#include "score/ui/scoretab.h"
#include "store/messages.h"
#include "ui/controls.h"
#include "ui/flowlayout.h"
#include "ui/pagecontext.h"
#include "ui/rosterpreview.h"

#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QUndoCommand>
#include <QUndoStack>
#include <QVBoxLayout>

#include <algorithm>

namespace korvane {

namespace {

// Splitter sizes are shares: any unit scales to the room there is.
constexpr int kSplitUnit = 100;
const QString kLockCell = QStringLiteral("锁定/解锁此格");
const QString kImprove = QStringLiteral("优化");
const QString kLockRow = QStringLiteral("锁定/解锁此人");
const QString kLockColumn = QStringLiteral("锁定/解锁此日");
const QString kLocked = QStringLiteral("已锁定");
const QString kReplace = QStringLiteral("替换人员");
const QString kSwap = QStringLiteral("交换两格");
const QString kRemove = QStringLiteral("删除班次");
const QString kAdd = QStringLiteral("添加班次");
const QString kUndo = QStringLiteral("撤销");
const QString kRedo = QStringLiteral("重做");
const QString kCandidate = QStringLiteral("%1（%2班）");
const QString kPersonLabel = QStringLiteral("个人查询：");
const QString kShiftLabel = QStringLiteral("班次查询：");
const QString kQuery = QStringLiteral("查询");
const QString kMakeReport = QStringLiteral("生成报表");
const QString kAllDuties = QStringLiteral("全部");
const QString kWarningsTitle = QStringLiteral("警告：");

// Grey, so that a lock is never taken for the selection's blue.
const QColor kLockedFill(0xC8, 0xC8, 0xC8);
const QColor kEditedFill(0xE2, 0xF0, 0xD9);
const QString kEdited = QStringLiteral("手工修改");
const QColor kWarningFill(0xF8, 0xCB, 0xCB);
const QString kLockedMeaning = QStringLiteral("已锁定");
const QString kWarningMeaning = QStringLiteral("违反规则（见下方警告）");

// A hand edit on the undo stack. It was applied when it was pushed; undo and
// redo apply it again, each in a transaction of its own.
class EditCommand : public QUndoCommand {
public:
    EditCommand(SavedRosterPage* page, rosters::Edit edit, const QString& text)
        : QUndoCommand(text), m_page(page), m_edit(std::move(edit)) {}
    void undo() override {
        rosters::Edit inverse = m_edit.inverse();
        if (m_page->apply(&inverse))
            m_edit = inverse.inverse();
        else
            setObsolete(true);
    }
    void redo() override {
        if (m_applied) {
            m_applied = false;
            return;
        }
        if (!m_page->apply(&m_edit))
            setObsolete(true);
    }

private:
    SavedRosterPage* m_page;
    rosters::Edit m_edit;
    bool m_applied = true;
};

int shiftCount(const monthsheet::MonthSheet& sheet, int person) {
    int count = 0;
    for (int date = 0; date < sheet.dates.size(); ++date)
        count += int(sheet.cell(person, date).size());
    return count;
}

} // namespace

// The undo stack, its actions with their keys, and the buttons that trigger them.
std::pair<QPushButton*, QPushButton*> SavedRosterPage::buildUndoButtons() {
    m_undo = new QUndoStack(this);
    QAction* undo = m_undo->createUndoAction(this, kUndo);
    undo->setObjectName(QStringLiteral("undo"));
    undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    QAction* redo = m_undo->createRedoAction(this, kRedo);
    redo->setObjectName(QStringLiteral("redo"));
    redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence::Redo});
    for (QAction* action : {undo, redo}) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(action);
    }
    auto* undoButton = namedButton(QStringLiteral("undoButton"), kUndo, this);
    auto* redoButton = namedButton(QStringLiteral("redoButton"), kRedo, this);
    connect(undoButton, &QPushButton::clicked, undo, &QAction::trigger);
    connect(redoButton, &QPushButton::clicked, redo, &QAction::trigger);
    connect(m_undo, &QUndoStack::canUndoChanged, undoButton, &QPushButton::setEnabled);
    connect(m_undo, &QUndoStack::canRedoChanged, redoButton, &QPushButton::setEnabled);
    undoButton->setEnabled(false);
    redoButton->setEnabled(false);

    return {undoButton, redoButton};
}

// The title, the person and shift queries, 生成报表 and 优化.
QWidget* SavedRosterPage::buildQueryBar() {
    m_personQuery = new QLineEdit(this);
    m_personQuery->setObjectName(QStringLiteral("personQuery"));
    m_shiftQuery = new QLineEdit(this);
    m_shiftQuery->setObjectName(QStringLiteral("shiftQuery"));
    QPushButton* queryButton = namedButton(QStringLiteral("query"), kQuery, this);
    QPushButton* report = namedButton(QStringLiteral("makeReport"), kMakeReport, this);
    // Both bars wrap where the page is narrow, so no button is ever cut off.
    FlowLayout* top = nullptr;
    QWidget* topBar = flowBar(this, &top);
    topBar->setObjectName(QStringLiteral("queryBar"));
    top->addWidget(m_title);
    top->addStretch();
    top->addWidget(new QLabel(kPersonLabel, this));
    top->addWidget(m_personQuery);
    top->addWidget(new QLabel(kShiftLabel, this));
    top->addWidget(m_shiftQuery);
    top->addWidget(queryButton);
    top->addWidget(report);
    // 优化: the search from this roster, its locks held; the result is a roster of its own.
    QPushButton* improve = namedButton(QStringLiteral("improve"), kImprove, this);
    top->addWidget(improve);
    connect(improve, &QPushButton::clicked, this,
            [this] { m_context.showImproveWindow(m_saved.summary.name); });

    connect(queryButton, &QPushButton::clicked, this, &SavedRosterPage::query);
    connect(m_personQuery, &QLineEdit::returnPressed, this, &SavedRosterPage::query);
    connect(m_shiftQuery, &QLineEdit::returnPressed, this, &SavedRosterPage::query);
    connect(report, &QPushButton::clicked, this, &SavedRosterPage::makeReport);
    return topBar;
}

// The sheet's area over the warning list, which shows while a cell breaks something.
void SavedRosterPage::buildWarningSplit() {
    // The planner drags the line between the sheet and the warnings.
    m_split = new QSplitter(Qt::Vertical, this);
    m_split->setObjectName(QStringLiteral("warningSplitter"));
    m_split->setChildrenCollapsible(false);
    auto* sheetArea = new QWidget(m_split);
    m_warningBox = new QWidget(m_split);
    m_warningList = new QListWidget(m_warningBox);
    m_warningList->setObjectName(QStringLiteral("warnings"));
    m_warningList->setMinimumHeight(m_warningList->fontMetrics().height() * 2);
    auto* warningLayout = new QVBoxLayout(m_warningBox);
    warningLayout->setContentsMargins(0, 0, 0, 0);
    warningLayout->addWidget(new QLabel(kWarningsTitle, m_warningBox));
    warningLayout->addWidget(m_warningList);
    m_warningBox->hide();

    m_sheetArea = new QVBoxLayout(sheetArea);
    m_sheetArea->setContentsMargins(0, 0, 0, 0);
    m_split->addWidget(sheetArea);
    m_split->addWidget(m_warningBox);
    m_split->setStretchFactor(0, 4);
    m_split->setStretchFactor(1, 1);
}

SavedRosterPage::SavedRosterPage(PageContext& context, qint64 roster, QWidget* parent)
    : QWidget(parent), m_context(context), m_number(roster) {
    setObjectName(QStringLiteral("savedRoster"));
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("rosterTitle"));
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    m_gone = new QLabel(this);
    m_gone->setObjectName(QStringLiteral("goneNote"));
    m_gone->setStyleSheet(QStringLiteral("color: #B00000"));
    m_gone->setWordWrap(true);

    QPushButton* lockCell = namedButton(QStringLiteral("lockCell"), kLockCell, this);
    QPushButton* lockRow = namedButton(QStringLiteral("lockRow"), kLockRow, this);
    QPushButton* lockColumn = namedButton(QStringLiteral("lockColumn"), kLockColumn, this);
    QPushButton* replace = namedButton(QStringLiteral("replacePerson"), kReplace, this);
    QPushButton* swap = namedButton(QStringLiteral("swapCells"), kSwap, this);
    QPushButton* remove = namedButton(QStringLiteral("removeShift"), kRemove, this);
    QPushButton* add = namedButton(QStringLiteral("addShift"), kAdd, this);
    const auto [undoButton, redoButton] = buildUndoButtons();

    QWidget* topBar = buildQueryBar();

    FlowLayout* edits = nullptr;
    QWidget* editBar = flowBar(this, &edits);
    editBar->setObjectName(QStringLiteral("editBar"));
    for (QPushButton* edit : {replace, swap, remove, add, undoButton, redoButton})
        edits->addWidget(edit);
    for (QPushButton* lock : {lockCell, lockRow, lockColumn})
        edits->addWidget(lock);

    buildWarningSplit();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(topBar);
    layout->addWidget(m_gone);
    layout->addWidget(editBar);
    layout->addWidget(m_split, 1);

    connect(replace, &QPushButton::clicked, this, &SavedRosterPage::chooseReplacement);
    connect(swap, &QPushButton::clicked, this, &SavedRosterPage::swapSelectedCells);
    connect(remove, &QPushButton::clicked, this, &SavedRosterPage::chooseRemoval);
    connect(add, &QPushButton::clicked, this, &SavedRosterPage::chooseAddition);
    connect(lockCell, &QPushButton::clicked, this, [this] { toggleLock(rosters::LockKind::Cell); });
    connect(lockRow, &QPushButton::clicked, this,
            [this] { toggleLock(rosters::LockKind::Person); });
    connect(lockColumn, &QPushButton::clicked, this,
            [this] { toggleLock(rosters::LockKind::Date); });
    resize(1080, 640);
    reload();
}

SavedRosterPage::~SavedRosterPage() {
    // The sheet reads the roster's tables: it goes first.
    delete m_sheetPage;
}

void SavedRosterPage::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange && isEnabled())
        reloadWhenChanged();
}

bool SavedRosterPage::event(QEvent* event) {
    if ((event->type() == QEvent::WindowActivate || event->type() == othersChangedEvent()) &&
        isEnabled())
        reloadWhenChanged();
    return QWidget::event(event);
}

void SavedRosterPage::reloadWhenChanged() {
    if (!m_sheetPage)
        return;
    QSqlDatabase db = m_context.database();
    const QString stamp = rosters::rosterStamp(db, m_number);
    if (stamp == m_stamp)
        return;
    // What the undo stack holds was made on rows that are no longer there.
    m_undo->clear();
    if (stamp.isEmpty())
        close();
    else
        reload();
}

bool SavedRosterPage::hasRoster() const {
    return m_sheetPage != nullptr;
}

MonthSheetPage* SavedRosterPage::sheetPage() const {
    return m_sheetPage;
}

bool SavedRosterPage::reload(const rosters::Edit* edit) {
    QSqlDatabase db = m_context.database();
    // Read first: a change made while the roster is read shows at the next look.
    const QString stamp = rosters::rosterStamp(db, m_number);
    rosters::SavedRoster saved;
    QList<rosters::Lock> locks;
    QString error;
    if (!rosters::loadSavedRoster(db, m_number, &saved, &error) ||
        !rosters::loadLocks(db, m_number, &locks, &error)) {
        m_context.prompt().information(error);
        return false;
    }
    auto tables = std::make_unique<rosters::RosterTables>(saved);
    if (!tables->ok()) {
        m_context.prompt().information(tables->error());
        return false;
    }
    if (m_sheetPage) {
        // Changed by hand: the open sheet takes it, where the planner is.
        m_sheetPage->setRoster(saved.sheet, tables->db());
    } else {
        auto* sheetPage = new MonthSheetPage(m_context, saved.sheet, tables->db(), this);
        if (!sheetPage->hasRoster()) {
            delete sheetPage;
            return false;
        }
        m_sheetPage = sheetPage;
        m_sheetPage->setMoreLegend({{kWarningFill, kWarningMeaning},
                                    {kEditedFill, kEdited},
                                    {kLockedFill, kLockedMeaning}});
        m_sheetArea->addWidget(sheetPage);
        // Two cells are chosen for a swap.
        sheetPage->sheetView()->setSelectionMode(QAbstractItemView::ExtendedSelection);
    }
    if (ScoreTab* tab = m_sheetPage->scoreTab())
        tab->showComparison(m_context.scoreComparison(m_number));
    m_tables = std::move(tables);
    m_saved = std::move(saved);
    m_locks = std::move(locks);
    m_stamp = stamp;

    setWindowTitle(m_saved.summary.name + QStringLiteral(" - 排班存档"));
    // The sheet under it shows the period.
    m_title->setText(m_saved.summary.name);
    const QString gone = rosters::goneText(m_saved);
    m_gone->setText(gone);
    m_gone->setVisible(!gone.isEmpty());
    checkRoster(edit);
    if (m_checkerReady)
        m_sheetPage->setWarnings(m_found);
    applyMarks();
    if (edit) {
        // The warning list may just have appeared and taken room from the
        // sheet: the edited cell is brought back into view once it has.
        QTimer::singleShot(0, m_sheetPage, [view = m_sheetPage->sheetView()] {
            view->scrollTo(view->currentIndex());
        });
    }
    return true;
}

void SavedRosterPage::checkRoster(const rosters::Edit* edit) {
    const monthsheet::MonthSheet& sheet = m_saved.sheet;
    if (edit && m_checkerReady) {
        QList<int> people, dates;
        for (const rosters::RowChange& change : edit->changes)
            for (const rosters::DutyRow& row : {change.before, change.after}) {
                for (int i = 0; i < sheet.people.size(); ++i)
                    if (sheet.people.at(i).idid == row.person && !people.contains(i))
                        people << i;
                const int date = int(sheet.dates.indexOf(QDate::fromString(row.date, Qt::ISODate)));
                if (date >= 0 && !dates.contains(date))
                    dates << date;
            }
        m_found = m_checker.recheck(m_found, sheet, people, dates);
        return;
    }
    // The set-up may have changed since the page last looked.
    QSqlDatabase db = m_context.database();
    QString error;
    m_checker = rosters::RosterChecker();
    // What was worked before this roster's own first date.
    m_checkerReady = m_checker.loadFor(db, sheet.dates.value(0), &error);
    if (!m_checkerReady) {
        m_found.clear();
        return;
    }
    m_found = m_checker.check(sheet);
}

void SavedRosterPage::applyMarks() {
    if (!m_sheetPage)
        return;
    const monthsheet::MonthSheet& sheet = m_saved.sheet;
    QHash<qsizetype, monthsheet::SheetModel::CellMark> marks;
    m_warningList->clear();
    for (const rosters::SavedSlot& slot : m_saved.dutySlots)
        for (int i = 0; i < slot.people.size(); ++i)
            if (slot.byHand.at(i))
                marks[qsizetype(slot.people.at(i)) * sheet.dates.size() + slot.date] = {
                    QBrush(kEditedFill), {kEdited}};
    for (int person = 0; person < sheet.people.size(); ++person)
        for (int date = 0; date < sheet.dates.size(); ++date)
            if (rosters::holds(m_locks, sheet, person, date)) {
                const qsizetype key = qsizetype(person) * sheet.dates.size() + date;
                marks[key].background = QBrush(kLockedFill);
                marks[key].notes << kLocked;
            }
    // A cell's warning marks it; a slot's (too few or too many) names the
    // shift in the list only.
    for (const rosters::Warning& warning : std::as_const(m_found)) {
        m_warningList->addItem(rosters::warningLine(sheet, warning));
        if (warning.person < 0)
            continue;
        const qsizetype key = qsizetype(warning.person) * sheet.dates.size() + warning.date;
        marks[key].background = QBrush(kWarningFill);
        marks[key].notes << warning.text;
    }
    const bool warned = m_warningList->count() > 0;
    if (warned && m_warningBox->isHidden()) {
        // Appearing, the list takes a fifth of the room: the sheet keeps the rest.
        m_warningBox->show();
        m_split->setSizes({4 * kSplitUnit, kSplitUnit});
    }
    m_warningBox->setVisible(warned);
    m_sheetPage->model()->setCellMarks(std::move(marks));
}

bool SavedRosterPage::currentCell(int* person, int* date) const {
    if (!m_sheetPage)
        return false;
    const QModelIndex current = m_sheetPage->sheetView()->currentIndex();
    *person = m_sheetPage->model()->personAt(current.row());
    *date = m_sheetPage->model()->dateAt(current.column());
    return current.isValid() && *person >= 0 && *date >= 0;
}

void SavedRosterPage::toggleLock(rosters::LockKind kind) {
    int person = -1, date = -1;
    if (!currentCell(&person, &date))
        return;
    rosters::Lock lock;
    lock.kind = kind;
    lock.date = m_saved.sheet.dates.at(date);
    lock.person = m_saved.sheet.people.at(person).idid;
    const bool locked = std::any_of(m_locks.begin(), m_locks.end(), [&](const rosters::Lock& own) {
        return own.kind == kind && (kind == rosters::LockKind::Person || own.date == lock.date) &&
               (kind == rosters::LockKind::Date || own.person == lock.person);
    });
    QSqlDatabase db = m_context.database();
    QString error;
    if (!rosters::setLocked(db, m_number, lock, !locked, &error) ||
        !rosters::loadLocks(db, m_number, &m_locks, &error)) {
        m_context.prompt().information(error);
        return;
    }
    // Its own change is no reason to read the roster again.
    m_stamp = rosters::rosterStamp(db, m_number);
    applyMarks();
}

} // namespace korvane

namespace korvane {

namespace {

engine::RosterFilter filterOf(const QLineEdit* person, const QLineEdit* shift) {
    engine::RosterFilter filter;
    filter.person = person->text();
    filter.byPerson = !filter.person.isEmpty();
    filter.shift = shift->text();
    filter.byShift = !filter.shift.isEmpty();
    return filter;
}

} // namespace

void SavedRosterPage::query() {
    if (!m_sheetPage)
        return;
    const engine::RosterFilter filter = filterOf(m_personQuery, m_shiftQuery);
    for (const QString& text : {filter.person, filter.shift}) {
        const QString problem = engine::queryTextProblem(text);
        if (!problem.isEmpty()) {
            m_context.prompt().information(problem);
            return;
        }
    }
    QStringList title;
    for (const QString& text : {filter.person, filter.shift})
        if (!text.isEmpty())
            title << text;
    m_sheetPage->showDuties(title.isEmpty() ? kAllDuties : title.join(QStringLiteral("、")),
                            engine::rosterQuery(filter));
}

void SavedRosterPage::makeReport() {
    if (!m_tables)
        return;
    const engine::RosterFilter filter = filterOf(m_personQuery, m_shiftQuery);
    showRosterReport(m_context, this, m_tables->db(), engine::rosterQuery(filter),
                     rosters::rowHeightFactor(m_saved),
                     report::askedText(filter.person, filter.shift));
}

bool SavedRosterPage::apply(rosters::Edit* edit) {
    QSqlDatabase db = m_context.database();
    QString error;
    if (!rosters::applyEdit(db, m_number, edit, &error)) {
        m_context.prompt().information(error);
        return false;
    }
    reload(edit);
    return true;
}

void SavedRosterPage::push(rosters::Edit edit, const QString& text) {
    if (edit.isEmpty() || !apply(&edit))
        return;
    m_undo->push(new EditCommand(this, std::move(edit), text));
}

void SavedRosterPage::replaceInCell(int shift, int person) {
    int row = -1, date = -1;
    if (!currentCell(&row, &date))
        return;
    const int slot = m_saved.slotOf(date, shift);
    const int position = slot < 0 ? -1 : int(m_saved.dutySlots.at(slot).people.indexOf(row));
    if (position < 0)
        return;
    push(rosters::replacePerson(m_saved, slot, position, m_saved.sheet.people.at(person).idid),
         kReplace);
}

void SavedRosterPage::removeFromCell(int shift) {
    int row = -1, date = -1;
    if (!currentCell(&row, &date))
        return;
    const int slot = m_saved.slotOf(date, shift);
    const int position = slot < 0 ? -1 : int(m_saved.dutySlots.at(slot).people.indexOf(row));
    if (position >= 0)
        push(rosters::removeDuty(m_saved, slot, position), kRemove);
}

void SavedRosterPage::addToCell(int shift) {
    int row = -1, date = -1;
    if (currentCell(&row, &date))
        push(rosters::addDuty(m_saved, row, date, shift), kAdd);
}

void SavedRosterPage::swapSelectedCells() {
    if (!m_sheetPage)
        return;
    QList<std::pair<int, int>> cells;
    for (const QModelIndex& index : m_sheetPage->sheetView()->selectionModel()->selectedIndexes()) {
        const int person = m_sheetPage->model()->personAt(index.row());
        const int date = m_sheetPage->model()->dateAt(index.column());
        if (person >= 0 && date >= 0)
            cells.append({person, date});
    }
    if (cells.size() != 2)
        return;
    push(rosters::swapCells(m_saved, cells.at(0).first, cells.at(0).second, cells.at(1).first,
                            cells.at(1).second),
         kSwap);
}

// A shift of the cell: itself when there is one, else chosen from a menu.
namespace {

int chooseFrom(QWidget* parent, const QStringList& texts) {
    if (texts.size() == 1)
        return 0;
    if (texts.isEmpty())
        return -1;
    QMenu menu(parent);
    for (int i = 0; i < texts.size(); ++i)
        menu.addAction(texts.at(i))->setData(i);
    QAction* chosen = menu.exec(QCursor::pos());
    return chosen ? chosen->data().toInt() : -1;
}

} // namespace

void SavedRosterPage::chooseReplacement() {
    int row = -1, date = -1;
    if (!currentCell(&row, &date))
        return;
    const monthsheet::MonthSheet& sheet = m_saved.sheet;
    const QList<int> held = sheet.cell(row, date);
    QStringList names;
    for (int shift : held)
        names << sheet.shifts.at(shift).name;
    const int which = chooseFrom(this, names);
    if (which < 0)
        return;
    // Who is free that day, fewest shifts first, with what taking it would break.
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("candidates"));
    if (m_checkerReady) {
        for (const rosters::Replacement& free :
             m_checker.replacements(sheet, date, held.at(which), row)) {
            // Free that day: a second shift on a day is added, not swapped in.
            if (!sheet.cell(free.person, date).isEmpty())
                continue;
            QStringList broken;
            for (const rosters::Warning& warning : free.warnings)
                broken << warning.text;
            QString text = kCandidate.arg(sheet.people.at(free.person).name).arg(free.shifts);
            if (!broken.isEmpty())
                text += QStringLiteral(" — ") + broken.join(QStringLiteral("；"));
            menu.addAction(text)->setData(free.person);
        }
    } else {
        for (int person : rosters::freePeople(m_saved, date))
            menu.addAction(
                    kCandidate.arg(sheet.people.at(person).name).arg(shiftCount(sheet, person)))
                ->setData(person);
    }
    QAction* chosen = menu.exec(QCursor::pos());
    if (chosen)
        replaceInCell(held.at(which), chosen->data().toInt());
}

void SavedRosterPage::chooseRemoval() {
    int row = -1, date = -1;
    if (!currentCell(&row, &date))
        return;
    const QList<int> held = m_saved.sheet.cell(row, date);
    QStringList names;
    for (int shift : held)
        names << m_saved.sheet.shifts.at(shift).name;
    const int which = chooseFrom(this, names);
    if (which >= 0)
        removeFromCell(held.at(which));
}

void SavedRosterPage::chooseAddition() {
    int row = -1, date = -1;
    if (!currentCell(&row, &date))
        return;
    QStringList names;
    QList<int> shifts;
    for (int shift = 0; shift < m_saved.sheet.shifts.size(); ++shift)
        if (!m_saved.sheet.cell(row, date).contains(shift)) {
            names << m_saved.sheet.shifts.at(shift).name;
            shifts << shift;
        }
    const int which = chooseFrom(this, names);
    if (which >= 0)
        addToCell(shifts.at(which));
}

} // namespace korvane
