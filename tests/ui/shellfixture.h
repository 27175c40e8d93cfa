#pragma once

// A fresh working database in a temporary data folder, and the program
// started on it with scripted messages, scripted file dialogs and a quit
// that only counts.

#include <QWidget>

#include "app/applicationcontroller.h"
#include "app/mainwindow.h"
#include "store/prompt.h"
#include "ui/fakepagecontext.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMdiSubWindow>
#include <QPushButton>

namespace korvane::test {

class ShellTest : public ::testing::Test {
protected:
    void TearDown() override {
        controller.reset();
        // Windows and pages disposed of with deleteLater.
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QString workingPath() const { return data.path; }

    MainWindow* startProgram() {
        controller = std::make_unique<ApplicationController>(data.dir.path());
        controller->setPrompt(&prompt);
        controller->setFileChooser(&chooser);
        controller->setQuitHandler([this] { ++quitCalls; });
        if (onServerStore())
            controller->setWard(data.path);
        EXPECT_TRUE(controller->start());
        return controller->mainWindow();
    }

    // The bar's button, not a page's button of the same name.
    QPushButton* barButton(const char* name) {
        for (QPushButton* button :
             controller->mainWindow()->findChildren<QPushButton*>(QLatin1String(name))) {
            bool inPage = false;
            for (QWidget* w = button; w; w = w->parentWidget())
                inPage = inPage || qobject_cast<QMdiSubWindow*>(w);
            if (!inPage)
                return button;
        }
        ADD_FAILURE() << "no bar button " << name;
        return nullptr;
    }

    void fillWorkingTables() {
        data.run(
            "INSERT INTO 值班底表 (日期, 班次IDID, 姓名IDID, 是否值班) VALUES ('2027-01-01', 1, "
            "1, '1'); INSERT INTO 值班报表 (日期, 班次, 值班人) VALUES ('2027年1月1日', "
            "'白班', '  张三')");
    }
    int workingTableRows() {
        return data
            .scalar("SELECT (SELECT COUNT(*) FROM 值班底表) + (SELECT COUNT(*) FROM 值班报表)")
            .toInt();
    }

    TempDatabase data; // the data folder, and the test's own connection to the working file
    ScriptedPrompt prompt;
    ScriptedFileChooser chooser;
    std::unique_ptr<ApplicationController> controller;
    int quitCalls = 0;
};

} // namespace korvane::test
