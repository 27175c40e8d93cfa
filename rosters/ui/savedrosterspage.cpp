#include "rosters/ui/savedrosterspage.h"

#include "rosters/ui/savedrosterpage.h"
#include "store/messages.h"
#include "ui/controls.h"
#include "ui/pagecontext.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace korvane {

namespace {

const QString kTitle = QStringLiteral("排班存档");
const QString kNameLabel = QStringLiteral("名称：");
const QString kOpen = QStringLiteral("打开");
const QString kRename = QStringLiteral("重命名");
const QString kDelete = QStringLiteral("删除");
const QString kRegenerate = QStringLiteral("重新生成");

} // namespace

SavedRostersPage::SavedRostersPage(PageContext& context, std::function<void(qint64)> regenerate,
                                   QWidget* parent)
    : QWidget(parent), m_context(context), m_regenerate(std::move(regenerate)) {
    setObjectName(QStringLiteral("paibanCundang"));
    setWindowTitle(kTitle);
    m_list = new QTableWidget(this);
    m_list->setObjectName(QStringLiteral("rosterList"));
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->verticalHeader()->hide();
    m_list->horizontalHeader()->setStretchLastSection(true);

    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("rosterName"));
    QPushButton* open = namedButton(QStringLiteral("openRoster"), kOpen, this);
    QPushButton* rename = namedButton(QStringLiteral("renameRoster"), kRename, this);
    QPushButton* remove = namedButton(QStringLiteral("deleteRoster"), kDelete, this);
    auto* bar = new QHBoxLayout;
    bar->addWidget(new QLabel(kNameLabel, this));
    bar->addWidget(m_name, 1);
    bar->addWidget(rename);
    bar->addWidget(open);
    bar->addWidget(remove);
    if (m_regenerate) {
        QPushButton* regenerateButton =
            namedButton(QStringLiteral("regenerateRoster"), kRegenerate, this);
        bar->addWidget(regenerateButton);
        connect(regenerateButton, &QPushButton::clicked, this, [this] {
            if (const qint64 roster = currentRoster())
                m_regenerate(roster);
        });
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(bar);

    connect(open, &QPushButton::clicked, this, &SavedRostersPage::openRoster);
    connect(rename, &QPushButton::clicked, this, &SavedRostersPage::renameRoster);
    connect(m_name, &QLineEdit::returnPressed, this, &SavedRostersPage::renameRoster);
    connect(remove, &QPushButton::clicked, this, &SavedRostersPage::deleteRoster);
    connect(m_list, &QTableWidget::cellDoubleClicked, this, &SavedRostersPage::openRoster);
    connect(m_list, &QTableWidget::currentCellChanged, this, &SavedRostersPage::showCurrentName);
    resize(900, 420);
    reload();
}

void SavedRostersPage::reload() {
    const qint64 current = currentRoster();
    QSqlDatabase db = m_context.database();
    QString error;
    if (!rosters::listRosters(db, &m_rosters, &error))
        m_context.prompt().information(error);
    const QStringList columns = rosters::summaryColumns();
    m_list->clear();
    m_list->setColumnCount(int(columns.size()));
    m_list->setHorizontalHeaderLabels(columns);
    m_list->setRowCount(int(m_rosters.size()));
    int currentRow = m_rosters.isEmpty() ? -1 : 0;
    for (int row = 0; row < m_rosters.size(); ++row) {
        const QStringList texts = rosters::summaryTexts(m_rosters.at(row));
        for (int column = 0; column < texts.size(); ++column)
            m_list->setItem(row, column, new QTableWidgetItem(texts.at(column)));
        if (m_rosters.at(row).number == current)
            currentRow = row;
    }
    m_list->resizeColumnsToContents();
    if (currentRow >= 0)
        m_list->setCurrentCell(currentRow, 0);
    showCurrentName();
}

bool SavedRostersPage::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate || event->type() == othersChangedEvent()) {
        QSqlDatabase db = m_context.database();
        QList<rosters::RosterSummary> stored;
        QString error;
        const auto texts = [](const QList<rosters::RosterSummary>& list) {
            QList<QStringList> all;
            for (const rosters::RosterSummary& summary : list)
                all << (rosters::summaryTexts(summary) << QString::number(summary.number));
            return all;
        };
        if (rosters::listRosters(db, &stored, &error) && texts(stored) != texts(m_rosters))
            reload();
    }
    return QWidget::event(event);
}

qint64 SavedRostersPage::currentRoster() const {
    const int row = m_list->currentRow();
    return row >= 0 && row < m_rosters.size() ? m_rosters.at(row).number : 0;
}

void SavedRostersPage::showCurrentName() {
    const int row = m_list->currentRow();
    m_name->setText(row >= 0 && row < m_rosters.size() ? m_rosters.at(row).name : QString());
}

SavedRosterPage* SavedRostersPage::openPage(qint64 roster) const {
    for (const QPointer<SavedRosterPage>& page : m_open)
        if (page && page->roster().summary.number == roster)
            return page;
    return nullptr;
}

void SavedRostersPage::openRoster() {
    const qint64 roster = currentRoster();
    if (!roster)
        return;
    if (SavedRosterPage* open = openPage(roster)) {
        m_context.showPage(open);
        return;
    }
    auto* page = new SavedRosterPage(m_context, roster);
    if (!page->hasRoster()) {
        delete page;
        reload();
        return;
    }
    page->setAttribute(Qt::WA_DeleteOnClose);
    m_open.removeAll(nullptr);
    m_open << page;
    m_context.showPage(page);
}

void SavedRostersPage::showRoster(qint64 roster) {
    for (int row = 0; row < m_rosters.size(); ++row)
        if (m_rosters.at(row).number == roster) {
            m_list->setCurrentCell(row, 0);
            openRoster();
            return;
        }
}

void SavedRostersPage::renameRoster() {
    const qint64 roster = currentRoster();
    if (!roster)
        return;
    QSqlDatabase db = m_context.database();
    QString error;
    if (!rosters::renameRoster(db, roster, m_name->text(), &error))
        m_context.prompt().information(error);
    else if (SavedRosterPage* open = openPage(roster))
        open->refresh();
    reload();
}

void SavedRostersPage::deleteRoster() {
    const qint64 roster = currentRoster();
    if (!roster)
        return;
    const QString name = m_rosters.at(m_list->currentRow()).name;
    if (!m_context.prompt().question(msg::deleteRosterConfirm.arg(name)))
        return;
    QSqlDatabase db = m_context.database();
    QString error;
    if (!rosters::deleteRoster(db, roster, &error))
        m_context.prompt().information(error);
    else if (SavedRosterPage* open = openPage(roster))
        open->close();
    reload();
}

} // namespace korvane
