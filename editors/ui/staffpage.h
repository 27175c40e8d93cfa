#pragma once

#include "editors/staff.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace korvane {

class PageContext;

// 值班人员设定 (baseinfo): the staff grid, adding by name, deleting the
// selected person, editing every other detail in place; the selected
// person's 工号 in a field of its own under the grid.
class StaffPage : public QWidget {
    Q_OBJECT
public:
    explicit StaffPage(PageContext& context, QWidget* parent = nullptr);

    QTableView* grid() const { return m_grid; }
    staff::StaffTableModel* model() const { return m_model; }

    void startAdding();   // addone 增加员工
    void addPerson();     // Command2 确定
    void deleteCurrent(); // delone 删除选定员工
    void finish();        // btnExit 结束值班人员设定
    // Shows the selected person's 工号 (empty and closed when none is selected).
    void showStaffNumber();
    // Stores the typed 工号 for the selected person; a refused one is undone.
    void storeStaffNumber();
    // While 班数限制 holds a row, 排班 and 初始设置 are off (done on opening).
    void holdBarWhileLimitSet();

private:
    void setNameEntryVisible(bool visible);

    PageContext& m_context;
    staff::StaffEditor m_editor;
    staff::StaffTableModel* m_model;
    QTableView* m_grid;
    QLabel* m_nameLabel;
    QLineEdit* m_name;
    QPushButton* m_confirm;
    QLineEdit* m_staffNumber;
    qint64 m_staffNumberOf = -1; // the person whose 工号 the field shows
    bool m_storingStaffNumber = false;
};

} // namespace korvane
