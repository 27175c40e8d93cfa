#pragma once

#include <QWidget>

class QGroupBox;
class QLabel;
class QPushButton;

namespace korvane {

class GroupPanel;
class PageContext;

// 初始设定 (Formchushi): the hub of the master data. Six setup buttons lead
// to the staff editor, the date range, the shift editor and the three group
// pages; 进入设置向导 starts the wizard; 排班 leaves for the scheduling page.
// The six setup operations are public: the wizard drives the page through them.
class SetupPage : public QWidget {
    Q_OBJECT
public:
    explicit SetupPage(PageContext& context, QWidget* parent = nullptr);
    ~SetupPage() override;

    void staffSetting();      // Command1 值班人员设定
    void staffGroupSetting(); // btnRenyuanset 值班人员组设定
    void dateRangeSetting();  // btnDate1 日期范围设定
    void dateGroupSetting();  // btnDateset 日期组设定
    void shiftSetting();      // btnBanci 班次设定
    void shiftGroupSetting(); // btnBanciset 班次组设定
    void limitsSetting();     // btnLimits 人员限制与休假
    void targetsSetting();    // btnTargets 排班目标与意愿
    // Shows the staff editor among the pages of inWindow's main window,
    // opening it when it is not open.
    static void openStaffEditor(PageContext& context, const QWidget* inWindow);
    // The member list of the group page (the membership editor calls it on closing).
    void refreshMembers();
    // btnOk 排班: 初始设置 and 排班 on again, this page closed, the scheduling page shown.
    void schedule();
    // The wizard's last step: a panel that leads on to 人员限制与休假 or,
    // through 结束设置, to the scheduling page.
    void showWizardEnd(bool shown);
    GroupPanel* groupPanel() const { return m_groupPanel; }

    // The highlight rule of the six setup buttons: the button whose page is
    // showing has the light red back colour, the others the button face.
    static void setHighlighted(QPushButton* button, bool highlighted);
    static bool isHighlighted(const QPushButton* button);
    static QColor highlightColour();

signals:
    // Command5 进入设置向导 of this page.
    void enterWizardRequested();
    // Command7 确认 of the date-range panel, after the panel has closed.
    void periodConfirmed();
    // 结束设置 of the wizard's last step.
    void finishWizardRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void highlightOnly(QPushButton* button);
    void openGroupKind(QPushButton* button, int kind);
    void changePeriod(); // Command6 更改
    QWidget* buildPeriodPanel();
    QWidget* buildWizardEnd();

    PageContext& m_context;
    QLabel* m_title = nullptr;
    QGroupBox* m_setupButtons = nullptr; // Frame1
    QList<QPushButton*> m_sixButtons;
    QPushButton* m_staff = nullptr;
    QPushButton* m_staffGroups = nullptr;
    QPushButton* m_dateRange = nullptr;
    QPushButton* m_dateGroups = nullptr;
    QPushButton* m_shifts = nullptr;
    QPushButton* m_shiftGroups = nullptr;
    QGroupBox* m_periodPanel = nullptr; // Frame4
    QLabel* m_periodText = nullptr;     // Label1
    QGroupBox* m_wizardEnd = nullptr;
    GroupPanel* m_groupPanel = nullptr; // Frame2 + Frame3
};

} // namespace korvane
