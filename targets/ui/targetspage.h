#pragma once

#include "targets/holidays.h"
#include "targets/targetseditor.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QStandardItemModel;
class QTableView;
class QTabWidget;

namespace korvane {

class PageContext;

// 排班目标与意愿: what makes a roster good, as the planner sets it. Tabs for
// the targets of people and staff groups, the wishes (typed or imported
// from a CSV file), the fairness weights of each staff group (the defaults
// shown), the ideal headcount beside each shift's 人数, the forbidden
// successions, and the holidays of the period.
class TargetsPage : public QWidget {
    Q_OBJECT
public:
    explicit TargetsPage(PageContext& context, QWidget* parent = nullptr);

    // Reads everything again (other pages may have changed the staff,
    // groups, shifts or period while this one was open).
    void reload();

private:
    QWidget* buildTargetsTab();
    QWidget* buildWishesTab();
    QWidget* buildFairnessTab();
    QWidget* buildIdealTab();
    QWidget* buildSuccessionsTab();
    QWidget* buildHolidaysTab();

    void fillChoices();
    void fillTargets(qint64 current);
    void fillWishes(qint64 current);
    void fillFairness();
    void fillIdeal();
    void fillSuccessions(qint64 current);
    void fillHolidays();

    void showSelectedTarget();
    void showSelectedWish();
    void showSelectedSuccession();
    void targetKindChanged();
    targets::TargetEntry typedTarget() const;
    targets::WishEntry typedWish() const;
    targets::SuccessionEntry typedSuccession() const;
    void fairnessEdited(int row, int column);
    void idealEdited(int row, int column);
    void markSelected(targets::DayMark mark);
    void importWishes();

    PageContext& m_context;
    targets::TargetsEditor m_editor;
    targets::HolidayEditor m_holidays;
    QTabWidget* m_tabs = nullptr;
    bool m_filling = false; // the grids are being filled, not edited

    QTableView* m_targetList = nullptr;
    QStandardItemModel* m_targetModel = nullptr;
    QComboBox* m_targetFor = nullptr; // people, then staff groups
    QComboBox* m_targetKind = nullptr;
    QComboBox* m_targetShift = nullptr;
    QLineEdit* m_least = nullptr;
    QLineEdit* m_most = nullptr;
    QLineEdit* m_targetWeight = nullptr;

    QTableView* m_wishList = nullptr;
    QStandardItemModel* m_wishModel = nullptr;
    QComboBox* m_wishPerson = nullptr;
    QDateEdit* m_wishFirst = nullptr;
    QDateEdit* m_wishLast = nullptr;
    QComboBox* m_wishShift = nullptr;
    QComboBox* m_wanted = nullptr;
    QLineEdit* m_wishWeight = nullptr;
    QLineEdit* m_wishReason = nullptr;

    QTableView* m_fairnessGrid = nullptr;
    QStandardItemModel* m_fairnessModel = nullptr;
    QTableView* m_idealGrid = nullptr;
    QStandardItemModel* m_idealModel = nullptr;

    QTableView* m_successionList = nullptr;
    QStandardItemModel* m_successionModel = nullptr;
    QComboBox* m_before = nullptr;
    QComboBox* m_after = nullptr;

    QTableView* m_calendar = nullptr;
    QStandardItemModel* m_calendarModel = nullptr;
};

} // namespace korvane
