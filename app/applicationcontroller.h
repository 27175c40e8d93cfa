#pragma once

#include "app/messageboxprompt.h"
#include "ui/programstate.h"

#include <QObject>
#include <QPointer>
#include <QUrl>
#include <functional>

namespace korvane {

class MainWindow;
class FileChooser;

// Owns what outlives a main window: the data folder, the program-wide state
// (wizardStep, the group context, the report query) and the prompt. Creates
// the main window, and creates it again on a restart, so that every restart
// opens the working file afresh and runs the start-up.
class ApplicationController : public QObject {
    Q_OBJECT
public:
    explicit ApplicationController(const QString& dataDir, QObject* parent = nullptr);
    ~ApplicationController() override;

    // Tests answer messages and file dialogs themselves.
    void setPrompt(Prompt* prompt);
    void setFileChooser(FileChooser* chooser);
    // What ends the program (QCoreApplication::quit unless replaced).
    void setQuitHandler(std::function<void()> quit);
    // What opens a web address or file in the browser (QDesktopServices::openUrl
    // unless replaced); false when nothing could be started.
    void setUrlOpener(std::function<bool(const QUrl&)> open);
    bool openUrl(const QUrl& url);

    // Creates the main window, runs its start-up and shows the setup page.
    // False (after a message) when the working database cannot be opened.
    bool start();

    MainWindow* mainWindow() const;
    ProgramState& state() { return m_state; }
    Prompt& prompt();
    FileChooser& fileChooser();
    const QString& dataDirectory() const { return m_dataDir; }
    // The working database: the data folder's file, or the ward of a server
    // the program was connected to (its location, see store/server.h).
    QString workingPath() const;
    void setWard(const QString& location) { m_ward = location; }
    bool onServer() const { return !m_ward.isEmpty(); }

    // Closes the main window with every page, then starts it again.
    void restart();
    // Closes the main window with every page and releases the working file,
    // runs whileClosed, then starts the main window again.
    void restartAround(const std::function<void()>& whileClosed);
    // 退出系统: keeps typed edits, empties the working tables, ends the program.
    void exitProgram();

private:
    bool openMainWindow();
    // Hides and disposes of the current main window after closing its pages.
    void closeMainWindow();

    QString m_dataDir;
    QString m_ward;
    ProgramState m_state;
    MessageBoxPrompt m_boxPrompt;
    Prompt* m_prompt = nullptr;
    FileChooser* m_chooser = nullptr;
    std::unique_ptr<FileChooser> m_dialogChooser;
    std::function<void()> m_quit;
    std::function<bool(const QUrl&)> m_openUrl;
    QPointer<MainWindow> m_window;
    QByteArray m_geometry;
};

} // namespace korvane
