// The printable roster written as a PDF: the same layout the preview shows,
// the captions and the names readable, long rosters and tall bands on more pages.

#include "engine/report/rosterreport.h"
#include "engine/roster.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

using namespace korvane;

TEST(RosterPdf, CaptionsNamesAndPages) {
    test::TempDatabase db;
    // 60 lines for 张三 and 李四, then one for O'Neil on 2027年2月1日.
    db.run("insert into 值班报表 (日期, 班次, 开始时间, 是否跨转次日, 结束时间, 值班人) with "
           "recursive n(i) as (select 0 union all select i + 1 from n where i < 59) select "
           "'2027年1月' || (i % 28 + 1) || '日', '白班', '08:00', '0', '16:00', '  张三  李四' "
           "from n; insert into 值班报表 (日期, 班次, 开始时间, 是否跨转次日, 结束时间, 值班人) "
           "values ('2027年2月1日', '白班', '08:00', '0', '16:00', '  O''Neil'), "
           "('2027年2月1日', '夜班', '22:00', '跨转至次日', '06:00', '  王五')");
    // Writes the roster of query with row height factor F; what pdftotext or pdfinfo says.
    const auto write = [&](const QString& query, double factor, const char* tool) {
        const QString pdf = QDir(db.dir.path()).filePath("roster.pdf");
        QString error;
        EXPECT_TRUE(report::writeRosterPdf(db.db(), query, factor, "", pdf, &error))
            << error.toStdString();
        const QStringList args =
            QString(tool) == "pdfinfo" ? QStringList{pdf} : QStringList{"-layout", pdf, "-"};
        return QString::fromUtf8(test::runProgram(tool, args).out);
    };
    const auto pages = [](const QString& info) {
        return info.section("Pages:", 1).section('\n', 0, 0).trimmed().toInt();
    };
    const QString text = write(engine::fullRosterQuery(), 1.0, "pdftotext");
    for (const char* expected :
         {"日期", "班次", "开始时间", "值班人", "结束时间", "张三", "2027年1月1日", "2027年2月1日"})
        EXPECT_TRUE(text.contains(expected)) << expected;
    EXPECT_TRUE(text.contains(report::endText({"", "", "", "", "06:00", true})));
    // F = 3 (six people on one shift): a 960-twip band instead of 480. Every
    // page tells the count that pdfinfo finds.
    for (const double factor : {1.0, 3.0}) {
        const int count = pages(write(engine::fullRosterQuery(), factor, "pdfinfo"));
        const QString pagesText = write(engine::fullRosterQuery(), factor, "pdftotext");
        EXPECT_GT(count, 1);
        EXPECT_EQ(pagesText.count(QString("共 %1 页").arg(count)), count);
    }
    EXPECT_GT(pages(write(engine::fullRosterQuery(), 3.0, "pdfinfo")),
              pages(write(engine::fullRosterQuery(), 1.0, "pdfinfo")));
    // A person query with a quote in the name.
    const QString person = write(engine::personRosterQuery("O'Neil"), 1.0, "pdftotext");
    EXPECT_TRUE(person.contains("O'Neil") && !person.contains("张三"));

    // A query that fails writes nothing.
    const QString broken = QDir(db.dir.path()).filePath("broken.pdf");
    QString error;
    EXPECT_FALSE(
        report::writeRosterPdf(db.db(), "select * from 没有这张表", 1.0, "", broken, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFile::exists(broken));
}
