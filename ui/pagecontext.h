#pragma once

#include "store/prompt.h"
#include "ui/filechooser.h"
#include "ui/programstate.h"

#include <QEvent>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace korvane {

// Sent to every open page when another program changed the ward the window
// works on: a page reads again what it shows if that changed, as it does
// when it is activated.
inline QEvent::Type othersChangedEvent() {
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

// What a page may ask of the main window. The main window implements it;
// widget tests use a small fake.
class PageContext {
public:
    virtual ~PageContext() = default;

    // The window's connection to the working database (user-interface thread).
    virtual QSqlDatabase database() = 0;
    virtual QString databasePath() const = 0;
    // Where files are proposed: beside the working file, or the program's
    // data folder when the working database is a ward on a server.
    virtual QString dataFolder() const = 0;
    virtual Prompt& prompt() = 0;
    // The open and save dialogs.
    virtual FileChooser& fileChooser() = 0;
    virtual ProgramState& state() = 0;

    // The bar buttons 初始设置 (cssd) and 排班 (Command4).
    virtual void setSetupButtonEnabled(bool enabled) = 0;
    virtual void setScheduleButtonEnabled(bool enabled) = 0;
    // Everything that could change the data while a run goes on: the bar
    // buttons, the tools menu, and any write through the window's
    // connection. False when the connection cannot be kept from writing (or
    // let write again): a run must not start then.
    virtual bool setDataCommandsEnabled(bool enabled) = 0;

    virtual void showSetupPage() = 0;
    virtual void showSchedulingPage() = 0;
    // Shows a page as a child window of the main window.
    virtual void showPage(QWidget* page) = 0;
    // 优化值班表 on the last run's roster (savedName empty) or a saved roster.
    virtual void showImproveWindow(const QString& savedName) = 0;
    // The page of a saved roster, opened on its 评分 tab when asked.
    virtual void showSavedRoster(qint64 roster, bool scoreTab) = 0;
    // A saved roster the search kept, scored against the roster it started
    // from, term by term and person by person; empty for any other.
    virtual QStringList scoreComparison(qint64 roster) = 0;

    // A page opens another through these, so that no page knows another's
    // class. 排班总表 of the last run's roster (nothing when there is none),
    // and its closing when the work tables are emptied.
    virtual void openMonthSheet() = 0;
    virtual void closeMonthSheet() = 0;
    // 排班存档, read again when it is open already, and the saved roster of
    // that number opened from it (none for 0); regenerate starts 重新生成 of
    // a saved roster.
    virtual void openSavedRosters(std::function<void(qint64)> regenerate, qint64 roster) = 0;
    // The saved rosters changed: an open list reads them again.
    virtual void reloadSavedRosters() = 0;
    // Closes the main window and every page, then starts it again.
    virtual void restart() = 0;
};

} // namespace korvane
