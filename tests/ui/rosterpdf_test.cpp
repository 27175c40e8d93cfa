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

// What a poppler tool prints for the PDF; empty when the tool is missing.
QString popplerOutput(const QString& tool, const QStringList& arguments) {
    if (QStandardPaths::findExecutable(tool).isEmpty())
        return {};
    QProcess process;
    process.start(tool, arguments);
    return process.waitForFinished(30000) ? QString::fromUtf8(process.readAllStandardOutput())
                                          : QString();
}
QString pdfText(const QString& path) {
    return popplerOutput("pdftotext", {"-layout", path, "-"});
}
int pdfPages(const QString& path) {
    for (const QString& line : popplerOutput("pdfinfo", {path}).split('\n'))
        if (line.startsWith("Pages:"))
            return line.mid(6).trimmed().toInt();
    return -1;
}

class RosterPdf : public ::testing::Test {
protected:
    // lines roster lines for 张三 and 李四, then one for O'Neil on 2027年2月1日.
    void fillRoster(int lines) {
        db.run("begin");
        for (int i = 0; i < lines; ++i)
            db.run(QString("insert into 值班报表 (日期, 班次, 开始时间, 是否跨转次日, 结束时间, "
                           "值班人) values ('2027年1月%1日', '%2', '08:00', '0', '16:00', "
                           "'  张三  李四')")
                       .arg(i % 28 + 1)
                       .arg(i % 2 ? "白班" : "夜班"));
        db.run("insert into 值班报表 (日期, 班次, 开始时间, 是否跨转次日, 结束时间, 值班人) "
               "values ('2027年2月1日', '白班', '08:00', '0', '16:00', '  O''Neil'); commit");
    }
    // Writes the roster of query with row height factor F; the PDF's path.
    QString write(const QString& query, double factor, const QString& name) {
        const QString pdf = QDir(db.dir.path()).filePath(name);
        QString error;
        EXPECT_TRUE(report::writeRosterPdf(db.db(), query, factor, pdf, &error))
            << error.toStdString();
        return pdf;
    }
    test::TempDatabase db;
};

} // namespace

TEST_F(RosterPdf, ShowsTheCaptionsAndTheNamesOfTheQuery) {
    fillRoster(4);
    const QString pdf = write(engine::fullRosterQuery(), 1.0, "roster.pdf");
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(5).startsWith("%PDF"));
    EXPECT_GT(file.size(), 1000);
    // A person query with a quote in the name.
    const QString person = write(engine::personRosterQuery("O'Neil"), 1.0, "person.pdf");

    const QString text = pdfText(pdf);
    if (text.isEmpty())
        GTEST_SKIP() << "pdftotext is not installed";
    for (const char* caption : {"日期", "班次", "开始时间", "值班人", "结束时间"})
        EXPECT_TRUE(text.contains(caption)) << caption;
    EXPECT_TRUE(text.contains("张三"));
    EXPECT_TRUE(text.contains("2027年1月1日"));
    EXPECT_EQ(pdfPages(pdf), 1);
    EXPECT_TRUE(pdfText(person).contains("O'Neil"));
    EXPECT_FALSE(pdfText(person).contains("张三"));
}

TEST_F(RosterPdf, LongRostersAndTallBandsTakeMorePages) {
    fillRoster(60);
    const QString narrow = write(engine::fullRosterQuery(), 1.0, "narrow.pdf");
    // F = 3 (six people on one shift): a 960-twip band instead of 480.
    const QString tall = write(engine::fullRosterQuery(), 3.0, "tall.pdf");
    const int narrowPages = pdfPages(narrow);
    if (narrowPages < 0)
        GTEST_SKIP() << "pdfinfo is not installed";
    EXPECT_GT(narrowPages, 1);
    EXPECT_GT(pdfPages(tall), narrowPages);
    // Every line is there, the last one on the last page.
    EXPECT_TRUE(pdfText(narrow).contains("2027年2月1日"));
}

TEST_F(RosterPdf, AQueryThatFailsWritesNothing) {
    const QString pdf = QDir(db.dir.path()).filePath("broken.pdf");
    QString error;
    EXPECT_FALSE(report::writeRosterPdf(db.db(), "select * from 没有这张表", 1.0, pdf, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFile::exists(pdf));
}
