#pragma once

#include "engine/explanation.h"

#include <QWidget>

class QLabel;
class QStandardItemModel;
class QTableView;

namespace korvane {

// Why the last failed run could not fill its slot: the slot's line, the
// summary, and every person with the reason (姓名, 原因), sortable. A window
// of its own above the main window, so it stays in sight while the planner
// changes rules and runs again.
class ExplanationWindow : public QWidget {
    Q_OBJECT
public:
    explicit ExplanationWindow(QWidget* parent);

    void setExplanation(const engine::SlotExplanation& explanation);

private:
    QLabel* m_slot = nullptr;
    QLabel* m_summary = nullptr;
    QTableView* m_table = nullptr;
    QStandardItemModel* m_model = nullptr;
};

} // namespace korvane
