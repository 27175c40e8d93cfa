#include "app/toolscommands.h"

#include "app/applicationcontroller.h"
#include "store/connection.h"
#include "store/datafiles.h"
#include "store/filecommands.h"
#include "store/messages.h"
#include "ui/filechooser.h"

#include <QDir>
#include <QFileInfo>
#include <QWidget>

namespace korvane {

ToolsCommands::ToolsCommands(ApplicationController& controller, QWidget* window)
    : QObject(window), m_controller(controller), m_window(window) {}

void ToolsCommands::exportDatabase() {
    const QString target = m_controller.fileChooser().saveFile(
        m_window, m_controller.dataDirectory(), msg::fileFilter);
    QDir::setCurrent(files::programDirectory());
    if (target.isEmpty())
        return;
    ApplicationController& controller = m_controller; // this object goes with the window
    files::CommandResult result;
    controller.restartAround(
        [&] { result = files::exportWorkingDatabase(controller.dataDirectory(), target); });
    if (!result.message.isEmpty())
        controller.prompt().information(result.message);
}

void ToolsCommands::importDatabase() {
    QDir::setCurrent(files::programDirectory());
    if (!m_controller.prompt().question(msg::overwriteConfirm))
        return;
    const QString source = m_controller.fileChooser().openFile(
        m_window, m_controller.dataDirectory(), msg::fileFilter);
    QDir::setCurrent(files::programDirectory());
    if (source.isEmpty())
        return;
    replaceWith(source);
}

void ToolsCommands::clearDatabase() {
    QDir::setCurrent(files::programDirectory());
    if (!m_controller.prompt().question(msg::clearConfirm))
        return;
    replaceWith(files::templatePath());
}

void ToolsCommands::loadSample() {
    QDir::setCurrent(files::programDirectory());
    if (!m_controller.prompt().question(msg::overwriteConfirm))
        return;
    replaceWith(files::samplePath());
}

void ToolsCommands::replaceWith(const QString& source) {
    const QString path = QFileInfo(source).absoluteFilePath();
    const QString problem = checkDatabaseFile(path);
    if (!problem.isEmpty()) {
        // Refused before anything is closed: every page stays as it is.
        m_controller.prompt().information(
            msg::fileRefused.arg(QDir::toNativeSeparators(path), problem));
        return;
    }
    ApplicationController& controller = m_controller; // this object goes with the window
    files::CommandResult result;
    controller.restartAround(
        [&] { result = files::replaceWorkingDatabase(controller.dataDirectory(), path); });
    if (!result.message.isEmpty())
        controller.prompt().information(result.message);
}

} // namespace korvane
