#pragma once

#include "rosters/edits.h"
#include "rosters/locks.h"
#include "rosters/savedroster.h"
#include "rosters/warnings.h"

#include <QHash>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <utility>

class QLabel;
class QLineEdit;
class QListWidget;
class QSplitter;
class QPushButton;
class QUndoStack;
class QVBoxLayout;

namespace korvane {

class MonthSheetPage;
class PageContext;

// One saved roster: its month sheet with every output of the last run's
// (report rows, queries, PDF, CSV, workbook), its locks, and what its cells
// break, listed under the sheet.
class SavedRosterPage : public QWidget {
    Q_OBJECT
public:
    SavedRosterPage(PageContext& context, qint64 roster, QWidget* parent = nullptr);
    ~SavedRosterPage() override;

    bool hasRoster() const;
    const rosters::SavedRoster& roster() const { return m_saved; }
    MonthSheetPage* sheetPage() const;

    // What the roster as it stands breaks against the current set-up.
    const QList<rosters::Warning>& warnings() const { return m_found; }

    // Reads the roster again (renamed, or changed by another page).
    void refresh() { reload(); }

    // Locks (or unlocks, when it is locked) the current cell, its row or its column.
    void toggleLock(rosters::LockKind kind);

    // The roster's rows of the typed person and shift (each only when typed),
    // under the sheet; and printed, as the scheduling page's 生成报表.
    void query();
    void makeReport();

    // Hand edits of the current cell (shift: an index of the sheet's shifts);
    // each one transaction, undone and redone through the undo stack.
    void replaceInCell(int shift, int person);
    void removeFromCell(int shift);
    void addToCell(int shift);
    // The two selected cells exchange their people.
    void swapSelectedCells();
    QUndoStack* undoStack() const { return m_undo; }

    // Applies an edit (or its inverse) and shows the roster as it then is;
    // false after saying why.
    bool apply(rosters::Edit* edit);

protected:
    // Enabled again after a run (a regeneration may have replaced the
    // roster), or activated (another window or program, on a ward another
    // client, may have changed it): read anew when it changed meanwhile.
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    void reloadWhenChanged();
    std::pair<QPushButton*, QPushButton*> buildUndoButtons();
    QWidget* buildQueryBar();
    void buildWarningSplit();
    // Reads the roster and its locks again and shows them, with what they
    // break: after an edit only the rows and columns it touched are checked
    // again; otherwise the set-up is read anew and the whole sheet checked.
    bool reload(const rosters::Edit* edit = nullptr);
    void checkRoster(const rosters::Edit* edit);
    void applyMarks();
    // The person and date of the current cell of the sheet (false: none).
    bool currentCell(int* person, int* date) const;
    // The menus behind the edit buttons: which shift, which person.
    void chooseReplacement();
    void chooseRemoval();
    void chooseAddition();
    void push(rosters::Edit edit, const QString& text);

    PageContext& m_context;
    qint64 m_number = 0;
    rosters::SavedRoster m_saved;
    QList<rosters::Lock> m_locks;
    QString m_stamp; // rosters::rosterStamp of what is shown, read before it
    rosters::RosterChecker m_checker;
    bool m_checkerReady = false;
    QList<rosters::Warning> m_found;
    std::unique_ptr<rosters::RosterTables> m_tables;
    QPointer<MonthSheetPage> m_sheetPage;
    QVBoxLayout* m_sheetArea = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_gone = nullptr;
    QSplitter* m_split = nullptr; // the sheet over the warnings
    QWidget* m_warningBox = nullptr;
    QListWidget* m_warningList = nullptr;
    QLineEdit* m_personQuery = nullptr;
    QLineEdit* m_shiftQuery = nullptr;
    QUndoStack* m_undo = nullptr;
};

} // namespace korvane
