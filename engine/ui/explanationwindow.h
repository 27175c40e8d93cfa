#pragma once

#include "engine/explanation.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QStandardItemModel;
class QTableView;

namespace korvane {

// Why the last failed run could not fill its slots: a pick list of every
// slot that cannot be filled (the one the run stopped at first), and for the
// slot picked its line, the summary, and every person with the reason (姓名,
// 原因), sortable. A window
// of its own above the main window, so it stays in sight while the planner
// changes rules and runs again.
class ExplanationWindow : public QWidget {
    Q_OBJECT
public:
    explicit ExplanationWindow(QWidget* parent);

    void setExplanations(const QList<engine::SlotExplanation>& explanations);

private:
    void showSlot(int index);

    QList<engine::SlotExplanation> m_explanations;
    QComboBox* m_slots = nullptr;
    QLabel* m_slot = nullptr;
    QLabel* m_summary = nullptr;
    QTableView* m_table = nullptr;
    QStandardItemModel* m_model = nullptr;
};

} // namespace korvane
