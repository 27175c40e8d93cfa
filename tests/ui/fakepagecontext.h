#pragma once

#include "app/pageopener.h"
#include "support/testsupport.h"
#include "ui/filechooser.h"
#include "ui/pagecontext.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QWidget>

namespace korvane::test {

// The control of that object name inside parent; a test failure when there is none.
template <typename T = QPushButton> T* control(const QObject* parent, const char* name) {
    T* found = parent->findChild<T*>(QLatin1String(name));
    if (!found)
        ADD_FAILURE() << "no control " << name;
    return found;
}

// File dialogs that answer from the test: a file name, or empty for Cancel.
class ScriptedFileChooser : public FileChooser {
public:
    QString openAnswer;
    QString saveAnswer;
    QStringList asked; // "open|start|filter" or "save|start|filter"

    QString openFile(QWidget*, const QString& start, const QString& filter) override {
        asked << QStringLiteral("open|%1|%2").arg(start, filter);
        return openAnswer;
    }
    QString saveFile(QWidget*, const QString& start, const QString& filter) override {
        asked << QStringLiteral("save|%1|%2").arg(start, filter);
        return saveAnswer;
    }
};

// A stand-in for the main window where a page is tested on its own: a fresh
// database (or a copy of the delivered sample ward), scripted messages, and
// a record of what the page asked of the bar.
class FakePageContext : public PageContext {
public:
    TempDatabase data;
    ScriptedPrompt scripted;
    ScriptedFileChooser chooser;
    ProgramState programState;
    bool setupButtonEnabled = false;
    bool dataCommandsEnabled = true;
    QList<bool> dataCommandChanges;
    bool refuseReadOnly = false; // the window's connection cannot be kept from writing
    PageOpener opener{*this};

    qint64 count(const QString& table) {
        return data.scalar("select count(*) from " + table).toLongLong();
    }

    QSqlDatabase database() override { return data.db(); }
    QString databasePath() const override { return data.path; }
    QString dataFolder() const override { return data.dir.path(); }
    Prompt& prompt() override { return scripted; }
    FileChooser& fileChooser() override { return chooser; }
    ProgramState& state() override { return programState; }
    void setSetupButtonEnabled(bool enabled) override { setupButtonEnabled = enabled; }
    void setScheduleButtonEnabled(bool) override {}
    bool setDataCommandsEnabled(bool enabled) override {
        dataCommandsEnabled = enabled;
        dataCommandChanges << enabled;
        return !refuseReadOnly;
    }
    void showSetupPage() override {}
    void showSchedulingPage() override {}
    void showPage(QWidget* page) override { page->show(); }
    QStringList improveWindows; // the rosters 优化值班表 was opened for ("" the last run's)
    QList<qint64> savedRostersShown;
    void showImproveWindow(const QString& savedName) override { improveWindows << savedName; }
    void showSavedRoster(qint64 roster, bool) override { savedRostersShown << roster; }
    QStringList scoreComparison(qint64) override { return {}; }
    void openMonthSheet() override { opener.openMonthSheet(); }
    void closeMonthSheet() override { opener.closeMonthSheet(); }
    void openSavedRosters(std::function<void(qint64)> regenerate, qint64 roster) override {
        opener.openSavedRosters(std::move(regenerate), roster);
    }
    void reloadSavedRosters() override { opener.reloadSavedRosters(); }
    void restart() override {}
};

} // namespace korvane::test
