#include "editors/ui/grouppanel.h"

#include "editors/ui/membershipform.h"
#include "store/dialect.h"
#include "store/messages.h"
#include "ui/controls.h"
#include "ui/pagecontext.h"
#include "ui/pageframe.h"
#include "ui/singlepress.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMetaProperty>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>
#include <functional>

namespace korvane {

namespace {

constexpr int kIdidRole = Qt::UserRole + 1;

} // namespace

// The group grid: names are edited in place. An edit that changes nothing
// is no rename; a changed name goes to the page, which warns before it
// stores it.
class GroupNameGrid : public QTableView {
public:
    std::function<void(qint64 idid, const QString& typed)> onNameChanged;

    GroupNameGrid() { setItemDelegate(new NameDelegate(this)); }

    // Ends an open name edit and hands its text on.
    void commitOpenEditor() {
        if (QWidget* editor = indexWidget(currentIndex())) {
            commitData(editor);
            closeEditor(editor, QAbstractItemDelegate::NoHint);
        }
    }

private:
    class NameDelegate : public QStyledItemDelegate {
    public:
        explicit NameDelegate(GroupNameGrid* grid) : QStyledItemDelegate(grid), m_grid(grid) {}
        void setModelData(QWidget* editor, QAbstractItemModel*,
                          const QModelIndex& index) const override {
            const QByteArray property = editor->metaObject()->userProperty().name();
            const QString typed = editor->property(property).toString();
            if (typed != index.data(Qt::EditRole).toString() && m_grid->onNameChanged)
                m_grid->onNameChanged(index.data(kIdidRole).toLongLong(), typed);
        }

    private:
        GroupNameGrid* m_grid;
    };
};

// The group names. A rename still held back (see below) counts as cached
// data: it is stored when the model is asked to submit, as the main window
// does before it closes its pages.
class GroupNameModel : public QStandardItemModel {
public:
    using QStandardItemModel::QStandardItemModel;
    std::function<void()> onSubmit;
    bool submit() override {
        if (onSubmit)
            onSubmit();
        return QStandardItemModel::submit();
    }
};

// Holds a rename back until the mouse button that ended the edit (a click
// on another row or a button) is released: a message box shown while a
// button is held down would leave that button pressed.
class MouseReleaseWatch : public QObject {
public:
    MouseReleaseWatch(QObject* parent, std::function<void()> then)
        : QObject(parent), m_then(std::move(then)) {}

    void start() {
        if (!m_watching)
            qApp->installEventFilter(this);
        m_watching = true;
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonRelease && m_watching) {
            qApp->removeEventFilter(this);
            m_watching = false;
            // After the release has reached its widget.
            QMetaObject::invokeMethod(this, m_then, Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_then;
    bool m_watching = false;
};

GroupPanel::GroupPanel(PageContext& context, QWidget* parent)
    : QWidget(parent), m_context(context) {
    setObjectName(QStringLiteral("GroupPanel"));

    m_groupFrame = new QGroupBox;
    m_groupFrame->setObjectName(QStringLiteral("Frame2"));
    m_groupCaption = new QLabel;
    m_groupCaption->setObjectName(QStringLiteral("DataGrid1Caption"));
    auto* names = new GroupNameModel(this);
    names->onSubmit = [this] {
        if (QGuiApplication::mouseButtons() == Qt::NoButton)
            applyPendingRename();
    };
    m_groups = names;
    m_groupGrid = new GroupNameGrid;
    m_groupGrid->setObjectName(QStringLiteral("DataGrid1"));
    m_groupGrid->setModel(m_groups);
    m_groupGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_groupGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_groupGrid->setEditTriggers(QAbstractItemView::DoubleClicked |
                                 QAbstractItemView::SelectedClicked |
                                 QAbstractItemView::EditKeyPressed);
    m_groupGrid->horizontalHeader()->setStretchLastSection(true);
    m_groupGrid->onNameChanged = [this](qint64 idid, const QString& typed) {
        nameChanged(idid, typed);
    };
    m_releaseWatch = new MouseReleaseWatch(this, [this] { applyPendingRename(); });
    connect(m_groups, &QStandardItemModel::itemChanged, this, &GroupPanel::onNameEdited);
    connect(m_groupGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] {
        if (!m_loading)
            refreshMembers();
    });

    auto* add = namedButton("btnadd", QStringLiteral("增加组"));
    auto* remove = namedButton("btnDelete", QStringLiteral("删除组"));
    auto* save = namedButton("btnSave", QStringLiteral("保存"));
    connect(add, &QPushButton::clicked, this, &GroupPanel::addGroup);
    connectSinglePress(remove, this, &GroupPanel::deleteGroup);
    connect(save, &QPushButton::clicked, this, &GroupPanel::saveGroups);
    m_help = new QPlainTextEdit;
    m_help->setObjectName(QStringLiteral("Text3"));
    m_help->setReadOnly(true);
    m_help->setMaximumHeight(110);
    auto* hint = new QLabel(QStringLiteral("可单击编辑修改组名"));

    auto* groupButtons = new QHBoxLayout;
    groupButtons->addWidget(add);
    groupButtons->addWidget(remove);
    groupButtons->addWidget(save);
    auto* groupLayout = new QVBoxLayout(m_groupFrame);
    groupLayout->addWidget(m_groupCaption);
    groupLayout->addWidget(m_groupGrid, 1);
    groupLayout->addWidget(hint);
    groupLayout->addLayout(groupButtons);
    groupLayout->addWidget(m_help);

    m_memberFrame = new QGroupBox;
    m_memberFrame->setObjectName(QStringLiteral("Frame3"));
    m_memberCaption = new QLabel;
    m_memberCaption->setObjectName(QStringLiteral("DataGrid2Caption"));
    m_members = new QSqlQueryModel(this);
    m_memberGrid = new QTableView;
    m_memberGrid->setObjectName(QStringLiteral("DataGrid2"));
    m_memberGrid->setModel(m_members);
    m_memberGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_memberGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    // One column is shown, stretched to the grid's width.
    m_memberGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* members = namedButton("Command3", QStringLiteral("增加删除成员"));
    auto* refresh = namedButton("Command4", QStringLiteral("刷新"));
    connect(members, &QPushButton::clicked, this, &GroupPanel::editMembers);
    connect(refresh, &QPushButton::clicked, this, &GroupPanel::refreshMembers);
    m_memberSql = new QLineEdit;
    m_memberSql->setObjectName(QStringLiteral("Text1"));
    m_memberSql->setReadOnly(true);
    m_memberSql->hide();

    auto* memberButtons = new QHBoxLayout;
    memberButtons->addWidget(members);
    memberButtons->addWidget(refresh);
    auto* memberLayout = new QVBoxLayout(m_memberFrame);
    memberLayout->addWidget(m_memberCaption);
    memberLayout->addWidget(m_memberGrid, 1);
    memberLayout->addLayout(memberButtons);
    memberLayout->addWidget(m_memberSql);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_groupFrame, 1);
    layout->addWidget(m_memberFrame, 1);

    m_groupFrame->hide();
    m_memberFrame->hide();
    hide();
}

GroupPanel::~GroupPanel() = default;

void GroupPanel::openKind(int kind) {
    if (m_editor)
        commitNameEdit(); // a rename of the kind shown so far
    m_editor = std::make_unique<GroupEditor>(m_context.database(), m_context.prompt(), kind);
    const GroupKind& description = m_editor->kind();
    m_help->setPlainText(description.helpText);
    m_context.state().group.groupKind = description.kind;
    show();
    m_groupFrame->show();
    m_groupCaption->setText(description.caption);
    reloadGroups();
    m_memberFrame->hide();
    if (m_groups->rowCount() > 0) {
        selectGroupRow(0);
        refreshMembers();
    }
}

void GroupPanel::hidePanels() {
    m_groupFrame->hide();
    m_memberFrame->hide();
}

void GroupPanel::reloadGroups() {
    m_loading = true;
    m_groups->clear();
    m_groups->setHorizontalHeaderLabels({m_editor->kind().nameColumn, QStringLiteral("idid")});
    for (const GroupRow& row : m_editor->groups()) {
        auto* name = new QStandardItem(row.name);
        name->setData(row.idid, kIdidRole);
        auto* idid = new QStandardItem(QString::number(row.idid));
        idid->setEditable(false);
        m_groups->appendRow({name, idid});
    }
    // Only the name is shown.
    m_groupGrid->setColumnHidden(1, true);
    m_loading = false;
}

void GroupPanel::selectGroupRow(int row) {
    if (row < 0 || row >= m_groups->rowCount())
        return;
    m_groupGrid->selectionModel()->setCurrentIndex(
        m_groups->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

std::optional<GroupRow> GroupPanel::currentGroup() const {
    const QModelIndex current = m_groupGrid->selectionModel()->currentIndex();
    if (!m_editor || !current.isValid())
        return std::nullopt;
    const QModelIndex name = m_groups->index(current.row(), 0);
    return GroupRow{name.data(kIdidRole).toLongLong(), name.data().toString()};
}

void GroupPanel::refreshMembers() {
    const auto group = currentGroup();
    if (!group)
        return;
    m_memberCaption->setText(group->name);
    m_memberFrame->show();
    const QString sql = m_editor->memberSql(group->idid);
    m_memberSql->setText(sql);
    QSqlQuery query(m_context.database());
    QString error;
    if (!dialect::exec(query, sql + m_editor->kind().listOrder, &error))
        m_context.prompt().information(error);
    m_members->setQuery(std::move(query));
    // Only the key column is shown: the name, the date or the shift name.
    const int keyColumn = m_editor->kind().memberKeyColumn;
    for (int column = 0; column < m_members->columnCount(); ++column)
        m_memberGrid->setColumnHidden(column, column != keyColumn);
    if (keyColumn < m_members->columnCount())
        m_memberGrid->horizontalHeader()->setSectionResizeMode(keyColumn, QHeaderView::Stretch);
}

void GroupPanel::commitNameEdit() {
    m_groupGrid->commitOpenEditor();
    applyPendingRename();
}

void GroupPanel::nameChanged(qint64 idid, const QString& typed) {
    m_pendingRename = PendingRename{idid, typed};
    if (QGuiApplication::mouseButtons() == Qt::NoButton)
        applyPendingRename();
    else
        m_releaseWatch->start();
}

void GroupPanel::applyPendingRename() {
    if (!m_pendingRename || !m_editor)
        return;
    const PendingRename rename = *std::exchange(m_pendingRename, std::nullopt);
    // The warning comes before the new name is stored.
    m_editor->showRenameWarning();
    for (int row = 0; row < m_groups->rowCount(); ++row) {
        QStandardItem* item = m_groups->item(row, 0);
        if (item->data(kIdidRole).toLongLong() == rename.idid)
            item->setText(rename.typed); // stored by onNameEdited
    }
}

void GroupPanel::onNameEdited(QStandardItem* item) {
    if (m_loading || item->column() != 0 || !m_editor)
        return;
    const qint64 idid = item->data(kIdidRole).toLongLong();
    const auto stored = m_editor->rename(idid, item->text());
    if (!stored) {
        m_context.prompt().information(m_editor->lastError());
        // The cell shows the name the group kept.
        for (const GroupRow& group : m_editor->groups()) {
            if (group.idid != idid)
                continue;
            m_loading = true;
            item->setText(group.name);
            m_loading = false;
        }
        return;
    }
    if (*stored != item->text()) {
        m_loading = true;
        item->setText(*stored);
        m_loading = false;
    }
    if (currentGroup() && currentGroup()->idid == idid)
        m_memberCaption->setText(*stored);
}

void GroupPanel::addGroup() {
    if (!m_editor)
        return;
    commitNameEdit();
    const auto added = m_editor->addGroup();
    if (!added) {
        m_context.prompt().information(m_editor->lastError());
        return;
    }
    reloadGroups();
    // The new row becomes current; its member list is empty.
    for (int row = 0; row < m_groups->rowCount(); ++row) {
        if (m_groups->index(row, 0).data(kIdidRole).toLongLong() == added->idid)
            selectGroupRow(row);
    }
    refreshMembers();
}

void GroupPanel::deleteGroup() {
    if (!m_editor)
        return;
    commitNameEdit();
    const auto group = currentGroup();
    if (!group)
        return;
    const int row = m_groupGrid->selectionModel()->currentIndex().row();
    if (!m_editor->deleteGroup(*group)) {
        if (!m_editor->lastError().isEmpty())
            m_context.prompt().information(m_editor->lastError());
        return;
    }
    reloadGroups();
    if (m_groups->rowCount() == 0) {
        m_memberFrame->hide();
        return;
    }
    selectGroupRow(row > 0 ? row - 1 : 0);
    refreshMembers();
}

void GroupPanel::saveGroups() {
    if (!m_editor)
        return;
    commitNameEdit();
    if (m_groups->rowCount() > 0)
        selectGroupRow(0);
    m_editor->showSaveWarning();
}

void GroupPanel::editMembers() {
    const auto group = currentGroup();
    if (!group)
        return;
    commitNameEdit();
    m_context.state().group = m_editor->contextFor(*currentGroup());
    if (m_form)
        m_form->close();
    m_form = new MembershipForm(m_context, this);
    connect(m_form, &MembershipForm::confirmed, this, &GroupPanel::refreshMembers);
    connect(m_form, &QObject::destroyed, this, [this, form = m_form] {
        if (m_form == form)
            m_form = nullptr;
    });
    centreOn(m_form, this);
    m_form->show();
}

MembershipForm* GroupPanel::membershipForm() const {
    return m_form;
}

} // namespace korvane
