#include "limits/ui/limitspage.h"

#include "editors/period.h"
#include "ui/controls.h"
#include "ui/pagecontext.h"
#include "ui/singlepress.h"

#include <QComboBox>
#include <QCompleter>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace korvane {

namespace {

const QString kTitle = QStringLiteral("人员限制与休假");
const QString kHelp = QStringLiteral(
    "在单元格中填写排班期间的上限：留空表示不限，0 表示不排此类班。组的限制对组内每个人都有效；"
    "一个人同时受本人和组的限制时，以最严的为准。最少休息小时是一个班结束到下一个班开始至少间隔"
    "的小时数（跨日班在次日结束）。休假期间不排此人的任何班。");
const QStringList kLeaveCaptions = {QStringLiteral("姓名"), QStringLiteral("开始日期"),
                                    QStringLiteral("结束日期"), QStringLiteral("原因")};
constexpr int kNumberRole = Qt::UserRole + 1;

QTableView* makeGrid(const char* name, QWidget* parent) {
    auto* grid = new QTableView(parent);
    grid->setObjectName(QLatin1String(name));
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->verticalHeader()->hide();
    return grid;
}

} // namespace

LimitsPage::LimitsPage(PageContext& context, QWidget* parent)
    : QWidget(parent), m_context(context), m_editor(context.database(), context.prompt()) {
    setObjectName(QStringLiteral("limitsPage"));
    setWindowTitle(kTitle);
    setAttribute(Qt::WA_DeleteOnClose);

    m_personModel = new limits::LimitsTableModel(m_editor, limits::Target::Person, this);
    m_groupModel = new limits::LimitsTableModel(m_editor, limits::Target::Group, this);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("limitsTabs"));
    m_tabs->addTab(
        buildLimitsTab(m_personModel, "personLimits", "clearPersonLimits", &m_personGrid),
        QStringLiteral("人员限制"));
    m_tabs->addTab(buildLimitsTab(m_groupModel, "groupLimits", "clearGroupLimits", &m_groupGrid),
                   QStringLiteral("组限制"));
    m_tabs->addTab(buildLeaveTab(), QStringLiteral("休假"));

    auto* help = new QLabel(kHelp, this);
    help->setObjectName(QStringLiteral("limitsHelp"));
    help->setWordWrap(true);
    auto* close = namedButton("closeLimits", QStringLiteral("关闭"), this);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(help, 1);
    bottom->addWidget(close, 0, Qt::AlignBottom);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs, 1);
    layout->addLayout(bottom);
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    // New leave starts on the first day of the period.
    if (const std::optional<period::Range> range = period::current(context.database())) {
        const QDate first = QDate::fromString(range->first, Qt::ISODate);
        if (first.isValid()) {
            m_first->setDate(first);
            m_last->setDate(first);
        }
    }
    reload();
    resize(720, 460);
}

QWidget* LimitsPage::buildLimitsTab(limits::LimitsTableModel* model, const char* gridName,
                                    const char* clearName, QTableView** grid) {
    auto* tab = new QWidget(this);
    *grid = makeGrid(gridName, tab);
    QTableView* view = *grid;
    view->setModel(model);
    view->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::DoubleClicked |
                          QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    // The limits share the room; the names take what they need.
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    view->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    auto* clear = namedButton(clearName, QStringLiteral("清除所选行的限制"), tab);
    connectSinglePress(clear, this, [this, view, model] { clearSelected(view, model); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(clear);
    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(view, 1);
    layout->addLayout(buttons);
    return tab;
}

QWidget* LimitsPage::buildLeaveTab() {
    auto* tab = new QWidget(this);
    m_leaveGrid = makeGrid("leaveList", tab);
    m_leaveGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_leaveModel = new QStandardItemModel(this);
    m_leaveGrid->setModel(m_leaveModel);
    m_leaveGrid->horizontalHeader()->setStretchLastSection(true);
    m_leaveGrid->horizontalHeader()->setSortIndicator(1, Qt::AscendingOrder);
    m_leaveGrid->setSortingEnabled(true);

    m_person = new QComboBox(tab);
    m_person->setObjectName(QStringLiteral("leavePerson"));
    // A long staff list is found by typing part of a name.
    m_person->setEditable(true);
    m_person->setInsertPolicy(QComboBox::NoInsert);
    m_person->completer()->setCompletionMode(QCompleter::PopupCompletion);
    m_person->completer()->setFilterMode(Qt::MatchContains);
    m_person->setMinimumContentsLength(6);
    m_first = makePicker("leaveFirst", tab);
    m_last = makePicker("leaveLast", tab);
    m_reason = new QComboBox(tab);
    m_reason->setObjectName(QStringLiteral("leaveReason"));
    m_reason->setEditable(true);
    m_reason->setInsertPolicy(QComboBox::NoInsert);
    m_reason->setMinimumContentsLength(6);

    auto* entry = new QGridLayout;
    entry->addWidget(new QLabel(QStringLiteral("人员"), tab), 0, 0);
    entry->addWidget(m_person, 0, 1);
    entry->addWidget(new QLabel(QStringLiteral("原因"), tab), 0, 2);
    entry->addWidget(m_reason, 0, 3);
    entry->addWidget(new QLabel(QStringLiteral("从"), tab), 1, 0);
    entry->addWidget(m_first, 1, 1);
    entry->addWidget(new QLabel(QStringLiteral("到"), tab), 1, 2);
    entry->addWidget(m_last, 1, 3);
    entry->setColumnStretch(1, 1);
    entry->setColumnStretch(3, 1);

    auto* add = namedButton("addLeave", QStringLiteral("添加休假"), tab);
    auto* change = namedButton("changeLeave", QStringLiteral("修改所选休假"), tab);
    auto* remove = namedButton("deleteLeave", QStringLiteral("删除所选休假"), tab);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(add);
    buttons->addWidget(change);
    buttons->addWidget(remove);

    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(m_leaveGrid, 1);
    layout->addLayout(entry);
    layout->addLayout(buttons);

    connect(add, &QPushButton::clicked, this, &LimitsPage::addLeave);
    connect(change, &QPushButton::clicked, this, &LimitsPage::changeLeave);
    connectSinglePress(remove, this, &LimitsPage::deleteLeave);
    // A start moved past the end takes the end along.
    connect(m_first, &QDateEdit::dateChanged, this, [this](const QDate& first) {
        if (m_last->date() < first)
            m_last->setDate(first);
    });
    connect(m_leaveGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &LimitsPage::showSelectedLeave);
    return tab;
}

void LimitsPage::reload() {
    m_personModel->reload();
    m_groupModel->reload();

    const QString typed = m_person->currentText();
    m_person->clear();
    if (const auto people = m_editor.people())
        for (const limits::PersonChoice& person : *people)
            m_person->addItem(person.name, person.idid);
    m_person->setCurrentIndex(m_person->findText(typed));
    fillReasons();
    fillLeave(selectedLeave());
}

// The reasons offered: the usual ones and those typed before; what the box
// shows stays.
void LimitsPage::fillReasons() {
    const QString reason = m_reason->currentText();
    m_reason->clear();
    m_reason->addItems(m_editor.reasons());
    m_reason->setCurrentText(reason.isEmpty() ? m_reason->itemText(0) : reason);
}

void LimitsPage::clearSelected(QTableView* grid, limits::LimitsTableModel* model) {
    const QModelIndex current = grid->currentIndex();
    if (current.isValid())
        model->clearRow(current.row());
}

void LimitsPage::fillLeave(qint64 current) {
    const std::optional<QList<limits::LeaveRow>> rows = m_editor.leave();
    m_leaveModel->clear();
    m_leaveModel->setHorizontalHeaderLabels(kLeaveCaptions);
    if (!rows)
        return;
    for (const limits::LeaveRow& row : *rows) {
        QList<QStandardItem*> items;
        for (const QString& text : {row.name, row.firstText, row.lastText, row.entry.reason})
            items << new QStandardItem(text);
        items.first()->setData(row.number, kNumberRole);
        m_leaveModel->appendRow(items);
    }
    const QHeaderView* header = m_leaveGrid->horizontalHeader();
    m_leaveModel->sort(header->sortIndicatorSection(), header->sortIndicatorOrder());
    m_leaveGrid->resizeColumnsToContents();
    for (int row = 0; row < m_leaveModel->rowCount(); ++row) {
        if (m_leaveModel->item(row)->data(kNumberRole).toLongLong() == current) {
            m_leaveGrid->selectRow(row);
            m_leaveGrid->scrollTo(m_leaveModel->index(row, 0));
        }
    }
}

qint64 LimitsPage::selectedLeave() const {
    const QModelIndex current = m_leaveGrid->currentIndex();
    if (!current.isValid())
        return 0;
    return m_leaveModel->item(current.row())->data(kNumberRole).toLongLong();
}

void LimitsPage::showSelectedLeave() {
    const qint64 number = selectedLeave();
    if (number == 0)
        return;
    const std::optional<QList<limits::LeaveRow>> rows = m_editor.leave();
    if (!rows)
        return;
    for (const limits::LeaveRow& row : *rows) {
        if (row.number != number)
            continue;
        // A deleted person is no choice: the box stays empty.
        m_person->setCurrentIndex(m_person->findData(row.entry.person));
        if (row.deleted)
            m_person->setEditText(QString());
        if (row.entry.first.isValid())
            m_first->setDate(row.entry.first);
        if (row.entry.last.isValid())
            m_last->setDate(row.entry.last);
        m_reason->setCurrentText(row.entry.reason);
    }
}

limits::LeaveEntry LimitsPage::typedLeave() const {
    const int person = m_person->findText(m_person->currentText(), Qt::MatchExactly);
    return {person >= 0 ? m_person->itemData(person).toLongLong() : 0, m_first->date(),
            m_last->date(), m_reason->currentText()};
}

void LimitsPage::addLeave() {
    if (const std::optional<qint64> added = m_editor.addLeave(typedLeave())) {
        fillLeave(*added);
        fillReasons();
    }
}

void LimitsPage::changeLeave() {
    const qint64 number = selectedLeave();
    if (number != 0 && m_editor.changeLeave(number, typedLeave())) {
        fillLeave(number);
        fillReasons();
    }
}

void LimitsPage::deleteLeave() {
    const QModelIndex current = m_leaveGrid->currentIndex();
    const qint64 number = selectedLeave();
    if (number == 0 || !m_editor.deleteLeave(number))
        return;
    fillLeave(0);
    // The row that took the deleted one's place becomes current.
    const int row = std::min(current.row(), m_leaveModel->rowCount() - 1);
    if (row >= 0)
        m_leaveGrid->selectRow(row);
}

} // namespace korvane
