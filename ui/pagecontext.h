#pragma once

#include "editors/programstate.h"
#include "store/prompt.h"
#include "ui/filechooser.h"

#include <QSqlDatabase>
#include <QString>

class QWidget;

namespace korvane {

// What a page may ask of the main window. The main window implements it;
// widget tests use a small fake.
class PageContext {
public:
    virtual ~PageContext() = default;

    // The window's connection to the working database (user-interface thread).
    virtual QSqlDatabase database() = 0;
    virtual QString databasePath() const = 0;
    virtual Prompt& prompt() = 0;
    // The open and save dialogs.
    virtual FileChooser& fileChooser() = 0;
    virtual ProgramState& state() = 0;

    // The bar buttons 初始设置 (cssd) and 排班 (Command4).
    virtual void setSetupButtonEnabled(bool enabled) = 0;
    virtual void setScheduleButtonEnabled(bool enabled) = 0;
    // Everything that could change the data while a run goes on: the bar
    // buttons and the tools menu.
    virtual void setDataCommandsEnabled(bool enabled) = 0;

    virtual void showSetupPage() = 0;
    virtual void showSchedulingPage() = 0;
    // Shows a page as a child window of the main window.
    virtual void showPage(QWidget* page) = 0;
    // 优化值班表 on the last run's roster (savedName empty) or a saved roster.
    virtual void showImproveWindow(const QString& savedName) = 0;
    // The page of a saved roster, opened on its 评分 tab.
    virtual void showSavedRoster(qint64 roster) = 0;
    // Closes the main window and every page, then starts it again.
    virtual void restart() = 0;
};

} // namespace korvane
