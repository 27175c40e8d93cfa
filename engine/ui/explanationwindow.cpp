#include "engine/ui/explanationwindow.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace korvane {

namespace {
const QString kTitle = QStringLiteral("无法排班的原因");
const QStringList kCaptions = {QStringLiteral("姓名"), QStringLiteral("原因")};

QLabel* line(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}
} // namespace

ExplanationWindow::ExplanationWindow(QWidget* parent) : QWidget(parent, Qt::Tool) {
    setObjectName(QStringLiteral("explanationWindow"));
    setWindowTitle(kTitle);
    setAttribute(Qt::WA_DeleteOnClose);

    m_slots = new QComboBox(this);
    m_slots->setObjectName(QStringLiteral("explainedSlots"));
    connect(m_slots, &QComboBox::currentIndexChanged, this, &ExplanationWindow::showSlot);
    m_slot = line("explanationSlot", this);
    QFont bold = m_slot->font();
    bold.setBold(true);
    m_slot->setFont(bold);
    m_summary = line("explanationSummary", this);

    m_model = new QStandardItemModel(this);
    auto* sorted = new QSortFilterProxyModel(this);
    sorted->setSourceModel(m_model);
    sorted->setSortLocaleAware(true);
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("explanationTable"));
    m_table->setModel(sorted);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    // Unsorted, the table keeps the explanation's order (the commonest
    // reasons first); a third click on a heading goes back to it.
    m_table->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    m_table->horizontalHeader()->setSortIndicatorClearable(true);
    m_table->setSortingEnabled(true);

    auto* close = new QPushButton(QStringLiteral("关闭"), this);
    close->setObjectName(QStringLiteral("closeExplanation"));
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_slots);
    layout->addWidget(m_slot);
    layout->addWidget(m_summary);
    layout->addWidget(m_table, 1);
    layout->addLayout(buttons);

    // Beside the main window where the screen has room, else at the
    // screen's right edge, covering as little of the pages as it can.
    const QSize wanted(520, 460);
    const QRect frame = parent ? parent->window()->frameGeometry() : QRect();
    const QRect room = screen() ? screen()->availableGeometry() : frame;
    resize(wanted.boundedTo(room.size()));
    const int right = qMax(room.left(), room.right() + 1 - width());
    move(qMin(frame.right() + 8, right),
         qBound(room.top(), frame.top() + 80, qMax(room.top(), room.bottom() + 1 - height())));
}

void ExplanationWindow::setExplanations(const QList<engine::SlotExplanation>& explanations) {
    m_explanations = explanations;
    const QSignalBlocker quiet(m_slots);
    m_slots->clear();
    for (const engine::SlotExplanation& slot : explanations)
        m_slots->addItem(slot.text().value(0));
    // One slot needs no choice.
    m_slots->setVisible(explanations.size() > 1);
    m_slots->setCurrentIndex(0);
    showSlot(0);
}

void ExplanationWindow::showSlot(int index) {
    m_model->clear();
    m_model->setHorizontalHeaderLabels(kCaptions);
    if (index < 0 || index >= m_explanations.size())
        return;
    const engine::SlotExplanation& explanation = m_explanations.at(index);
    m_slot->setText(explanation.text().value(0));
    m_summary->setText(explanation.summary());
    for (const engine::SlotExplanation::Line& person : explanation.lines)
        m_model->appendRow({new QStandardItem(person.person), new QStandardItem(person.reason)});
    m_table->resizeColumnToContents(0);
}

} // namespace korvane
