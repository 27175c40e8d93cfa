// The tools menu: what each command asks, what a cancelled dialog, a No or a
// refused file leave behind (nothing), and what a completed command does.

#include <QWidget>

#include "app/setuppage.h"
#include "editors/ui/staffpage.h"
#include "store/messages.h"
#include "ui/shellfixture.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QPointer>

using namespace korvane;
using korvane::test::ShellTest;

namespace {

class ToolsMenuTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        exec(
            QStringLiteral("INSERT INTO 基本信息 (ID, 姓名, 所属组ID) VALUES (1, '原有', 'zz1z')"));
        probe.reset(); // only the program holds the file open from here
        window = startProgram();
        window->setupPage()->staffSetting();
        before = fileBytes(workingPath());
        ASSERT_FALSE(before.isEmpty());
    }

    static QByteArray fileBytes(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void trigger(const char* item) {
        controller->mainWindow()->findChild<QAction*>(QLatin1String(item))->trigger();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    // Nothing was closed and the working file did not change.
    void expectUntouched() {
        EXPECT_FALSE(window.isNull());
        EXPECT_EQ(controller->mainWindow(), window.data());
        ASSERT_FALSE(window.isNull());
        EXPECT_EQ(window->openPages().size(), 2); // the setup page and the staff editor
        EXPECT_EQ(fileBytes(workingPath()), before);
    }
    // The main window was taken down and came back with the setup page only.
    void expectRestarted() {
        EXPECT_TRUE(window.isNull());
        ASSERT_NE(controller->mainWindow(), nullptr);
        ASSERT_EQ(controller->mainWindow()->openPages().size(), 1);
        EXPECT_EQ(controller->mainWindow()->openPages().first()->objectName(),
                  QStringLiteral("Formchushi"));
    }
    QStringList names() {
        QStringList result;
        QSqlQuery query(db());
        EXPECT_TRUE(query.exec(QStringLiteral("SELECT 姓名 FROM 基本信息 ORDER BY ID")));
        while (query.next())
            result << query.value(0).toString();
        return result;
    }
    // A Korvane database beside the working one, holding one person.
    QString otherDatabase(const QString& person) {
        const QString path = QDir(dir.path()).filePath(QStringLiteral("其他.mdb"));
        QString error;
        EXPECT_TRUE(files::copyDatabase(files::templatePath(), path, &error));
        auto other = Connection::open(path, &error);
        QSqlQuery query(other->db());
        query.prepare(QStringLiteral("INSERT INTO 基本信息 (ID, 姓名) VALUES (1, ?)"));
        query.addBindValue(person);
        EXPECT_TRUE(query.exec());
        query.finish();
        EXPECT_TRUE(query.exec(QStringLiteral("INSERT INTO 值班报表 (日期) VALUES ('x')")));
        return path;
    }

    QPointer<MainWindow> window;
    QByteArray before;
    const QString dialogFolder = files::programDirectory();
};

} // namespace

TEST_F(ToolsMenuTest, NoToTheQuestionChangesNothing) {
    for (const char* item : {"qingkong", "yangli", "datain"}) {
        SCOPED_TRACE(item);
        prompt.clear();
        prompt.addAnswer(false);
        trigger(item);
        EXPECT_EQ(prompt.questions().size(), 1);
        EXPECT_EQ(prompt.shown(), prompt.questions());
        expectUntouched();
    }
    EXPECT_TRUE(chooser.asked.isEmpty());
    EXPECT_EQ(prompt.questions(), QStringList{msg::overwriteConfirm});
}

TEST_F(ToolsMenuTest, ClearAsksItsOwnQuestion) {
    prompt.addAnswer(false);
    trigger("qingkong");
    EXPECT_EQ(prompt.questions(), QStringList{msg::clearConfirm});
}

TEST_F(ToolsMenuTest, CancelledDialogsChangeNothing) {
    trigger("datain");
    trigger("dataout");
    EXPECT_EQ(prompt.shown(), QStringList{msg::overwriteConfirm}); // export asks nothing
    const QString filter = QStringLiteral("access文件 (*.mdb)");
    EXPECT_EQ(chooser.asked, (QStringList{QStringLiteral("open|") + dialogFolder + '|' + filter,
                                          QStringLiteral("save|") + dialogFolder + '|' + filter}));
    expectUntouched();
}

TEST_F(ToolsMenuTest, RefusedFileChangesNothing) {
    const QString bad = QDir(dir.path()).filePath(QStringLiteral("坏的.mdb"));
    QFile file(bad);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Standard Jet DB, or anything else that is not ours");
    file.close();
    chooser.openAnswer = bad;
    trigger("datain");
    ASSERT_EQ(prompt.shown().size(), 2);
    EXPECT_TRUE(prompt.shown().at(1).startsWith(
        msg::fileRefused.arg(QDir::toNativeSeparators(bad), QString())
            .section(QStringLiteral("："), 0, 0)));
    expectUntouched();
}

TEST_F(ToolsMenuTest, ImportReplacesTheWorkingFileAndRestarts) {
    chooser.openAnswer = otherDatabase(QStringLiteral("导入的'人"));
    trigger("datain");
    expectRestarted();
    EXPECT_EQ(names(), QStringList{QStringLiteral("导入的'人")});
    // The start-up that follows empties the imported working tables.
    EXPECT_EQ(workingTableRows(), 0);
}

TEST_F(ToolsMenuTest, ClearLeavesTheTemplate) {
    trigger("qingkong");
    expectRestarted();
    EXPECT_TRUE(names().isEmpty());
    EXPECT_EQ(scalar(QStringLiteral("SELECT 日期组名称 FROM 日期组 WHERE idid = 1")).toString(),
              QStringLiteral("全部"));
}

TEST_F(ToolsMenuTest, SampleIsLoaded) {
    trigger("yangli");
    expectRestarted();
    EXPECT_GT(names().size(), 3);
    EXPECT_FALSE(names().contains(QStringLiteral("原有")));
}

TEST_F(ToolsMenuTest, ExportReplacesAnExistingFile) {
    const QString target = QDir(dir.path()).filePath(QStringLiteral("导出.mdb"));
    QFile existing(target);
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("old content");
    existing.close();
    chooser.saveAnswer = target;
    trigger("dataout");
    EXPECT_TRUE(prompt.questions().isEmpty());
    expectRestarted();
    EXPECT_TRUE(checkDatabaseFile(target).isEmpty());
    auto exported = Connection::open(target, nullptr, Connection::Access::ReadOnly);
    ASSERT_TRUE(exported);
    QSqlQuery query(exported->db());
    ASSERT_TRUE(query.exec(QStringLiteral("SELECT 姓名 FROM 基本信息")) && query.next());
    EXPECT_EQ(query.value(0).toString(), QStringLiteral("原有"));
    EXPECT_EQ(names(), QStringList{QStringLiteral("原有")});
}

TEST_F(ToolsMenuTest, FailedExportSaysSoAndKeepsTheWorkingFile) {
    chooser.saveAnswer = QDir(dir.path()).filePath(QStringLiteral("没有这个文件夹/导出.mdb"));
    trigger("dataout");
    expectRestarted();
    ASSERT_EQ(prompt.shown().size(), 1);
    EXPECT_TRUE(prompt.shown().first().startsWith(msg::exportFailed.section('%', 0, 0)));
    EXPECT_EQ(names(), QStringList{QStringLiteral("原有")});
}
