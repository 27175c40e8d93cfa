#include "app/applicationcontroller.h"

#include "app/mainwindow.h"
#include "engine/roster.h"
#include "store/connection.h"
#include "store/databaselock.h"
#include "store/datafiles.h"
#include "store/server.h"
#include "ui/filechooser.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QSqlError>
#include <QSqlQuery>

namespace korvane {

ApplicationController::ApplicationController(const QString& dataDir, QObject* parent)
    : QObject(parent), m_dataDir(dataDir), m_quit([] { QCoreApplication::quit(); }),
      m_openUrl([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {}

ApplicationController::~ApplicationController() {
    if (m_window) {
        m_window->setClosingForRestart(true);
        delete m_window.data();
    }
}

MainWindow* ApplicationController::mainWindow() const {
    return m_window.data();
}

void ApplicationController::setPrompt(Prompt* prompt) {
    m_prompt = prompt;
}

void ApplicationController::setFileChooser(FileChooser* chooser) {
    m_chooser = chooser;
}

void ApplicationController::setQuitHandler(std::function<void()> quit) {
    m_quit = std::move(quit);
}

void ApplicationController::setUrlOpener(std::function<bool(const QUrl&)> open) {
    m_openUrl = std::move(open);
}

bool ApplicationController::openUrl(const QUrl& url) {
    return m_openUrl(url);
}

Prompt& ApplicationController::prompt() {
    if (m_prompt)
        return *m_prompt;
    m_boxPrompt.setParent(m_window);
    return m_boxPrompt;
}

FileChooser& ApplicationController::fileChooser() {
    if (m_chooser)
        return *m_chooser;
    if (!m_dialogChooser)
        m_dialogChooser = std::make_unique<DialogFileChooser>();
    return *m_dialogChooser;
}

QString ApplicationController::workingPath() const {
    if (onServer())
        return m_ward;
    return files::workingPath(m_dataDir);
}

bool ApplicationController::start() {
    if (!openMainWindow())
        return false;
    m_window->show();
    m_window->showSetupPage();
    return true;
}

bool ApplicationController::openMainWindow() {
    // Start-up: the working file opened afresh, the program folder current
    // again, and every start begins with empty working tables.
    QDir::setCurrent(files::programDirectory());
    QString error;
    // Taken first: a replace by another program of ours is over before the window opens the file.
    auto useLock = files::DatabaseLock::acquire(workingPath(), files::DatabaseLock::Mode::Use,
                                                files::lockWaitMs(), &error);
    if (!useLock) {
        prompt().information(error);
        return false;
    }
    std::unique_ptr<Connection> connection = Connection::open(workingPath(), &error);
    // A run of another program owns the work tables; they are not emptied under it.
    if (!connection || !engine::resetIdleWorkTables(connection->db(), &error)) {
        prompt().information((onServer() ? server::describe(workingPath())
                                         : QDir::toNativeSeparators(workingPath())) +
                             QStringLiteral("：") + error);
        return false;
    }
    m_window = new MainWindow(*this, std::move(connection), std::move(useLock));
    if (!m_geometry.isEmpty())
        m_window->restoreGeometry(m_geometry);
    return true;
}

void ApplicationController::closeMainWindow() {
    if (!m_window)
        return;
    MainWindow* window = m_window;
    m_geometry = window->saveGeometry();
    window->closeAllPages();
    window->releaseDatabase();
    window->setClosingForRestart(true);
    window->hide();
    // The window may be the sender of the command that got us here.
    window->deleteLater();
    m_window = nullptr;
}

void ApplicationController::restart() {
    restartAround({});
}

void ApplicationController::restartAround(const std::function<void()>& whileClosed) {
    closeMainWindow();
    if (whileClosed)
        whileClosed();
    if (!openMainWindow()) {
        m_quit();
        return;
    }
    m_window->show();
    m_window->showSetupPage();
}

void ApplicationController::exitProgram() {
    if (m_window) {
        MainWindow* window = m_window;
        window->stopRunningGeneration();
        window->commitPendingEdits();
        {
            // A handle of its own, gone before the connection is released.
            QString error;
            QSqlDatabase db = window->database();
            if (db.isOpen() && !engine::resetIdleWorkTables(db, &error))
                prompt().information(error);
        }
        // The program ends at once: no page runs its own closing steps.
        window->discardAllPages();
        window->releaseDatabase();
        window->setClosingForRestart(true);
        window->hide();
        window->deleteLater();
        m_window = nullptr;
    }
    m_quit();
}

} // namespace korvane
