#include "editors/ui/staffpage.h"

#include "editors/names.h"
#include "ui/controls.h"
#include "ui/pagecontext.h"
#include "ui/pageframe.h"
#include "ui/singlepress.h"
#include "ui/twips.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QTableView>
#include <QVBoxLayout>

namespace korvane {

namespace {
const QString kHelp = QStringLiteral(
    "点击“增加员工”按钮以增加记录行，记录行只须填入姓名。可以选定某行记录，点击“删除员工”按钮以删"
    "除该员工。单击单元格可以对相应的姓名进行修改。");

} // namespace

StaffPage::StaffPage(PageContext& context, QWidget* parent)
    : QWidget(parent), m_context(context), m_editor(context.database(), context.prompt()) {
    setObjectName(QStringLiteral("baseinfo"));
    setWindowTitle(QStringLiteral("值班人员设定"));
    setAttribute(Qt::WA_DeleteOnClose);

    m_model = new staff::StaffTableModel(m_editor, context.database(), this);
    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("DataGrid1"));
    m_grid->setModel(m_model);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::DoubleClicked |
                            QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    m_grid->verticalHeader()->setDefaultSectionSize(twips(300));

    auto* source = new QLabel(QStringLiteral("单击单元格可以修改姓名"), this);
    source->setObjectName(QStringLiteral("Adodc1"));
    source->setFrameShape(QFrame::Panel);
    source->setFrameShadow(QFrame::Sunken);

    auto* help = new QPlainTextEdit(this);
    help->setObjectName(QStringLiteral("Text2"));
    help->setReadOnly(true);
    help->setPlainText(kHelp);
    help->setMaximumHeight(twips(1200));

    auto* add = namedButton("addone", QStringLiteral("增加员工"), this);
    auto* remove = namedButton("delone", QStringLiteral("删除选定员工"), this);
    auto* exit = namedButton("btnExit", QStringLiteral("结束值班人员设定"), this);
    m_nameLabel = new QLabel(QStringLiteral("请输入姓名："), this);
    m_nameLabel->setObjectName(QStringLiteral("Label1"));
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("txtName"));
    m_confirm = namedButton("Command2", QStringLiteral("确定"), this);

    auto* numberLabel = new QLabel(QStringLiteral("工号（可不填）："), this);
    m_staffNumber = new QLineEdit(this);
    m_staffNumber->setObjectName(QStringLiteral("txtStaffNumber"));
    auto* numberRow = new QHBoxLayout;
    numberRow->addWidget(numberLabel);
    numberRow->addWidget(m_staffNumber);
    numberRow->addStretch(1);

    auto* entry = new QHBoxLayout;
    entry->addWidget(m_nameLabel);
    entry->addWidget(m_name, 1);
    entry->addWidget(m_confirm);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch(1);
    buttons->addWidget(exit);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_grid, 1);
    layout->addWidget(source);
    layout->addLayout(numberRow);
    layout->addLayout(entry);
    layout->addLayout(buttons);
    layout->addWidget(help);
    setNameEntryVisible(false);

    connect(add, &QPushButton::clicked, this, &StaffPage::startAdding);
    connect(m_confirm, &QPushButton::clicked, this, &StaffPage::addPerson);
    connect(m_name, &QLineEdit::returnPressed, this, &StaffPage::addPerson);
    connectSinglePress(remove, this, &StaffPage::deleteCurrent);
    connect(exit, &QPushButton::clicked, this, &StaffPage::finish);
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &StaffPage::showStaffNumber);
    connect(m_staffNumber, &QLineEdit::editingFinished, this, &StaffPage::storeStaffNumber);

    m_model->reload();
    if (m_model->rowCount() > 0)
        m_grid->selectRow(0);
    showStaffNumber();
    holdBarWhileLimitSet();
    resize(twips(11000), twips(6500));
}

void StaffPage::holdBarWhileLimitSet() {
    if (m_editor.shiftLimitSet()) {
        m_context.setScheduleButtonEnabled(false);
        m_context.setSetupButtonEnabled(false);
    }
}

void StaffPage::showStaffNumber() {
    const QModelIndex current = m_grid->currentIndex();
    m_staffNumberOf = current.isValid() ? m_model->ididAt(current.row()) : -1;
    const std::optional<QString> number =
        m_staffNumberOf >= 0 ? m_editor.staffNumber(m_staffNumberOf) : std::nullopt;
    m_staffNumber->setText(number.value_or(QString()));
    m_staffNumber->setEnabled(m_staffNumberOf >= 0);
}

void StaffPage::storeStaffNumber() {
    // A refusal's message box takes the focus, which ends the edit again.
    if (m_staffNumberOf < 0 || m_storingStaffNumber)
        return;
    const QScopedValueRollback storing(m_storingStaffNumber, true);
    if (!m_editor.setStaffNumber(m_staffNumberOf, m_staffNumber->text()))
        showStaffNumber(); // what the person still holds
    else
        m_staffNumber->setText(m_staffNumber->text().trimmed());
}

void StaffPage::setNameEntryVisible(bool visible) {
    m_nameLabel->setVisible(visible);
    m_name->setVisible(visible);
    m_confirm->setVisible(visible);
}

void StaffPage::startAdding() {
    setNameEntryVisible(true);
    m_name->clear();
    m_name->setFocus();
    fitFrameToPage(this);
}

void StaffPage::addPerson() {
    const QString name = m_name->text();
    if (isBlankName(name))
        setNameEntryVisible(false);
    const std::optional<qint64> added = m_editor.addPerson(name);
    setNameEntryVisible(false);
    m_model->reload();
    const int row = added ? m_model->rowOfIdid(*added) : m_model->rowCount() - 1;
    if (row >= 0) {
        m_grid->selectRow(row);
        m_grid->scrollTo(m_model->index(row, 0));
    }
    showStaffNumber();
}

void StaffPage::deleteCurrent() {
    const QModelIndex current = m_grid->currentIndex();
    if (!current.isValid())
        return;
    if (m_editor.deletePerson(m_model->ididAt(current.row()))) {
        // Nothing is selected after a delete, so that a second press deletes no one.
        m_model->reload();
        m_grid->setCurrentIndex({});
        m_grid->clearSelection();
        showStaffNumber();
    }
}

void StaffPage::finish() {
    m_context.setScheduleButtonEnabled(true);
    m_context.setSetupButtonEnabled(true);
    close();
}

} // namespace korvane
