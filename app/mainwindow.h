#pragma once

#include "app/pageopener.h"
#include "store/connection.h"
#include "store/databaselock.h"
#include "ui/pagecontext.h"

#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <memory>

class QMdiArea;
class QMdiSubWindow;
class QPushButton;

namespace korvane {

class ApplicationController;
class HelpWindow;
class SchedulingPage;
class SetupPage;
class SetupWizard;
class ToolsCommands;

// MDIForm1, the main window: the button bar Picture1, the menus and the
// pages, each in a child window of the workspace. It holds the window's
// connection to the working database for as long as it lives.
class MainWindow : public QMainWindow, public PageContext {
    Q_OBJECT
public:
    // The connection stays open, and with it the lock that tells the other
    // programs of ours that the file is in use, for as long as the window lives.
    MainWindow(ApplicationController& controller, std::unique_ptr<Connection> connection,
               std::unique_ptr<files::DatabaseLock> useLock = nullptr);
    ~MainWindow() override;

    QSqlDatabase database() override;
    QString databasePath() const override;
    QString dataFolder() const override;
    Prompt& prompt() override;
    FileChooser& fileChooser() override;
    ProgramState& state() override;
    void setSetupButtonEnabled(bool enabled) override;
    void setScheduleButtonEnabled(bool enabled) override;
    bool setDataCommandsEnabled(bool enabled) override;
    void showSetupPage() override;
    void showSchedulingPage() override;
    void showPage(QWidget* page) override;
    void showImproveWindow(const QString& savedName) override;
    void showSavedRoster(qint64 roster, bool scoreTab) override;
    QStringList scoreComparison(qint64 roster) override;
    void openMonthSheet() override { m_opener.openMonthSheet(); }
    void closeMonthSheet() override { m_opener.closeMonthSheet(); }
    void openSavedRosters(std::function<void(qint64)> regenerate, qint64 roster) override {
        m_opener.openSavedRosters(std::move(regenerate), roster);
    }
    void reloadSavedRosters() override { m_opener.reloadSavedRosters(); }
    void restart() override;

    // The pages still open, in the order they were opened.
    QList<QWidget*> openPages() const;
    SetupPage* setupPage() const;
    SchedulingPage* schedulingPage() const;

    // 帮助说明: the help window hep; one at a time, raised when asked again.
    void showHelp();
    // 新版本下载 and 在线说明: the introduction page in the browser, or a
    // message that says where the page is when no browser can be started.
    void openIntroductionPage();

    // Puts every edit still open in a grid into its model and saves it.
    void commitPendingEdits();
    // Stops a generation run that is going on.
    void stopRunningGeneration();
    // Closes every page, each running its own closing steps; pages that
    // refuse are disposed of all the same.
    void closeAllPages();
    // Disposes of every page without their closing steps (退出系统).
    void discardAllPages();
    // Closes the connection; nothing reads the file through this window afterwards.
    void releaseDatabase();

    // Set while the controller takes the window down, so closing it does not end the program.
    void setClosingForRestart(bool closing) { m_closingForRestart = closing; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildButtonBar(QWidget* bar);
    void fitToScreen();
    void buildMenus();
    // The bar's 初始设置 and 排班: the program folder again, the most
    // recently opened page closed, then the page shown.
    void openFromBar(void (MainWindow::*show)());
    void closeMostRecentPage();
    QMdiSubWindow* subWindowOf(QWidget* page) const;
    void setBarButtonEnabled(QPushButton* button, bool enabled);
    // On a ward: the open pages hear of what other programs commit there.
    void listenToOthers();

    ApplicationController& m_controller;
    std::unique_ptr<Connection> m_connection;
    std::unique_ptr<files::DatabaseLock> m_useLock;
    QString m_databasePath;
    QMdiArea* m_area = nullptr;
    QPushButton* m_setupButton = nullptr;    // cssd
    QPushButton* m_scheduleButton = nullptr; // Command4
    QPushButton* m_exitButton = nullptr;     // Command2
    QPushButton* m_enterWizard = nullptr;    // Command6
    QPushButton* m_previous = nullptr;       // Command5
    QPushButton* m_leaveWizard = nullptr;    // Command11
    QPushButton* m_next = nullptr;           // Command3
    QMenu* m_toolsMenu = nullptr;
    // The bar buttons' states while the data commands are held (a run goes on).
    QHash<QPushButton*, bool> m_heldButtons;
    SetupWizard* m_wizard = nullptr;
    ToolsCommands* m_tools = nullptr;
    QList<QPointer<QWidget>> m_pages; // in opening order
    QPointer<SetupPage> m_setupPage;
    QPointer<SchedulingPage> m_schedulingPage;
    QPointer<HelpWindow> m_help;
    PageOpener m_opener{*this};
    bool m_closingForRestart = false;
    bool m_takingDown = false; // pages are being closed with the window
};

} // namespace korvane
