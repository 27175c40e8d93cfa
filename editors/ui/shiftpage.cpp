#include "editors/ui/shiftpage.h"

#include "ui/controls.h"
#include "ui/pagecontext.h"
#include "ui/pageframe.h"
#include "ui/singlepress.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QTableView>
#include <QVBoxLayout>

namespace korvane {

namespace {

const QString kGridSql = QStringLiteral("select * from banci order by idid");
// Columns of banci the grid does not show: idid, 所属组ID, 开始秒序, 结束秒序.
constexpr int kHiddenColumns[] = {1, 10, 11, 12};
constexpr int kIdidColumn = 1;
constexpr int kRowHeight = 22;

QComboBox* comboBox(const char* objectName, bool typing, const QStringList& items = {}) {
    auto* box = new QComboBox;
    box->setObjectName(QLatin1String(objectName));
    box->setEditable(typing);
    box->addItems(items);
    box->setInsertPolicy(QComboBox::NoInsert);
    return box;
}

QStringList numbers(int first, int last) {
    QStringList list;
    for (int n = first; n <= last; ++n)
        list << QString::number(n);
    return list;
}

QLabel* label(const char* objectName, const QString& text) {
    auto* l = new QLabel(text);
    if (objectName)
        l->setObjectName(QLatin1String(objectName));
    return l;
}

} // namespace

ShiftPage::ShiftPage(PageContext& context, QWidget* parent)
    : QWidget(parent), m_context(context), m_editor(context.database(), context.prompt()) {
    setObjectName(QStringLiteral("frmBanciset"));
    setWindowTitle(QStringLiteral("班次设定"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    open();
}

ShiftPage::~ShiftPage() = default;

void ShiftPage::buildControls() {
    m_model = new QSqlQueryModel(this);
    m_grid = new QTableView;
    m_grid->setObjectName(QStringLiteral("DataGrid1"));
    m_grid->setModel(m_model);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->verticalHeader()->setDefaultSectionSize(kRowHeight);
    // The header, three shifts and the scroll bar stay in sight when the
    // entry panel is open.
    m_grid->setMinimumHeight(5 * kRowHeight + 2 * m_grid->frameWidth());
    // A click in the grid abandons an open entry.
    connect(m_grid, &QTableView::pressed, this, [this] { m_panel->hide(); });

    auto* add = namedButton("Command1", QStringLiteral("新增班次"));
    auto* edit = namedButton("Command2", QStringLiteral("编辑班次"));
    auto* remove = namedButton("btnDelete", QStringLiteral("删除班次"));
    auto* finish = namedButton("Command5", QStringLiteral("结束班次设定"));
    connect(add, &QPushButton::clicked, this, &ShiftPage::newShift);
    connect(edit, &QPushButton::clicked, this, &ShiftPage::editShift);
    connectSinglePress(remove, this, &ShiftPage::deleteShift);
    connect(finish, &QPushButton::clicked, this, &QWidget::close);

    m_sharedLimit = comboBox("comLianxu", true, {shift::noLimit});

    m_panel = new QGroupBox;
    m_panel->setObjectName(QStringLiteral("Frame1"));
    m_name = new QLineEdit;
    m_name->setObjectName(QStringLiteral("txtName"));
    m_startHour = comboBox("ComStartq", true, numbers(0, 23));
    m_startMinute = comboBox("ComStartm", true, numbers(0, 59));
    m_day = comboBox("comCiri", false, {shift::sameDay, shift::nextDay});
    m_endHour = comboBox("ComEndq", true, numbers(0, 23));
    m_endMinute = comboBox("ComEndm", true, numbers(0, 59));
    m_headcount = comboBox("ComRenshu", true);
    m_level = comboBox("comBanji", false, numbers(0, 10));
    m_distribution = comboBox("comFenburiqi", false);
    m_leastRun = comboBox("ComLianxu1", true, {shift::noLimit});
    m_note = new QLineEdit;
    m_note->setObjectName(QStringLiteral("txtNote"));
    auto* store = namedButton("btnOk", QStringLiteral("保存"));
    connect(store, &QPushButton::clicked, this, &ShiftPage::save);
    resetPanel();

    auto* panel = new QGridLayout(m_panel);
    auto* start = new QHBoxLayout;
    start->addWidget(m_startHour);
    start->addWidget(label("Label6", QStringLiteral("点")));
    start->addWidget(m_startMinute);
    start->addWidget(label("Label7", QStringLiteral("分")));
    start->addStretch();
    auto* end = new QHBoxLayout;
    end->addWidget(m_day);
    end->addWidget(label("Label11", QStringLiteral("日")));
    end->addWidget(m_endHour);
    end->addWidget(label("Label8", QStringLiteral("点")));
    end->addWidget(m_endMinute);
    end->addWidget(label("Label9", QStringLiteral("分")));
    end->addStretch();
    panel->addWidget(label("Label1", QStringLiteral("班次名称：")), 0, 0);
    panel->addWidget(m_name, 0, 1);
    panel->addWidget(label("Label13", QStringLiteral("人数：")), 0, 2);
    panel->addWidget(m_headcount, 0, 3);
    panel->addWidget(label("Label2", QStringLiteral("起始时间：")), 1, 0);
    panel->addLayout(start, 1, 1);
    panel->addWidget(label("Label10", QStringLiteral("班次级别：")), 1, 2);
    panel->addWidget(m_level, 1, 3);
    panel->addWidget(label("Label3", QStringLiteral("终止时间：")), 2, 0);
    panel->addLayout(end, 2, 1);
    panel->addWidget(label("Label12", QStringLiteral("分布日期：")), 2, 2);
    panel->addWidget(m_distribution, 2, 3);
    panel->addWidget(label("Label5", QStringLiteral("备注：")), 3, 0);
    panel->addWidget(m_note, 3, 1);
    panel->addWidget(label("Label14", QStringLiteral("最小连续天数：")), 3, 2);
    panel->addWidget(m_leastRun, 3, 3);
    panel->addWidget(store, 4, 3);
    m_panel->hide();

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {add, edit, remove, finish})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(label("Label4", QStringLiteral("相同班次最大连续天数：")));
    buttons->addWidget(m_sharedLimit);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_grid, 1);
    layout->addLayout(buttons);
    layout->addWidget(m_panel);

    watchBox(m_startHour, ShiftBox::Hour);
    watchBox(m_endHour, ShiftBox::Hour);
    watchBox(m_startMinute, ShiftBox::Minute);
    watchBox(m_endMinute, ShiftBox::Minute);
    watchBox(m_headcount, ShiftBox::Headcount);
    watchBox(m_leastRun, ShiftBox::LeastRun);
    watchBox(m_sharedLimit, ShiftBox::SharedLimit);
    connect(m_sharedLimit, &QComboBox::activated, this, &ShiftPage::onSharedLimitPicked);
}

void ShiftPage::resetPanel() {
    const QSignalBlocker blockers[] = {QSignalBlocker(m_startHour), QSignalBlocker(m_startMinute),
                                       QSignalBlocker(m_endHour),   QSignalBlocker(m_endMinute),
                                       QSignalBlocker(m_headcount), QSignalBlocker(m_leastRun)};
    const ShiftEntry defaults;
    m_name->clear();
    m_note->clear();
    m_startHour->setCurrentIndex(0);
    m_startMinute->setCurrentIndex(0);
    m_endHour->setCurrentIndex(0);
    m_endMinute->setCurrentIndex(0);
    m_day->setCurrentText(defaults.day);
    m_headcount->setEditText(defaults.headcount);
    m_level->setCurrentText(defaults.level);
    m_leastRun->setCurrentIndex(0);
    m_distribution->clear();
    m_distribution->addItem(defaults.distribution);
}

void ShiftPage::open() {
    reloadGrid();
    // 编辑班次 and 删除班次 act on the first shift until another is picked.
    selectShiftRow(0);
    // Setting the box is a change like any other: the value is written into
    // every shift at once.
    m_sharedLimit->setEditText(m_editor.openingSharedLimit());
}

void ShiftPage::reopen() {
    m_panel->hide();
    m_mode = Mode::New;
    m_editedShift.reset();
    resetPanel();
    open();
}

void ShiftPage::reloadGrid() {
    QSqlQuery query(m_context.database());
    if (!query.exec(kGridSql))
        m_context.prompt().information(query.lastError().text());
    m_model->setQuery(std::move(query));
    for (int column : kHiddenColumns)
        m_grid->setColumnHidden(column, true);
}

std::optional<qint64> ShiftPage::currentShift() const {
    const QModelIndex current = m_grid->selectionModel()->currentIndex();
    if (!current.isValid())
        return std::nullopt;
    return m_model->index(current.row(), kIdidColumn).data().toLongLong();
}

void ShiftPage::selectShiftRow(int row) {
    if (row < 0 || row >= m_model->rowCount())
        return;
    m_grid->selectRow(row);
    m_grid->selectionModel()->setCurrentIndex(m_model->index(row, 0),
                                              QItemSelectionModel::NoUpdate);
}

void ShiftPage::fillDistribution(const QString& text) {
    QStringList names = m_editor.dateGroupNames();
    if (!names.contains(text))
        names.prepend(text);
    m_distribution->clear();
    m_distribution->addItems(names);
    m_distribution->setCurrentText(text);
}

void ShiftPage::newShift() {
    m_mode = Mode::New;
    m_editedShift.reset();
    showPanel();
    fillDistribution(shift::everyDate);
}

void ShiftPage::editShift() {
    // Without a current row (nothing selected yet, or an empty table) there is
    // no shift to edit.
    const auto idid = currentShift();
    if (!idid)
        return;
    const auto entry = m_editor.load(*idid, m_day->currentText());
    if (!entry)
        return;
    m_mode = Mode::Edit;
    m_editedShift = idid;
    showPanel();
    fillDistribution(entry->distribution);
    showPanelEntry(*entry);
}

void ShiftPage::showPanel() {
    m_panel->show();
    fitFrameToPage(this);
}

void ShiftPage::deleteShift() {
    m_panel->hide();
    const auto idid = currentShift();
    if (!idid)
        return;
    const int row = m_grid->selectionModel()->currentIndex().row();
    if (!m_editor.deleteShift(*idid)) {
        reportStoreError();
        return;
    }
    reloadGrid();
    // Step back one row, or forward when the first row was deleted.
    selectShiftRow(row > 0 ? row - 1 : 0);
}

void ShiftPage::save() {
    const ShiftEntry entry = panelEntry();
    if (m_mode == Mode::Edit) {
        // The panel is hidden whenever the current row changes, so the shift
        // loaded by 编辑班次 is the one to rewrite; if it is gone, nothing is stored.
        if (!m_editedShift)
            return;
        if (!m_editor.updateShift(*m_editedShift, entry)) {
            reportStoreError();
            return;
        }
    } else if (!m_editor.addShift(entry)) {
        reportStoreError();
        return;
    }
    reopen();
}

void ShiftPage::reportStoreError() {
    if (!m_editor.lastError().isEmpty())
        m_context.prompt().information(m_editor.lastError());
}

ShiftEntry ShiftPage::panelEntry() const {
    ShiftEntry entry;
    entry.name = m_name->text();
    entry.startHour = m_startHour->currentText();
    entry.startMinute = m_startMinute->currentText();
    entry.day = m_day->currentText();
    entry.endHour = m_endHour->currentText();
    entry.endMinute = m_endMinute->currentText();
    entry.headcount = m_headcount->currentText();
    entry.level = m_level->currentText();
    entry.distribution = m_distribution->currentText();
    entry.leastRun = m_leastRun->currentText();
    entry.note = m_note->text();
    entry.sharedLimit = m_sharedLimit->currentText();
    return entry;
}

void ShiftPage::showPanelEntry(const ShiftEntry& entry) {
    m_name->setText(entry.name);
    m_sharedLimit->setEditText(entry.sharedLimit);
    m_leastRun->setEditText(entry.leastRun);
    m_level->setCurrentText(entry.level);
    m_startHour->setEditText(entry.startHour);
    m_startMinute->setEditText(entry.startMinute);
    m_headcount->setEditText(entry.headcount);
    m_note->setText(entry.note);
    m_day->setCurrentText(entry.day);
    m_endHour->setEditText(entry.endHour);
    m_endMinute->setEditText(entry.endMinute);
}

void ShiftPage::watchBox(QComboBox* box, ShiftBox kind) {
    connect(box, &QComboBox::editTextChanged, this, [this, box, kind] { onBoxChanged(box, kind); });
}

void ShiftPage::onBoxChanged(QComboBox* box, ShiftBox kind) {
    // The value put back by a failed check is a change too; it has been
    // checked already by settleShiftBox.
    if (m_settling)
        return;
    const QString typed = box->currentText();
    const QString settled = settleShiftBox(kind, typed, m_context.prompt());
    if (settled != typed) {
        m_settling = true;
        box->setEditText(settled);
        m_settling = false;
    }
    if (kind == ShiftBox::SharedLimit)
        writeSharedLimit();
}

void ShiftPage::onSharedLimitPicked() {
    if (checkShiftBox(ShiftBox::SharedLimit, m_sharedLimit->currentText()).passed())
        writeSharedLimit();
}

void ShiftPage::writeSharedLimit() {
    if (!m_editor.writeSharedLimit(m_sharedLimit->currentText())) {
        reportStoreError();
        return;
    }
    // The grid shows 连续次数; read it back without losing the current row.
    const int row = m_grid->selectionModel()->currentIndex().row();
    reloadGrid();
    if (row >= 0)
        selectShiftRow(row);
}

} // namespace korvane
