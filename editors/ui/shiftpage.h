#pragma once

#include "editors/shifteditor.h"

#include <QWidget>
#include <optional>

class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QSqlQueryModel;
class QTableView;

namespace korvane {

class PageContext;

// 班次设定 (frmBanciset): the shifts of a day, a panel to enter one shift and
// the limit of consecutive days shared by all shifts. The work is done by
// ShiftEditor; this page shows its results.
class ShiftPage : public QWidget {
    Q_OBJECT
public:
    explicit ShiftPage(PageContext& context, QWidget* parent = nullptr);
    ~ShiftPage() override;

    void newShift();  // Command1 新增班次
    void editShift(); // Command2 编辑班次 (nothing without a current row)
    void deleteShift(); // btnDelete 删除班次 (hides the panel; nothing else without a current row)
    void save();        // btnOk 保存

    // The idid of the grid's current row, if a row is current.
    std::optional<qint64> currentShift() const;
    void selectShiftRow(int row);

private:
    enum class Mode { New, Edit };

    void buildControls();
    // Everything the window does when it opens: grid, shared limit, hour lists.
    void open();
    // A save closes the window and opens it anew: the panel shows the design
    // defaults again and the grid is read back from the database.
    void reopen();
    void resetPanel();
    // Shows the entry panel with the room its boxes need.
    void showPanel();
    void reloadGrid();
    void fillDistribution(const QString& text);
    void watchBox(QComboBox* box, ShiftBox kind);
    void onBoxChanged(QComboBox* box, ShiftBox kind);
    void onSharedLimitPicked();
    void writeSharedLimit();
    ShiftEntry panelEntry() const;
    void showPanelEntry(const ShiftEntry& entry);
    void reportStoreError();

    PageContext& m_context;
    ShiftEditor m_editor;
    Mode m_mode = Mode::New;
    std::optional<qint64> m_editedShift;
    bool m_settling = false;

    QSqlQueryModel* m_model = nullptr;
    QTableView* m_grid = nullptr;        // DataGrid1
    QComboBox* m_sharedLimit = nullptr;  // comLianxu
    QGroupBox* m_panel = nullptr;        // Frame1
    QLineEdit* m_name = nullptr;         // txtName
    QComboBox* m_startHour = nullptr;    // ComStartq
    QComboBox* m_startMinute = nullptr;  // ComStartm
    QComboBox* m_day = nullptr;          // comCiri
    QComboBox* m_endHour = nullptr;      // ComEndq
    QComboBox* m_endMinute = nullptr;    // ComEndm
    QComboBox* m_headcount = nullptr;    // ComRenshu
    QComboBox* m_level = nullptr;        // comBanji
    QComboBox* m_distribution = nullptr; // comFenburiqi
    QComboBox* m_leastRun = nullptr;     // ComLianxu1
    QLineEdit* m_note = nullptr;         // txtNote
};

} // namespace korvane
