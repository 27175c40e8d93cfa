// korvane-cli keeps what generate makes, lists it, and shows a saved roster
// in every form of roster.

#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

using namespace korvane;

TEST(SavedRosterCommands, GenerateKeepsTheRosterThatRosterSavedShowsInEveryForm) {
    QTemporaryDir dir;
    const auto cli = [&](QStringList arguments) {
        return test::runProgram(test::cliProgram(),
                                QStringList{"--data-dir", dir.path()} + arguments);
    };
    ASSERT_EQ(cli({"init", "--sample"}).exitCode, 0);
    const test::ProcessResult generated = cli({"generate"});
    ASSERT_EQ(generated.exitCode, 0) << generated.err.toStdString();
    const test::ProcessResult listed = cli({"rosters"});
    ASSERT_EQ(listed.exitCode, 0);
    const QStringList lines = QString::fromUtf8(listed.out).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4); // heading, rule, one roster, 记录数
    const QString name = lines.at(2).section(' ', 0, 0);
    EXPECT_TRUE(generated.err.contains(name));

    // The month forms are the same bytes; the roster rows the same but for
    // IDID, the autonumber of the table they were read from.
    const auto withoutIdid = [](const QByteArray& csv) {
        QStringList rows;
        for (const QString& row : QString::fromUtf8(csv).split("\r\n"))
            rows << row.section(',', 1);
        return rows;
    };
    for (const QStringList& form :
         {QStringList{"--month"}, QStringList{"--month", "--csv", "-"}, QStringList{"--csv", "-"},
          QStringList{"--person", "张", "--csv", "-"}}) {
        const test::ProcessResult last = cli(QStringList{"roster"} + form);
        const test::ProcessResult saved = cli(QStringList{"roster", "--saved", name} + form);
        EXPECT_EQ(saved.exitCode, 0) << saved.err.toStdString();
        if (form.first() == "--month")
            EXPECT_EQ(saved.out, last.out) << form.join(' ').toStdString();
        else
            EXPECT_EQ(withoutIdid(saved.out), withoutIdid(last.out))
                << form.join(' ').toStdString();
    }
    const QString pdf = QDir(dir.path()).filePath("saved.pdf");
    const QString xlsx = QDir(dir.path()).filePath("saved.xlsx");
    EXPECT_EQ(cli({"roster", "--saved", name, "--pdf", pdf}).exitCode, 0);
    EXPECT_EQ(cli({"roster", "--saved", name, "--xlsx", xlsx}).exitCode, 0);
    EXPECT_TRUE(QFileInfo(pdf).size() > 0 && QFileInfo(xlsx).size() > 0);
    EXPECT_EQ(cli({"roster", "--saved", "没有这个"}).exitCode, 2);

    // Generated again with nothing locked: the same roster, kept under its name.
    const QStringList plain = withoutIdid(cli({"roster", "--csv", "-"}).out);
    const test::ProcessResult again = cli({"generate", "--keep-locks", name});
    EXPECT_EQ(again.exitCode, 0) << again.err.toStdString();
    EXPECT_EQ(withoutIdid(cli({"roster", "--csv", "-"}).out), plain);
    EXPECT_EQ(QString::fromUtf8(cli({"rosters"}).out).split('\n', Qt::SkipEmptyParts).size(), 4);
}
