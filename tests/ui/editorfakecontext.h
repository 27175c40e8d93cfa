#pragma once

#include "app/pagecontext.h"
#include "support/testsupport.h"

#include <QList>
#include <QPointer>
#include <QWidget>

namespace korvane::test {

// A stand-in for the main window where an editor page is tested on its own:
// a fresh database, scripted messages, and a record of what the page asked for.
class EditorFakeContext : public PageContext {
public:
    TempDatabase data;
    ScriptedPrompt scripted;
    ProgramState programState;
    QList<QPointer<QWidget>> shownPages;
    int restarts = 0;
    int setupPageShows = 0;

    QSqlDatabase database() override { return data.db(); }
    QString databasePath() const override { return data.path; }
    Prompt& prompt() override { return scripted; }
    ProgramState& state() override { return programState; }
    void setSetupButtonEnabled(bool) override {}
    void setScheduleButtonEnabled(bool) override {}
    void setDataCommandsEnabled(bool) override {}
    void showSetupPage() override { ++setupPageShows; }
    void showSchedulingPage() override {}
    void showPage(QWidget* page) override {
        shownPages << page;
        page->show();
    }
    void restart() override { ++restarts; }
};

} // namespace korvane::test
