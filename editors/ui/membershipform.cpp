#include "editors/ui/membershipform.h"

#include "ui/pagecontext.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvane {

namespace {

QPushButton* arrow(const char* objectName, const QString& text) {
    // The arrows look like the labels they stand for: flat, without a frame.
    auto* b = new QPushButton(text);
    b->setObjectName(QLatin1String(objectName));
    b->setFlat(true);
    b->setCursor(Qt::PointingHandCursor);
    QFont font = b->font();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.5);
    b->setFont(font);
    return b;
}

QListWidget* list(const char* objectName) {
    auto* l = new QListWidget;
    l->setObjectName(QLatin1String(objectName));
    l->setSelectionMode(QAbstractItemView::ExtendedSelection);
    return l;
}

} // namespace

MembershipForm::MembershipForm(PageContext& context, QWidget* parent)
    : QWidget(parent, Qt::Window), m_context(context),
      m_editor(context.database(), context.state().group) {
    setObjectName(QStringLiteral("frmXiugaizu"));
    setWindowTitle(QStringLiteral("修改组"));
    setAttribute(Qt::WA_DeleteOnClose);

    m_groupName = new QLabel(m_editor.context().groupName);
    m_groupName->setObjectName(QStringLiteral("Label1"));
    auto* candidatesTitle = new QLabel(QStringLiteral("待选"));
    candidatesTitle->setObjectName(QStringLiteral("Label2"));
    m_members = list("List2");
    m_candidates = list("List1");
    auto* into = arrow("Label3", QStringLiteral("<<"));
    auto* outOf = arrow("Label4", QStringLiteral(">>"));
    auto* ok = new QPushButton(QStringLiteral("确定"));
    ok->setObjectName(QStringLiteral("btnOK"));
    connect(into, &QPushButton::clicked, this, &MembershipForm::moveIntoGroup);
    connect(outOf, &QPushButton::clicked, this, &MembershipForm::moveOutOfGroup);
    connect(ok, &QPushButton::clicked, this, &MembershipForm::confirm);

    auto* arrows = new QVBoxLayout;
    arrows->addStretch();
    arrows->addWidget(into);
    arrows->addWidget(outOf);
    if (m_editor.context().groupKind == 2)
        arrows->addWidget(buildWeekdayPicker());
    arrows->addStretch();
    auto* layout = new QGridLayout(this);
    layout->addWidget(m_groupName, 0, 0);
    layout->addWidget(candidatesTitle, 0, 2);
    layout->addWidget(m_members, 1, 0);
    layout->addLayout(arrows, 1, 1);
    layout->addWidget(m_candidates, 1, 2);
    layout->addWidget(ok, 2, 2, Qt::AlignRight);
    layout->setColumnStretch(0, 1);
    layout->setColumnStretch(2, 1);
    resize(520, 420);

    fillList(m_candidates, m_editor.nonMembers());
    fillList(m_members, m_editor.members());
    if (!m_editor.lastError().isEmpty())
        m_context.prompt().information(m_editor.lastError());
}

QList<MemberEntry> MembershipForm::entriesOf(const QListWidget* list) {
    QList<MemberEntry> entries;
    for (int row = 0; row < list->count(); ++row) {
        const QListWidgetItem* item = list->item(row);
        entries.append({item->text(), item->data(Qt::UserRole)});
    }
    return entries;
}

void MembershipForm::fillList(QListWidget* list, const QList<MemberEntry>& entries) {
    list->clear();
    for (const MemberEntry& entry : entries) {
        auto* item = new QListWidgetItem(entry.text, list);
        item->setData(Qt::UserRole, entry.key);
    }
}

void MembershipForm::move(QListWidget* from, QListWidget* to,
                          MembershipEditor::Direction direction) {
    QList<int> selected;
    for (const QListWidgetItem* item : from->selectedItems())
        selected << from->row(item);
    moveRows(from, to, selected, direction);
}

void MembershipForm::moveRows(QListWidget* from, QListWidget* to, const QList<int>& rows,
                              MembershipEditor::Direction direction) {
    if (rows.isEmpty())
        return;
    QList<MemberEntry> fromEntries = entriesOf(from);
    QList<MemberEntry> toEntries = entriesOf(to);
    const bool stored = m_editor.moveSelected(fromEntries, toEntries, rows, direction);
    const QString error = m_editor.lastError();
    // Both lists as the database holds them now, in the group page's order
    // (people by person number), not in the order of the walk.
    fillList(m_candidates, m_editor.nonMembers());
    fillList(m_members, m_editor.members());
    if (!stored)
        m_context.prompt().information(error);
}

void MembershipForm::moveIntoGroup() {
    move(m_candidates, m_members, MembershipEditor::Direction::IntoGroup);
}

void MembershipForm::moveOutOfGroup() {
    move(m_members, m_candidates, MembershipEditor::Direction::OutOfGroup);
}

QWidget* MembershipForm::buildWeekdayPicker() {
    auto* picker = new QGroupBox(QStringLiteral("按星期"));
    picker->setObjectName(QStringLiteral("weekdayPicker"));
    auto* layout = new QVBoxLayout(picker);
    const QStringList names = {QStringLiteral("周一"), QStringLiteral("周二"),
                               QStringLiteral("周三"), QStringLiteral("周四"),
                               QStringLiteral("周五"), QStringLiteral("周六"),
                               QStringLiteral("周日")};
    for (int day = 1; day <= 7; ++day) {
        auto* box = new QCheckBox(names.at(day - 1));
        box->setObjectName(QStringLiteral("weekday%1").arg(day));
        layout->addWidget(box);
        m_weekdays << box;
    }
    auto* add = new QPushButton(QStringLiteral("<< 加入"));
    add->setObjectName(QStringLiteral("addWeekdays"));
    add->setToolTip(QStringLiteral("把待选中所选星期的日期全部加入本组"));
    connect(add, &QPushButton::clicked, this, &MembershipForm::addWeekdays);
    layout->addWidget(add);
    return picker;
}

void MembershipForm::addWeekdays() {
    QList<int> weekdays;
    for (int day = 1; day <= m_weekdays.size(); ++day)
        if (m_weekdays.at(day - 1)->isChecked())
            weekdays << day;
    moveRows(m_candidates, m_members,
             MembershipEditor::rowsOnWeekdays(entriesOf(m_candidates), weekdays),
             MembershipEditor::Direction::IntoGroup);
}

void MembershipForm::confirm() {
    close();
    emit confirmed();
}

} // namespace korvane
