// The tools menu: what each command asks, what a cancelled dialog, a No or a
// refused file leave behind (nothing), and what a completed command does.

#include <QWidget>

#include "app/setuppage.h"
#include "editors/ui/staffpage.h"
#include "store/messages.h"
#include "store/server.h"
#include "support/servercluster.h"
#include "ui/shellfixture.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QPointer>
#include <QSqlQuery>
#include <QStandardPaths>

using namespace korvane;
using test::fileBytes;

namespace {

class ToolsMenuTest : public test::ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        data.run("INSERT INTO 基本信息 (ID, 姓名, 所属组ID) VALUES (1, '原有', 'zz1z')");
        data.connection.reset(); // only the program holds the file open from here
        window = startProgram();
        window->setupPage()->staffSetting();
        before = workingState();
        ASSERT_FALSE(before.isEmpty());
    }

    void trigger(const char* item) {
        controller->mainWindow()->findChild<QAction*>(QLatin1String(item))->trigger();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // Nothing was closed and the working file did not change.
    void expectUntouched() {
        ASSERT_FALSE(window.isNull());
        EXPECT_EQ(controller->mainWindow(), window.data());
        EXPECT_EQ(window->openPages().size(), 2); // the setup page and the staff editor
        EXPECT_EQ(workingState(), before);
    }
    // The main window was taken down and came back with the setup page only.
    void expectRestarted() {
        EXPECT_TRUE(window.isNull());
        ASSERT_NE(controller->mainWindow(), nullptr);
        ASSERT_EQ(controller->mainWindow()->openPages().size(), 1);
        EXPECT_EQ(controller->mainWindow()->openPages().first()->objectName(), "Formchushi");
    }
    QStringList names(const QString& path = {}) {
        return test::valuesIn(path.isEmpty() ? workingPath() : path,
                              "SELECT 姓名 FROM 基本信息 ORDER BY ID");
    }
    QString inFolder(const QString& name) const { return QDir(data.dir.path()).filePath(name); }
    // What the working database holds: a file's bytes, a ward's people.
    QByteArray workingState() {
        return test::onServerStore() ? names().join('\n').toUtf8() : fileBytes(workingPath());
    }

    QPointer<MainWindow> window;
    QByteArray before;
};

} // namespace

TEST_F(ToolsMenuTest, NoToTheQuestionChangesNothing) {
    const struct {
        const char* item;
        QString question;
    } cases[] = {{"qingkong", msg::clearConfirm},
                 {"yangli", msg::overwriteConfirm},
                 {"datain", msg::overwriteConfirm}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.item);
        prompt.clear();
        prompt.addAnswer(false);
        trigger(c.item);
        EXPECT_EQ(prompt.shown(), QStringList{c.question});
        EXPECT_EQ(prompt.questions(), QStringList{c.question});
        expectUntouched();
    }
    EXPECT_TRUE(chooser.asked.isEmpty());
}

TEST_F(ToolsMenuTest, CancelledDialogsAndARefusedFileChangeNothing) {
    trigger("datain");
    trigger("dataout");
    EXPECT_EQ(prompt.shown(), QStringList{msg::overwriteConfirm}); // export asks nothing
    // Both dialogs start in the data folder in use, not the program's own.
    const QString folderAndFilter = data.dir.path() + "|access文件 (*.mdb)";
    EXPECT_EQ(chooser.asked, (QStringList{"open|" + folderAndFilter, "save|" + folderAndFilter}));
    expectUntouched();

    const QString bad = inFolder("坏的.mdb");
    test::writeFile(bad, "Standard Jet DB, or anything else that is not ours");
    chooser.openAnswer = bad;
    prompt.clear();
    trigger("datain");
    ASSERT_EQ(prompt.shown().size(), 2);
    EXPECT_TRUE(prompt.shown().at(1).startsWith(
        msg::fileRefused.arg(QDir::toNativeSeparators(bad), QString()).section("：", 0, 0)));
    expectUntouched();
}

TEST_F(ToolsMenuTest, ImportReplacesTheWorkingFileAndRestarts) {
    // A Korvane database file elsewhere, holding one person and a roster line.
    const QString other = inFolder("别处.mdb");
    {
        QString error;
        const auto connection = Connection::create(other, &error);
        ASSERT_TRUE(connection) << error.toStdString();
        QSqlQuery query(connection->db());
        for (const char* row : {"INSERT INTO 基本信息 (ID, 姓名) VALUES (1, '导入的''人')",
                                "INSERT INTO 值班报表 (日期) VALUES ('x')"})
            ASSERT_TRUE(query.exec(row)) << row;
    }
    chooser.openAnswer = other;
    trigger("datain");
    expectRestarted();
    EXPECT_EQ(names(), QStringList{"导入的'人"});
    // The start-up that follows empties the imported working tables.
    EXPECT_EQ(workingTableRows(), 0);
}

TEST_F(ToolsMenuTest, TheSampleIsLoadedAndClearLeavesTheTemplate) {
    trigger("yangli");
    expectRestarted();
    EXPECT_GT(names().size(), 3);
    EXPECT_FALSE(names().contains("原有"));
    window = controller->mainWindow();
    trigger("qingkong");
    expectRestarted();
    EXPECT_TRUE(names().isEmpty());
    EXPECT_EQ(test::valuesIn(workingPath(), "SELECT 日期组名称 FROM 日期组"), QStringList{"全部"});
}

// An export that fails says so; one onto an existing file replaces it. Both
// restart the window and keep the working file.
TEST_F(ToolsMenuTest, ExportReplacesAnExistingFileOrSaysWhyNot) {
    chooser.saveAnswer = inFolder("没有这个文件夹/导出.mdb");
    trigger("dataout");
    expectRestarted();
    ASSERT_EQ(prompt.shown().size(), 1);
    EXPECT_TRUE(prompt.shown().first().startsWith(msg::exportFailed.section('%', 0, 0)));

    const QString target = inFolder("导出.mdb");
    test::writeFile(target, "old content");
    chooser.saveAnswer = target;
    window = controller->mainWindow();
    trigger("dataout");
    EXPECT_TRUE(prompt.questions().isEmpty());
    expectRestarted();
    EXPECT_EQ(names(target), QStringList{"原有"});
    EXPECT_EQ(names(), QStringList{"原有"});
}

// 新建病区… makes a ward from the sample (or the template) on the server and
// restarts on it; a name already taken is refused before anything is made.
TEST_F(ToolsMenuTest, NewWardStartsFromTheSampleOrIsRefusedWhenTaken) {
    KORVANE_NEED_SERVER(cluster);
    QStandardPaths::setTestModeEnabled(true); // the remembered server and ward
    const QString ward = QStringLiteral("新 病区'甲");
    const QString location = server::location(cluster->url(), ward);
    for (const bool taken : {false, true}) {
        SCOPED_TRACE(taken ? "taken" : "new");
        prompt.clear();
        prompt.addText(cluster->url());
        prompt.addText(ward);
        prompt.addAnswer(true); // from the sample
        window = controller->mainWindow();
        trigger("xinbingqu");
        if (taken) {
            ASSERT_FALSE(window.isNull()); // not restarted
            EXPECT_EQ(controller->mainWindow(), window.data());
            EXPECT_EQ(prompt.shown().last(), msg::wardNameTaken.arg(ward));
            EXPECT_TRUE(prompt.questions().isEmpty());
        } else {
            expectRestarted();
            EXPECT_EQ(controller->workingPath(), location);
            EXPECT_GT(names(location).size(), 3);
        }
    }
}
