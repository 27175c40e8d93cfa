#include "app/toolscommands.h"

#include "app/applicationcontroller.h"
#include "app/mainwindow.h"
#include "editors/period.h"
#include "overview/ui/overviewpage.h"
#include "store/connection.h"
#include "store/datafiles.h"
#include "store/filecommands.h"
#include "store/messages.h"
#include "store/server.h"

#include "ui/filechooser.h"
#include <QSettings>

#include <QDir>
#include <QFileInfo>
#include <QWidget>

namespace korvane {

namespace {
// What 连接服务器 offers next time: the address (never a password) and the ward.
const QString kLastServer = QStringLiteral("server/url");
const QString kLastWard = QStringLiteral("server/ward");
} // namespace

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
    controller.restartAround([&] {
        result = controller.onServer()
                     ? server::exportWard(controller.workingPath(), target)
                     : files::exportWorkingDatabase(controller.dataDirectory(), target);
    });
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

void ToolsCommands::connectServer() {
    QSettings settings;
    Prompt& prompt = m_controller.prompt();
    const QString url = prompt.text(msg::askServer, settings.value(kLastServer).toString());
    if (url.isEmpty())
        return;
    const QString ward = prompt.text(msg::askWard, settings.value(kLastWard).toString());
    if (ward.isEmpty())
        return;
    const QString location = server::location(url, ward);
    FileCheck problem;
    // Tried before the window lets go of its database: a refusal changes nothing.
    if (!Connection::openChecked(location, &problem)) {
        if (problem.verdict != FileCheck::Verdict::Missing) {
            prompt.information(server::describe(location) + QStringLiteral("：") + problem.reason);
            return;
        }
        if (!prompt.question(msg::createWardConfirm.arg(ward)) ||
            !makeWard(location, files::templatePath()))
            return;
    }
    switchToWard(url, ward);
}

void ToolsCommands::newWard() {
    Prompt& prompt = m_controller.prompt();
    const QString url = prompt.text(
        msg::askServer, m_controller.onServer() ? server::urlOf(m_controller.workingPath())
                                                : QSettings().value(kLastServer).toString());
    if (url.isEmpty())
        return;
    const QString ward = prompt.text(msg::askNewWard, QString());
    if (ward.trimmed().isEmpty())
        return;
    const QString location = server::location(url, ward);
    FileCheck problem;
    if (Connection::openChecked(location, &problem, Connection::Access::ReadOnly)) {
        prompt.information(msg::wardNameTaken.arg(ward));
        return;
    }
    if (problem.verdict != FileCheck::Verdict::Missing) {
        prompt.information(server::describe(location) + QStringLiteral("：") + problem.reason);
        return;
    }
    const bool sample = prompt.question(msg::newWardFromSample.arg(ward));
    if (makeWard(location, sample ? files::samplePath() : files::templatePath()))
        switchToWard(url, ward);
}

bool ToolsCommands::makeWard(const QString& location, const QString& source) {
    const files::CommandResult made = server::fillWard(location, source, false);
    if (!made.ok)
        m_controller.prompt().information(made.message);
    return made.ok;
}

void ToolsCommands::switchToWard(const QString& url, const QString& ward) {
    QSettings settings;
    settings.setValue(kLastServer, url);
    settings.setValue(kLastWard, ward);
    const QString location = server::location(url, ward);
    ApplicationController& controller = m_controller; // this object goes with the window
    controller.restartAround([&] { controller.setWard(location); });
}

void ToolsCommands::showOverview() {
    if (!m_controller.onServer()) {
        m_controller.prompt().information(msg::overviewNeedsServer);
        return;
    }
    // The month the ward plans: the one the department most likely looks at.
    QDate month;
    if (MainWindow* window = m_controller.mainWindow())
        if (const auto range = period::current(window->database()))
            month = QDate::fromString(range->first, Qt::ISODate);
    auto* page = new overview::OverviewPage(server::urlOf(m_controller.workingPath()),
                                            m_controller.prompt(), month);
    page->setAttribute(Qt::WA_DeleteOnClose);
    page->show();
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
    controller.restartAround([&] {
        result = controller.onServer()
                     ? server::fillWard(controller.workingPath(), path, true)
                     : files::replaceWorkingDatabase(controller.dataDirectory(), path);
    });
    if (!result.message.isEmpty())
        controller.prompt().information(result.message);
}

} // namespace korvane
