// The desktop program as a process of its own, ended by SIGTERM as a session
// that logs out ends it.

#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

using namespace korvane;

// The window's start empties the work tables (a write the file keeps in its
// write-ahead log while the window runs); SIGTERM then ends the program as
// 退出系统 does: the database closed, its -wal and -shm gone, the data in the file.
// On a ward the same, but for the log files.
TEST(TerminationTest, SigtermEndsTheWindowWithTheDatabaseClosed) {
    test::TempDatabase data;
    data.loadSample();
    const QString people = data.scalar("SELECT COUNT(*) FROM 基本信息").toString();
    data.run("INSERT INTO 值班底表 (日期, 班次IDID, 姓名IDID, 是否值班) VALUES ('2027-01-01', 1, "
             "1, '1')");
    data.connection.reset();
    const bool file = !test::onServerStore();
    const QString wal = data.path + "-wal", shm = data.path + "-shm";
    ASSERT_FALSE(QFileInfo::exists(wal));

    QProcess window;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    window.setProcessEnvironment(environment);
    window.start(QDir(test::outputDirectory()).filePath("korvane"),
                 file ? QStringList{"--data-dir", data.dir.path()}
                      : QStringList{"--data-dir", data.dir.path()} +
                            test::databaseArguments(data.path));
    ASSERT_TRUE(window.waitForStarted(10000)) << window.errorString().toStdString();
    // Started once the work tables are empty, as seen through the log.
    const QDeadlineTimer deadline(60000);
    while (test::valuesIn(data.path, "SELECT COUNT(*) FROM 值班底表") != QStringList{"0"} &&
           !deadline.hasExpired() && window.state() == QProcess::Running)
        QThread::msleep(50);
    ASSERT_EQ(window.state(), QProcess::Running) << window.readAllStandardError().toStdString();
    ASSERT_EQ(QFileInfo::exists(wal), file);

    window.terminate(); // SIGTERM
    ASSERT_TRUE(window.waitForFinished(30000));
    EXPECT_EQ(window.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(window.exitCode(), 0) << window.readAllStandardError().toStdString();
    EXPECT_FALSE(QFileInfo::exists(wal));
    EXPECT_FALSE(QFileInfo::exists(shm));
    EXPECT_EQ(test::valuesIn(data.path, "SELECT COUNT(*) FROM 基本信息"), QStringList{people});
    EXPECT_EQ(test::valuesIn(data.path, "SELECT COUNT(*) FROM 值班底表"), QStringList{"0"});
}
