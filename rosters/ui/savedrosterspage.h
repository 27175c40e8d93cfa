#pragma once

#include "rosters/savedroster.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class QLineEdit;
class QPushButton;
class QTableWidget;

namespace korvane {

class PageContext;
class SavedRosterPage;

// 排班存档: the saved rosters, to open, rename, delete or generate again.
class SavedRostersPage : public QWidget {
    Q_OBJECT
public:
    // regenerate starts a regeneration of a saved roster (the scheduling
    // page's run); without it the page offers none.
    SavedRostersPage(PageContext& context, std::function<void(qint64)> regenerate,
                     QWidget* parent = nullptr);

    // Reads the list again, keeping the current roster where it still is.
    void reload();
    // The roster of the current row (0: none).
    qint64 currentRoster() const;

    void openRoster();
    // Makes the roster current and opens it (nothing when it is gone).
    void showRoster(qint64 roster);
    void renameRoster();
    void deleteRoster();

protected:
    // Another window or program (on a ward: another client) may have kept,
    // renamed, changed or deleted rosters meanwhile: when the page is
    // activated the list is read again if it is no longer what it shows.
    bool event(QEvent* event) override;

private:
    void showCurrentName();
    // The page open on a roster (null: none).
    SavedRosterPage* openPage(qint64 roster) const;

    PageContext& m_context;
    std::function<void(qint64)> m_regenerate;
    QList<rosters::RosterSummary> m_rosters;
    QTableWidget* m_list = nullptr;
    QLineEdit* m_name = nullptr;
    QList<QPointer<SavedRosterPage>> m_open; // one page per roster
};

} // namespace korvane
