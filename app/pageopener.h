#pragma once

#include <QPointer>

#include <functional>

namespace korvane {

class MonthSheetPage;
class PageContext;
class SavedRostersPage;

// The pages that other pages open, found again or made anew: what the main
// window answers when a page asks its context to open one.
class PageOpener {
public:
    explicit PageOpener(PageContext& context) : m_context(context) {}

    void openMonthSheet();
    void closeMonthSheet();
    void openSavedRosters(std::function<void(qint64)> regenerate, qint64 roster);
    void reloadSavedRosters();

private:
    PageContext& m_context;
    QPointer<MonthSheetPage> m_monthSheet;
    QPointer<SavedRostersPage> m_savedRosters;
};

} // namespace korvane
