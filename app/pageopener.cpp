#include "app/pageopener.h"

#include "monthsheet/ui/monthsheetpage.h"
#include "rosters/ui/savedrosterspage.h"
#include "ui/pagecontext.h"

namespace korvane {

void PageOpener::openMonthSheet() {
    if (m_monthSheet) {
        m_context.showPage(m_monthSheet);
        return;
    }
    auto* page = new MonthSheetPage(m_context);
    if (!page->hasRoster()) {
        delete page;
        return;
    }
    page->setAttribute(Qt::WA_DeleteOnClose);
    m_monthSheet = page;
    m_context.showPage(page);
}

void PageOpener::closeMonthSheet() {
    if (m_monthSheet)
        m_monthSheet->close();
}

void PageOpener::openSavedRosters(std::function<void(qint64)> regenerate, qint64 roster) {
    if (!m_savedRosters) {
        auto* page = new SavedRostersPage(m_context, std::move(regenerate));
        page->setAttribute(Qt::WA_DeleteOnClose);
        m_savedRosters = page;
    } else {
        m_savedRosters->reload();
    }
    m_context.showPage(m_savedRosters);
    if (roster)
        m_savedRosters->showRoster(roster);
}

void PageOpener::reloadSavedRosters() {
    if (m_savedRosters)
        m_savedRosters->reload();
}

} // namespace korvane
