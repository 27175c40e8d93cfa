#pragma once

#include "limits/limits.h"

#include <QWidget>

class QComboBox;
class QDateEdit;
class QStandardItemModel;
class QTableView;
class QTabWidget;

namespace korvane {

class PageContext;

// 人员限制与休假: how much each person and each staff group may work over
// the period (a grid each, edited in place, an empty cell no limit), and the
// leave list with its entry boxes.
class LimitsPage : public QWidget {
    Q_OBJECT
public:
    explicit LimitsPage(PageContext& context, QWidget* parent = nullptr);

    // Reads the staff, the groups, their limits and the leave again (the
    // other pages may have changed them while this one was open).
    void reload();

private:
    QWidget* buildLimitsTab(limits::LimitsTableModel* model, const char* gridName,
                            const char* clearName, QTableView** grid);
    QWidget* buildLeaveTab();
    void clearSelected(QTableView* grid, limits::LimitsTableModel* model);

    void fillReasons();
    void fillLeave(qint64 current);
    // The entry boxes take the selected leave row.
    void showSelectedLeave();
    qint64 selectedLeave() const;
    limits::LeaveEntry typedLeave() const;
    void addLeave();
    void changeLeave();
    void deleteLeave();

    PageContext& m_context;
    limits::LimitsEditor m_editor;
    limits::LimitsTableModel* m_personModel;
    limits::LimitsTableModel* m_groupModel;
    QTabWidget* m_tabs = nullptr;
    QTableView* m_personGrid = nullptr;
    QTableView* m_groupGrid = nullptr;

    QTableView* m_leaveGrid = nullptr;
    QStandardItemModel* m_leaveModel = nullptr;
    QComboBox* m_person = nullptr;
    QDateEdit* m_first = nullptr;
    QDateEdit* m_last = nullptr;
    QComboBox* m_reason = nullptr;
};

} // namespace korvane
