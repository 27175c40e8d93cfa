// The printable roster written as a PDF: the same layout the preview shows,
// the captions and the names readable, long rosters on several pages.

#include "engine/report/rosterreport.h"
#include "engine/roster.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

using namespace korvane;

namespace {

void fillRoster(test::TempDatabase& db, int lines) {
    db.run(QStringLiteral("begin"));
    for (int i = 0; i < lines; ++i) {
        db.run(QStringLiteral("insert into 值班报表 (日期, 班次, 开始时间, 是否跨转次日, 结束时间, "
                              "值班人) values ('2027年1月%1日', '%2', '08:00', '0', '16:00', "
                              "'  张三  李四')")
                   .arg(i % 28 + 1)
                   .arg(i % 2 ? QStringLiteral("白班") : QStringLiteral("夜班")));
    }
    db.run(QStringLiteral(
        "insert into 值班报表 (日期, 班次, 开始时间, 是否跨转次日, 结束时间, 值班人) "
        "values ('2027年2月1日', '白班', '08:00', '0', '16:00', '  O''Neil')"));
    db.run(QStringLiteral("commit"));
}

// The text of a PDF as poppler reads it; empty when pdftotext is missing.
QString pdfText(const QString& path) {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        return {};
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!process.waitForFinished(30000))
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

int pdfPages(const QString& path) {
    if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
        return -1;
    QProcess process;
    process.start(QStringLiteral("pdfinfo"), {path});
    if (!process.waitForFinished(30000))
        return -1;
    for (const QString& line : QString::fromUtf8(process.readAllStandardOutput()).split('\n')) {
        if (line.startsWith(QStringLiteral("Pages:")))
            return line.mid(6).trimmed().toInt();
    }
    return -1;
}

} // namespace

TEST(RosterPdf, ShowsTheCaptionsAndTheNamesOfTheQuery) {
    test::TempDatabase db;
    fillRoster(db, 4);
    const QString pdf = QDir(db.dir.path()).filePath(QStringLiteral("roster.pdf"));
    QString error;
    ASSERT_TRUE(report::writeRosterPdf(db.db(), engine::fullRosterQuery(), 1.0, pdf, &error))
        << error.toStdString();
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(5).startsWith("%PDF"));
    EXPECT_GT(file.size(), 1000);

    const QString text = pdfText(pdf);
    if (text.isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";
    for (const QString& caption :
         {QStringLiteral("日期"), QStringLiteral("班次"), QStringLiteral("开始时间"),
          QStringLiteral("值班人"), QStringLiteral("结束时间")})
        EXPECT_TRUE(text.contains(caption)) << caption.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("张三")));
    EXPECT_TRUE(text.contains(QStringLiteral("2027年1月1日")));
    EXPECT_EQ(pdfPages(pdf), 1);
}

TEST(RosterPdf, FollowsAPersonQueryWithAQuote) {
    test::TempDatabase db;
    fillRoster(db, 4);
    const QString pdf = QDir(db.dir.path()).filePath(QStringLiteral("person.pdf"));
    QString error;
    ASSERT_TRUE(report::writeRosterPdf(db.db(), engine::personRosterQuery(QStringLiteral("O'Neil")),
                                       1.0, pdf, &error))
        << error.toStdString();
    const QString text = pdfText(pdf);
    if (text.isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";
    EXPECT_TRUE(text.contains(QStringLiteral("O'Neil")));
    EXPECT_FALSE(text.contains(QStringLiteral("张三")));
}

TEST(RosterPdf, LongRostersAndTallBandsTakeMorePages) {
    test::TempDatabase db;
    fillRoster(db, 60);
    const QString narrow = QDir(db.dir.path()).filePath(QStringLiteral("narrow.pdf"));
    const QString tall = QDir(db.dir.path()).filePath(QStringLiteral("tall.pdf"));
    ASSERT_TRUE(report::writeRosterPdf(db.db(), engine::fullRosterQuery(), 1.0, narrow, nullptr));
    // F = 3 (six people on one shift): a 960-twip band instead of 480.
    ASSERT_TRUE(report::writeRosterPdf(db.db(), engine::fullRosterQuery(), 3.0, tall, nullptr));
    const int narrowPages = pdfPages(narrow);
    if (narrowPages < 0)
        GTEST_SKIP() << "pdfinfo is not installed";
    EXPECT_GT(narrowPages, 1);
    EXPECT_GT(pdfPages(tall), narrowPages);
    // Every line is there, the last one on the last page.
    EXPECT_TRUE(pdfText(narrow).contains(QStringLiteral("2027年2月1日")));
}

TEST(RosterPdf, AQueryThatFailsWritesNothing) {
    test::TempDatabase db;
    const QString pdf = QDir(db.dir.path()).filePath(QStringLiteral("broken.pdf"));
    QString error;
    EXPECT_FALSE(report::writeRosterPdf(db.db(), QStringLiteral("select * from 没有这张表"), 1.0,
                                        pdf, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFile::exists(pdf));
}
