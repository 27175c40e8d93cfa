#include "targets/ui/targetspage.h"

#include "editors/period.h"
#include "targets/wishcsv.h"
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
#include <QLocale>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace korvane {

namespace {

using targets::DayMark;
using targets::FairnessKind;
using targets::TargetKind;

const QString kTitle = QStringLiteral("排班目标与意愿");
const QString kHelp = QStringLiteral(
    "这里的设置说明怎样的值班表更好，用于评分和优化：目标、意愿、公平和理想人数都不是硬性规定，"
    "达不到时按权重扣分；禁止衔接则和约束条件一样，生成值班表时一定遵守。什么都不设时，生成的"
    "值班表和以前完全一样。");
const QString kWishHelp = QStringLiteral(
    "从 CSV 文件导入：每行依次为 人员、开始日期、结束日期、班次（或班次组、全天）、想/不想、权重、"
    "原因（可不填）；第一行可以是标题。UTF-8 或 Excel 另存的 GBK 编码均可。有一行出错则整个文件"
    "不导入，并列出出错的行。");
const QString kFairnessHelp = QStringLiteral(
    "同组成员之间工时、夜班、周末班、节假日班的分配越不均，扣分越多：每人与其公平份额相差一小时"
    "（工时）或一个班（其余三项）扣一次权重。公平份额是组平均；因休假、约束条件或限制上不到"
    "组平均的人，份额是他能上的，其余的人平分余下的部分。灰色是“全部”组未设置时使用的默认值；"
    "填 0 表示不考虑这一项，清空恢复默认。");
const QString kIdealHelp = QStringLiteral(
    "人数是生成值班表时每个班至少要排的人数；理想人数是希望达到的人数，每少一人扣一次权重。"
    "理想人数留空表示不设。最多人数是优化时一个班最多可排的人数，不少于人数和理想人数，"
    "排到最多人数不扣分；留空时最多排到人数与理想人数中较大的一个。");
const QString kSuccessionHelp =
    QStringLiteral("例如“夜班 后次日不上 白班”：某人某天上了前一个班次，第二天就不排后一个班次。"
                   "生成值班表时一定遵守（包括排班期间前一天已排的班），与约束条件相同。");
const QString kHolidayHelp = QStringLiteral(
    "选择日期后标记：节假日按周末对待，调休上班的星期六、星期日按工作日对待。周末班数、"
    "周末目标、排班总表的周末底色都按标记计算。“按标记设定日期组”把日期组 周末、节假日"
    "（以及已有的 工作日）的成员改成与标记一致。");
const QString kGroupSuffix = QStringLiteral("（组）");
const QString kShiftGroupSuffix = QStringLiteral("（班次组）");
const QString kWanted = QStringLiteral("想");
const QString kNotWanted = QStringLiteral("不想");
const QString kCsvFilter = QStringLiteral("CSV 文件 (*.csv);;所有文件 (*)");
constexpr int kNumberRole = Qt::UserRole + 1;

QTableView* makeList(const char* name, QStandardItemModel* model, QWidget* parent) {
    auto* grid = new QTableView(parent);
    grid->setObjectName(QLatin1String(name));
    grid->setModel(model);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->setStretchLastSection(true);
    return grid;
}

QComboBox* makeCombo(const char* name, QWidget* parent, bool typed = false) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QLatin1String(name));
    if (typed) {
        // A long staff list is found by typing part of a name.
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        combo->completer()->setCompletionMode(QCompleter::PopupCompletion);
        combo->completer()->setFilterMode(Qt::MatchContains);
    }
    combo->setMinimumContentsLength(6);
    return combo;
}

QLineEdit* makeEdit(const char* name, QWidget* parent, int width = 60) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setMaximumWidth(width);
    return edit;
}

QLabel* helpLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

// A row of the three buttons of a list, right-aligned.
QHBoxLayout* buttonRow(const QList<QPushButton*>& buttons) {
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    for (QPushButton* button : buttons)
        row->addWidget(button);
    return row;
}

QStandardItem* item(const QString& text, bool editable = false) {
    auto* cell = new QStandardItem(text);
    cell->setEditable(editable);
    return cell;
}

qint64 numberOf(const QTableView* grid, const QStandardItemModel* model) {
    const QModelIndex current = grid->currentIndex();
    return current.isValid() ? model->item(current.row())->data(kNumberRole).toLongLong() : 0;
}

void selectNumber(QTableView* grid, const QStandardItemModel* model, qint64 number) {
    for (int row = 0; row < model->rowCount(); ++row)
        if (number != 0 && model->item(row)->data(kNumberRole).toLongLong() == number) {
            grid->selectRow(row);
            grid->scrollTo(model->index(row, 0));
        }
}

// A shift or shift group as a chooser's item: its name, marked when a group.
void addShiftChoices(QComboBox* combo, const QList<targets::ShiftChoice>& choices) {
    for (const targets::ShiftChoice& choice : choices)
        combo->addItem(choice.name + (choice.group ? kShiftGroupSuffix : QString()),
                       QVariantList{choice.name, choice.group});
}

void selectShift(QComboBox* combo, const QString& name, bool group) {
    combo->setCurrentIndex(combo->findData(QVariantList{name, group}));
}

std::pair<QString, bool> chosenShift(const QComboBox* combo) {
    const QVariantList data = combo->currentData().toList();
    return data.size() == 2 ? std::pair{data.at(0).toString(), data.at(1).toBool()}
                            : std::pair{QString(), false};
}

QString shiftText(const QString& name, bool group) {
    return name + (group ? kShiftGroupSuffix : QString());
}

} // namespace

TargetsPage::TargetsPage(PageContext& context, QWidget* parent)
    : QWidget(parent), m_context(context), m_editor(context.database(), context.prompt()),
      m_holidays(context.database(), context.prompt()) {
    setObjectName(QStringLiteral("targetsPage"));
    setWindowTitle(kTitle);
    setAttribute(Qt::WA_DeleteOnClose);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("targetsTabs"));
    m_tabs->addTab(buildTargetsTab(), QStringLiteral("目标"));
    m_tabs->addTab(buildWishesTab(), QStringLiteral("意愿"));
    m_tabs->addTab(buildFairnessTab(), QStringLiteral("公平与权重"));
    m_tabs->addTab(buildIdealTab(), QStringLiteral("理想人数"));
    m_tabs->addTab(buildSuccessionsTab(), QStringLiteral("禁止衔接"));
    m_tabs->addTab(buildHolidaysTab(), QStringLiteral("节假日"));

    auto* help = helpLabel(kHelp, this);
    help->setObjectName(QStringLiteral("targetsHelp"));
    auto* close = namedButton(QStringLiteral("closeTargets"), QStringLiteral("关闭"), this);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(help, 1);
    bottom->addWidget(close, 0, Qt::AlignBottom);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs, 1);
    layout->addLayout(bottom);
    connect(close, &QPushButton::clicked, this, &QWidget::close);

    // New wishes start on the first day of the period.
    if (const std::optional<period::Range> range = period::current(context.database())) {
        const QDate first = QDate::fromString(range->first, Qt::ISODate);
        if (first.isValid()) {
            m_wishFirst->setDate(first);
            m_wishLast->setDate(first);
        }
    }
    reload();
    resize(740, 480);
}

QWidget* TargetsPage::buildTargetsTab() {
    auto* tab = new QWidget(this);
    m_targetModel = new QStandardItemModel(this);
    m_targetList = makeList("targetList", m_targetModel, tab);
    m_targetFor = makeCombo("targetFor", tab, true);
    m_targetKind = makeCombo("targetKind", tab);
    for (const QString& kind : targets::targetKindTexts)
        m_targetKind->addItem(kind);
    m_targetShift = makeCombo("targetShift", tab);
    m_least = makeEdit("targetLeast", tab);
    m_most = makeEdit("targetMost", tab);
    m_targetWeight = makeEdit("targetWeight", tab);
    m_targetWeight->setText(QString::number(targets::defaultWeight));

    auto* entry = new QGridLayout;
    entry->addWidget(new QLabel(QStringLiteral("对象"), tab), 0, 0);
    entry->addWidget(m_targetFor, 0, 1);
    entry->addWidget(new QLabel(QStringLiteral("种类"), tab), 0, 2);
    entry->addWidget(m_targetKind, 0, 3);
    entry->addWidget(new QLabel(QStringLiteral("班次"), tab), 0, 4);
    entry->addWidget(m_targetShift, 0, 5);
    entry->addWidget(new QLabel(QStringLiteral("最少"), tab), 1, 0);
    entry->addWidget(m_least, 1, 1, Qt::AlignLeft);
    entry->addWidget(new QLabel(QStringLiteral("最多"), tab), 1, 2);
    entry->addWidget(m_most, 1, 3, Qt::AlignLeft);
    entry->addWidget(new QLabel(QStringLiteral("权重"), tab), 1, 4);
    entry->addWidget(m_targetWeight, 1, 5, Qt::AlignLeft);
    entry->setColumnStretch(1, 1);
    entry->setColumnStretch(3, 1);
    entry->setColumnStretch(5, 1);

    auto* add = namedButton(QStringLiteral("addTarget"), QStringLiteral("添加目标"), tab);
    auto* change = namedButton(QStringLiteral("changeTarget"), QStringLiteral("修改所选目标"), tab);
    auto* remove = namedButton(QStringLiteral("deleteTarget"), QStringLiteral("删除所选目标"), tab);
    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(m_targetList, 1);
    layout->addLayout(entry);
    layout->addLayout(buttonRow({add, change, remove}));

    connect(add, &QPushButton::clicked, this, [this] {
        if (const auto added = m_editor.addTarget(typedTarget()))
            fillTargets(*added);
    });
    connect(change, &QPushButton::clicked, this, [this] {
        const qint64 number = numberOf(m_targetList, m_targetModel);
        if (number != 0 && m_editor.changeTarget(number, typedTarget()))
            fillTargets(number);
    });
    connectSinglePress(remove, this, [this] {
        const qint64 number = numberOf(m_targetList, m_targetModel);
        if (number != 0 && m_editor.deleteTarget(number))
            fillTargets(0);
    });
    connect(m_targetKind, &QComboBox::currentIndexChanged, this, &TargetsPage::targetKindChanged);
    connect(m_targetList->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &TargetsPage::showSelectedTarget);
    return tab;
}

QWidget* TargetsPage::buildWishesTab() {
    auto* tab = new QWidget(this);
    m_wishModel = new QStandardItemModel(this);
    m_wishList = makeList("wishList", m_wishModel, tab);
    m_wishPerson = makeCombo("wishPerson", tab, true);
    m_wishFirst = makePicker("wishFirst", tab);
    m_wishLast = makePicker("wishLast", tab);
    m_wishShift = makeCombo("wishShift", tab);
    m_wanted = makeCombo("wishWanted", tab);
    m_wanted->addItem(kNotWanted, false);
    m_wanted->addItem(kWanted, true);
    m_wishWeight = makeEdit("wishWeight", tab);
    m_wishWeight->setText(QString::number(targets::defaultWeight));
    m_wishReason = makeEdit("wishReason", tab, QWIDGETSIZE_MAX);

    auto* entry = new QGridLayout;
    entry->addWidget(new QLabel(QStringLiteral("人员"), tab), 0, 0);
    entry->addWidget(m_wishPerson, 0, 1);
    entry->addWidget(new QLabel(QStringLiteral("从"), tab), 0, 2);
    entry->addWidget(m_wishFirst, 0, 3);
    entry->addWidget(new QLabel(QStringLiteral("到"), tab), 0, 4);
    entry->addWidget(m_wishLast, 0, 5);
    entry->addWidget(m_wanted, 1, 0);
    entry->addWidget(m_wishShift, 1, 1);
    entry->addWidget(new QLabel(QStringLiteral("权重"), tab), 1, 2);
    entry->addWidget(m_wishWeight, 1, 3, Qt::AlignLeft);
    entry->addWidget(new QLabel(QStringLiteral("原因"), tab), 1, 4);
    entry->addWidget(m_wishReason, 1, 5);
    entry->setColumnStretch(1, 1);
    entry->setColumnStretch(5, 1);

    auto* import = namedButton(QStringLiteral("importWishes"), QStringLiteral("从 CSV 导入…"), tab);
    import->setToolTip(kWishHelp);
    auto* add = namedButton(QStringLiteral("addWish"), QStringLiteral("添加意愿"), tab);
    auto* change = namedButton(QStringLiteral("changeWish"), QStringLiteral("修改所选意愿"), tab);
    auto* remove = namedButton(QStringLiteral("deleteWish"), QStringLiteral("删除所选意愿"), tab);
    QHBoxLayout* buttons = buttonRow({add, change, remove});
    buttons->insertWidget(0, import);
    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(m_wishList, 1);
    layout->addLayout(entry);
    layout->addLayout(buttons);

    connect(import, &QPushButton::clicked, this, &TargetsPage::importWishes);
    connect(add, &QPushButton::clicked, this, [this] {
        if (const auto added = m_editor.addWish(typedWish()))
            fillWishes(*added);
    });
    connect(change, &QPushButton::clicked, this, [this] {
        const qint64 number = numberOf(m_wishList, m_wishModel);
        if (number != 0 && m_editor.changeWish(number, typedWish()))
            fillWishes(number);
    });
    connectSinglePress(remove, this, [this] {
        const qint64 number = numberOf(m_wishList, m_wishModel);
        if (number != 0 && m_editor.deleteWish(number))
            fillWishes(0);
    });
    // A start moved past the end takes the end along.
    connect(m_wishFirst, &QDateEdit::dateChanged, this, [this](const QDate& first) {
        if (m_wishLast->date() < first)
            m_wishLast->setDate(first);
    });
    connect(m_wishList->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &TargetsPage::showSelectedWish);
    return tab;
}

QWidget* TargetsPage::buildFairnessTab() {
    auto* tab = new QWidget(this);
    m_fairnessModel = new QStandardItemModel(this);
    m_fairnessGrid = makeList("fairnessGrid", m_fairnessModel, tab);
    m_fairnessGrid->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_fairnessGrid->setEditTriggers(QAbstractItemView::AllEditTriggers);
    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(m_fairnessGrid, 1);
    layout->addWidget(helpLabel(kFairnessHelp, tab));
    connect(m_fairnessModel, &QStandardItemModel::itemChanged, this,
            [this](QStandardItem* changed) { fairnessEdited(changed->row(), changed->column()); });
    return tab;
}

QWidget* TargetsPage::buildIdealTab() {
    auto* tab = new QWidget(this);
    m_idealModel = new QStandardItemModel(this);
    m_idealGrid = makeList("idealGrid", m_idealModel, tab);
    m_idealGrid->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_idealGrid->setEditTriggers(QAbstractItemView::AllEditTriggers);
    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(m_idealGrid, 1);
    layout->addWidget(helpLabel(kIdealHelp, tab));
    connect(m_idealModel, &QStandardItemModel::itemChanged, this,
            [this](QStandardItem* changed) { idealEdited(changed->row(), changed->column()); });
    return tab;
}

QWidget* TargetsPage::buildSuccessionsTab() {
    auto* tab = new QWidget(this);
    m_successionModel = new QStandardItemModel(this);
    m_successionList = makeList("successionList", m_successionModel, tab);
    m_before = makeCombo("successionBefore", tab);
    m_after = makeCombo("successionAfter", tab);
    auto* entry = new QHBoxLayout;
    entry->addWidget(m_before, 1);
    entry->addWidget(new QLabel(QStringLiteral("后次日不上"), tab));
    entry->addWidget(m_after, 1);
    auto* add = namedButton(QStringLiteral("addSuccession"), QStringLiteral("添加"), tab);
    auto* change = namedButton(QStringLiteral("changeSuccession"), QStringLiteral("修改所选"), tab);
    auto* remove = namedButton(QStringLiteral("deleteSuccession"), QStringLiteral("删除所选"), tab);
    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(m_successionList, 1);
    layout->addLayout(entry);
    layout->addLayout(buttonRow({add, change, remove}));
    layout->addWidget(helpLabel(kSuccessionHelp, tab));

    connect(add, &QPushButton::clicked, this, [this] {
        if (const auto added = m_editor.addSuccession(typedSuccession()))
            fillSuccessions(*added);
    });
    connect(change, &QPushButton::clicked, this, [this] {
        const qint64 number = numberOf(m_successionList, m_successionModel);
        if (number != 0 && m_editor.changeSuccession(number, typedSuccession()))
            fillSuccessions(number);
    });
    connectSinglePress(remove, this, [this] {
        const qint64 number = numberOf(m_successionList, m_successionModel);
        if (number != 0 && m_editor.deleteSuccession(number))
            fillSuccessions(0);
    });
    connect(m_successionList->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &TargetsPage::showSelectedSuccession);
    return tab;
}

QWidget* TargetsPage::buildHolidaysTab() {
    auto* tab = new QWidget(this);
    m_calendarModel = new QStandardItemModel(this);
    m_calendar = makeList("holidayCalendar", m_calendarModel, tab);
    m_calendar->setSelectionMode(QAbstractItemView::ExtendedSelection);
    auto* holiday = namedButton(QStringLiteral("markHoliday"), QStringLiteral("标为节假日"), tab);
    auto* working =
        namedButton(QStringLiteral("markWorkingWeekend"), QStringLiteral("标为调休上班"), tab);
    auto* clear = namedButton(QStringLiteral("clearMark"), QStringLiteral("清除标记"), tab);
    auto* fill =
        namedButton(QStringLiteral("fillDateGroups"), QStringLiteral("按标记设定日期组"), tab);
    QHBoxLayout* buttons = buttonRow({holiday, working, clear});
    buttons->insertWidget(0, fill);
    auto* layout = new QVBoxLayout(tab);
    layout->addWidget(m_calendar, 1);
    layout->addLayout(buttons);
    layout->addWidget(helpLabel(kHolidayHelp, tab));
    connect(holiday, &QPushButton::clicked, this, [this] { markSelected(DayMark::Holiday); });
    connect(working, &QPushButton::clicked, this,
            [this] { markSelected(DayMark::WorkingWeekend); });
    connect(clear, &QPushButton::clicked, this, [this] { markSelected(DayMark::None); });
    connect(fill, &QPushButton::clicked, this, [this] { m_holidays.fillDateGroups(); });
    return tab;
}

void TargetsPage::reload() {
    fillChoices();
    fillTargets(numberOf(m_targetList, m_targetModel));
    fillWishes(numberOf(m_wishList, m_wishModel));
    fillFairness();
    fillIdeal();
    fillSuccessions(numberOf(m_successionList, m_successionModel));
    fillHolidays();
}

void TargetsPage::fillChoices() {
    const QString targetFor = m_targetFor->currentText();
    const QString person = m_wishPerson->currentText();
    m_targetFor->clear();
    m_wishPerson->clear();
    if (const auto people = m_editor.people())
        for (const targets::Choice& each : *people) {
            m_targetFor->addItem(each.name, QVariantList{false, each.idid});
            m_wishPerson->addItem(each.name, each.idid);
        }
    if (const auto groups = m_editor.staffGroups())
        for (const targets::Choice& each : *groups)
            m_targetFor->addItem(each.name + kGroupSuffix, QVariantList{true, each.idid});
    m_targetFor->setCurrentIndex(m_targetFor->findText(targetFor));
    m_wishPerson->setCurrentIndex(m_wishPerson->findText(person));

    const auto shifts = m_editor.shiftChoices();
    for (QComboBox* combo : {m_targetShift, m_wishShift, m_before, m_after}) {
        const QVariant chosen = combo->currentData();
        combo->clear();
        if (combo == m_targetShift)
            combo->addItem(QStringLiteral("（每个班次）"), QVariantList{QString(), false});
        if (combo == m_wishShift)
            combo->addItem(targets::anyShift, QVariantList{targets::anyShift, false});
        if (shifts)
            addShiftChoices(combo, *shifts);
        combo->setCurrentIndex(std::max(0, combo->findData(chosen)));
    }
    targetKindChanged();
}

void TargetsPage::targetKindChanged() {
    const bool sameShift = m_targetKind->currentIndex() == int(TargetKind::ConsecutiveSameShift);
    const bool bounded = m_targetKind->currentIndex() != int(TargetKind::CompleteWeekends);
    m_targetShift->setEnabled(sameShift);
    m_least->setEnabled(bounded);
    m_most->setEnabled(bounded);
    if (!bounded) {
        m_least->clear();
        m_most->clear();
    }
}

void TargetsPage::fillTargets(qint64 current) {
    m_targetModel->clear();
    m_targetModel->setHorizontalHeaderLabels({QStringLiteral("对象"), QStringLiteral("种类"),
                                              QStringLiteral("班次"), QStringLiteral("最少"),
                                              QStringLiteral("最多"), QStringLiteral("权重")});
    if (const auto rows = m_editor.targets())
        for (const targets::TargetRow& row : *rows) {
            const targets::TargetEntry& entry = row.entry;
            const bool sameShift = entry.kind == TargetKind::ConsecutiveSameShift;
            QList<QStandardItem*> items = {
                item(row.name + (entry.group && !row.deleted ? kGroupSuffix : QString())),
                item(targets::targetKindText(entry.kind)),
                item(sameShift ? shiftText(entry.shift, entry.shiftGroup) : QString()),
                item(entry.least),
                item(entry.most),
                item(entry.weight)};
            items.first()->setData(row.number, kNumberRole);
            m_targetModel->appendRow(items);
        }
    m_targetList->resizeColumnsToContents();
    selectNumber(m_targetList, m_targetModel, current);
}

void TargetsPage::showSelectedTarget() {
    const qint64 number = numberOf(m_targetList, m_targetModel);
    const auto rows = m_editor.targets();
    if (number == 0 || !rows)
        return;
    for (const targets::TargetRow& row : *rows) {
        if (row.number != number)
            continue;
        const targets::TargetEntry& entry = row.entry;
        m_targetFor->setCurrentIndex(m_targetFor->findData(QVariantList{entry.group, entry.idid}));
        if (row.deleted)
            m_targetFor->setEditText(QString());
        m_targetKind->setCurrentIndex(int(entry.kind));
        selectShift(m_targetShift, entry.shift, entry.shiftGroup);
        m_least->setText(entry.least);
        m_most->setText(entry.most);
        m_targetWeight->setText(entry.weight);
    }
}

targets::TargetEntry TargetsPage::typedTarget() const {
    targets::TargetEntry entry;
    const int chosen = m_targetFor->findText(m_targetFor->currentText(), Qt::MatchExactly);
    const QVariantList data = m_targetFor->itemData(chosen).toList();
    if (chosen >= 0 && data.size() == 2) {
        entry.group = data.at(0).toBool();
        entry.idid = data.at(1).toLongLong();
    }
    entry.kind = TargetKind(m_targetKind->currentIndex());
    std::tie(entry.shift, entry.shiftGroup) = chosenShift(m_targetShift);
    entry.least = m_least->text();
    entry.most = m_most->text();
    entry.weight = m_targetWeight->text();
    return entry;
}

void TargetsPage::fillWishes(qint64 current) {
    m_wishModel->clear();
    m_wishModel->setHorizontalHeaderLabels({QStringLiteral("姓名"), QStringLiteral("开始日期"),
                                            QStringLiteral("结束日期"), QStringLiteral("想/不想"),
                                            QStringLiteral("班次"), QStringLiteral("权重"),
                                            QStringLiteral("原因")});
    if (const auto rows = m_editor.wishes())
        for (const targets::WishRow& row : *rows) {
            const targets::WishEntry& entry = row.entry;
            QList<QStandardItem*> items = {item(row.name),
                                           item(entry.first.toString(Qt::ISODate)),
                                           item(entry.last.toString(Qt::ISODate)),
                                           item(entry.wanted ? kWanted : kNotWanted),
                                           item(shiftText(entry.shift, entry.shiftGroup)),
                                           item(entry.weight),
                                           item(entry.reason)};
            items.first()->setData(row.number, kNumberRole);
            m_wishModel->appendRow(items);
        }
    m_wishList->resizeColumnsToContents();
    selectNumber(m_wishList, m_wishModel, current);
}

void TargetsPage::showSelectedWish() {
    const qint64 number = numberOf(m_wishList, m_wishModel);
    const auto rows = m_editor.wishes();
    if (number == 0 || !rows)
        return;
    for (const targets::WishRow& row : *rows) {
        if (row.number != number)
            continue;
        const targets::WishEntry& entry = row.entry;
        m_wishPerson->setCurrentIndex(m_wishPerson->findData(entry.person));
        if (row.deleted)
            m_wishPerson->setEditText(QString());
        m_wishFirst->setDate(entry.first);
        m_wishLast->setDate(entry.last);
        selectShift(m_wishShift, entry.shift, entry.shift != targets::anyShift && entry.shiftGroup);
        m_wanted->setCurrentIndex(m_wanted->findData(entry.wanted));
        m_wishWeight->setText(entry.weight);
        m_wishReason->setText(entry.reason);
    }
}

targets::WishEntry TargetsPage::typedWish() const {
    targets::WishEntry entry;
    const int person = m_wishPerson->findText(m_wishPerson->currentText(), Qt::MatchExactly);
    entry.person = person >= 0 ? m_wishPerson->itemData(person).toLongLong() : 0;
    entry.first = m_wishFirst->date();
    entry.last = m_wishLast->date();
    std::tie(entry.shift, entry.shiftGroup) = chosenShift(m_wishShift);
    entry.wanted = m_wanted->currentData().toBool();
    entry.weight = m_wishWeight->text();
    entry.reason = m_wishReason->text();
    return entry;
}

void TargetsPage::importWishes() {
    const QString path = m_context.fileChooser().openFile(this, m_context.dataFolder(), kCsvFilter);
    if (path.isEmpty())
        return;
    if (targets::importWishes(m_editor, m_context.prompt(), path) ==
        targets::ImportOutcome::Imported)
        fillWishes(0);
}

void TargetsPage::fillFairness() {
    m_filling = true;
    m_fairnessModel->clear();
    QStringList captions{QStringLiteral("人员组")};
    captions << targets::fairnessKindTexts;
    m_fairnessModel->setHorizontalHeaderLabels(captions);
    if (const auto rows = m_editor.fairness())
        for (const targets::FairnessRow& row : *rows) {
            QList<QStandardItem*> items = {item(row.name)};
            items.first()->setData(row.group, kNumberRole);
            for (int kind = 0; kind < row.weights.size(); ++kind) {
                const std::optional<double> weight = row.weights.at(kind);
                QStandardItem* cell = item(weight ? QString::number(*weight) : QString(), true);
                // 全部 without a row of its own: the default, in grey.
                if (!weight && row.group == 1) {
                    cell->setText(
                        QString::number(targets::defaultFairnessWeight(FairnessKind(kind))));
                    cell->setForeground(palette().color(QPalette::Disabled, QPalette::Text));
                    cell->setToolTip(QStringLiteral("默认值"));
                }
                items << cell;
            }
            m_fairnessModel->appendRow(items);
        }
    m_fairnessGrid->resizeColumnsToContents();
    m_filling = false;
}

void TargetsPage::fairnessEdited(int row, int column) {
    if (m_filling || column < 1)
        return;
    const qint64 group = m_fairnessModel->item(row)->data(kNumberRole).toLongLong();
    const QString typed = m_fairnessModel->item(row, column)->text();
    m_editor.setFairness(group, FairnessKind(column - 1), typed);
    // Refused or kept, the grid shows what is stored; queued, as the edit is
    // still being committed.
    QMetaObject::invokeMethod(this, &TargetsPage::fillFairness, Qt::QueuedConnection);
}

void TargetsPage::fillIdeal() {
    m_filling = true;
    m_idealModel->clear();
    m_idealModel->setHorizontalHeaderLabels({QStringLiteral("班次"), QStringLiteral("人数"),
                                             QStringLiteral("理想人数"), QStringLiteral("权重"),
                                             QStringLiteral("最多人数")});
    if (const auto rows = m_editor.ideal())
        for (const targets::IdealRow& row : *rows) {
            QList<QStandardItem*> items = {
                item(row.name), item(QString::number(row.headcount)),
                item(row.ideal ? QString::number(*row.ideal) : QString(), true),
                item(row.ideal ? QString::number(row.weight) : QString(), true),
                item(row.most ? QString::number(*row.most) : QString(), true)};
            items.first()->setData(row.shift, kNumberRole);
            m_idealModel->appendRow(items);
        }
    m_idealGrid->resizeColumnsToContents();
    m_filling = false;
}

void TargetsPage::idealEdited(int row, int column) {
    if (m_filling || column < 2)
        return;
    const qint64 shift = m_idealModel->item(row)->data(kNumberRole).toLongLong();
    const QString ideal = m_idealModel->item(row, 2)->text();
    const QString weight = m_idealModel->item(row, 3)->text();
    // A weight typed before the ideal waits for it.
    if (column == 4)
        m_editor.setMost(shift, m_idealModel->item(row, 4)->text());
    else if (!(column == 3 && ideal.trimmed().isEmpty()))
        m_editor.setIdeal(shift, ideal, weight);
    QMetaObject::invokeMethod(this, &TargetsPage::fillIdeal, Qt::QueuedConnection);
}

void TargetsPage::fillSuccessions(qint64 current) {
    m_successionModel->clear();
    m_successionModel->setHorizontalHeaderLabels(
        {QStringLiteral("前一天的班次"), QStringLiteral("次日不上的班次")});
    if (const auto rows = m_editor.successions())
        for (const targets::SuccessionRow& row : *rows) {
            const targets::SuccessionEntry& entry = row.entry;
            QList<QStandardItem*> items = {item(shiftText(entry.before, entry.beforeGroup)),
                                           item(shiftText(entry.after, entry.afterGroup))};
            items.first()->setData(row.number, kNumberRole);
            m_successionModel->appendRow(items);
        }
    m_successionList->resizeColumnsToContents();
    selectNumber(m_successionList, m_successionModel, current);
}

void TargetsPage::showSelectedSuccession() {
    const qint64 number = numberOf(m_successionList, m_successionModel);
    const auto rows = m_editor.successions();
    if (number == 0 || !rows)
        return;
    for (const targets::SuccessionRow& row : *rows)
        if (row.number == number) {
            selectShift(m_before, row.entry.before, row.entry.beforeGroup);
            selectShift(m_after, row.entry.after, row.entry.afterGroup);
        }
}

targets::SuccessionEntry TargetsPage::typedSuccession() const {
    targets::SuccessionEntry entry;
    std::tie(entry.before, entry.beforeGroup) = chosenShift(m_before);
    std::tie(entry.after, entry.afterGroup) = chosenShift(m_after);
    return entry;
}

void TargetsPage::fillHolidays() {
    const QModelIndex current = m_calendar->currentIndex();
    m_calendarModel->clear();
    m_calendarModel->setHorizontalHeaderLabels(
        {QStringLiteral("日期"), QStringLiteral("星期"), QStringLiteral("标记")});
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    targets::DayMarks marks;
    const auto dates = m_holidays.calendar();
    if (!dates)
        return;
    for (const targets::MarkedDate& day : *dates)
        if (day.mark != DayMark::None)
            marks.insert(day.date.toJulianDay(), day.mark);
    for (const targets::MarkedDate& day : *dates) {
        const QString mark = day.mark == DayMark::Holiday          ? targets::holidayMark
                             : day.mark == DayMark::WorkingWeekend ? targets::workingWeekendMark
                                                                   : QString();
        QList<QStandardItem*> items = {item(day.date.toString(Qt::ISODate)),
                                       item(chinese.dayName(day.date.dayOfWeek())), item(mark)};
        items.first()->setData(day.date, kNumberRole);
        // Weekend days of the marked calendar, shaded as on the month sheet.
        if (targets::isWeekendDay(day.date.toJulianDay(), marks))
            for (QStandardItem* cell : items)
                cell->setBackground(QColor(255, 236, 236));
        m_calendarModel->appendRow(items);
    }
    m_calendar->resizeColumnsToContents();
    if (current.isValid())
        m_calendar->setCurrentIndex(m_calendarModel->index(current.row(), 0));
}

void TargetsPage::markSelected(DayMark mark) {
    QList<QDate> dates;
    for (const QModelIndex& row : m_calendar->selectionModel()->selectedRows())
        dates << m_calendarModel->item(row.row())->data(kNumberRole).toDate();
    std::sort(dates.begin(), dates.end());
    const QModelIndexList selected = m_calendar->selectionModel()->selectedRows();
    if (dates.isEmpty() || !m_holidays.mark(dates, mark))
        return;
    fillHolidays();
    for (const QModelIndex& row : selected)
        m_calendar->selectionModel()->select(m_calendarModel->index(row.row(), 0),
                                             QItemSelectionModel::Select |
                                                 QItemSelectionModel::Rows);
}

} // namespace korvane
