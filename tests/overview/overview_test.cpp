// The department's overview of a month over the wards of a server, and its page.

#include "editors/staff.h"
#include "engine/run.h"
#include "limits/limits.h"
#include "overview/overview.h"
#include "overview/ui/overviewpage.h"
#include "rosters/savedroster.h"
#include "store/connection.h"
#include "store/datafiles.h"
#include "store/messages.h"
#include "store/server.h"
#include "support/servercluster.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QDateEdit>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTime>

#include <memory>
#include <optional>
#include <vector>

using namespace korvane;

namespace {

TEST(Overview, ShowsEachWardsLatestRosterOfTheMonthAndWhoIsMissing) {
    KORVANE_NEED_SERVER(cluster);
    const QString rostered = server::location(cluster->url(), QStringLiteral("总表 甲"));
    const QString empty = server::location(cluster->url(), QStringLiteral("总表 乙"));
    ASSERT_TRUE(server::fillWard(rostered, files::samplePath(), true).ok);
    ASSERT_TRUE(server::fillWard(empty, files::samplePath(), true).ok);
    ASSERT_EQ(engine::generate(rostered).outcome, engine::RunOutcome::Done);
    FileCheck problem;
    auto ward = Connection::openChecked(rostered, &problem);
    ASSERT_TRUE(ward) << problem.reason.toStdString();
    rosters::KeptRoster kept;
    QString error;
    ASSERT_TRUE(rosters::keepRun(ward->db(), 0, &kept, &error)) << error.toStdString();
    // One assignment of the saved roster taken away by hand: that slot misses a person.
    QSqlQuery edit(ward->db());
    ASSERT_TRUE(edit.exec(QStringLiteral(
        "DELETE FROM 存档值班 WHERE 编号 = (SELECT min(编号) FROM 存档值班) "
        "RETURNING 日期, (SELECT 班次名称 FROM 存档班次 s WHERE s.存档编号 = 存档值班.存档编号 "
        "AND s.班次IDID = 存档值班.班次IDID)")));
    ASSERT_TRUE(edit.next());
    const QString editedDay = edit.value(0).toString();
    const QString editedShift = edit.value(1).toString();
    QSqlQuery assigned(ward->db());
    ASSERT_TRUE(assigned.exec(QStringLiteral("SELECT count(*) FROM 存档值班")) && assigned.next());

    overview::Overview view;
    ASSERT_TRUE(overview::read(cluster->url(), QDate(2027, 1, 1), &view, &error))
        << error.toStdString();
    QStringList shown;
    for (const overview::WardNote& note : view.wards)
        if (note.ward.startsWith(QStringLiteral("总表")))
            shown << note.ward + (note.shown ? QStringLiteral("+") : QStringLiteral("-"));
    EXPECT_EQ(shown, (QStringList{QStringLiteral("总表 乙-"), QStringLiteral("总表 甲+")}));
    qint64 people = 0;
    QStringList missing;
    for (const overview::ShiftDay& duty : view.duties) {
        EXPECT_EQ(duty.ward, QStringLiteral("总表 甲"));
        people += duty.people.size();
        if (duty.missing() > 0)
            missing << duty.day.toString(Qt::ISODate) + QLatin1Char(' ') + duty.shift;
    }
    EXPECT_EQ(people, assigned.value(0).toLongLong());
    EXPECT_EQ(missing, QStringList{editedDay + QLatin1Char(' ') + editedShift});

    // Another month: no ward has a roster of it.
    ASSERT_TRUE(overview::read(cluster->url(), QDate(2027, 3, 1), &view, &error));
    EXPECT_TRUE(view.duties.isEmpty());
}

// One nurse, a night in one ward and the next morning's 早班 in another,
// matched by 工号 alone, judged by her rest there, or by overlap without one.
TEST(Overview, FlagsANurseWhoseShiftsInTwoWardsBreakHerRest) {
    KORVANE_NEED_SERVER(cluster);
    const QDate first(2027, 4, 1);
    const QStringList names = {QStringLiteral("工号 甲"), QStringLiteral("工号 乙")};
    struct Case {
        const char* number;         // her 工号 in the second ward, as typed
        std::optional<double> rest; // her 最少休息小时 there
        const char* start;          // of its 早班, the day after the night
        QString expected;           // the flag, empty for none
    };
    const Case cases[] = {
        {"H001", 11, "08:00",
         msg::warnRest.arg("工号 甲 4月1日", "夜班", "0", "工号 乙 早班", "11")},
        {"", 11, "08:00", {}},
        {"H002", 11, "08:00", {}},
        {" H001 ", std::nullopt, "08:00", {}},
        {" H001 ", std::nullopt, "07:00", msg::warnOverlap.arg("工号 甲 4月1日", "夜班")},
    };
    std::vector<std::unique_ptr<Connection>> wards;
    for (const QString& ward : names) {
        const QString location = server::location(cluster->url(), ward);
        ASSERT_TRUE(server::fillWard(location, files::templatePath(), true).ok);
        FileCheck problem;
        wards.push_back(Connection::openChecked(location, &problem));
        ASSERT_TRUE(wards.back()) << problem.reason.toStdString();
        QSqlQuery add(wards.back()->db());
        ASSERT_TRUE(add.exec(QStringLiteral("INSERT INTO 基本信息 (ID, 姓名) VALUES (1, '王芳')")));
    }
    // A ward's roster of April: the nurse (IDID 1) on one shift.
    QString error;
    const auto keep = [&](int ward, const QString& shift, const QString& start, int day,
                          const QDate& since) {
        monthsheet::MonthSheet sheet;
        sheet.dates = {since, since.addDays(1)};
        sheet.people = {{1, 1, QStringLiteral("王芳")}};
        const int minutes = shift == QStringLiteral("夜班") ? 600 : 480;
        const QTime from = QTime::fromString(start, QStringLiteral("HH:mm"));
        sheet.shifts = {{1, shift, start, from.addSecs(minutes * 60).toString("HH:mm"),
                         shift == QStringLiteral("夜班"), minutes, 1}};
        sheet.resetCells();
        sheet.add(0, day, 0);
        rosters::KeptRoster kept;
        EXPECT_TRUE(rosters::keepSheet(wards[ward]->db(), shift + start, sheet, &kept, &error))
            << error.toStdString();
        return kept.number;
    };
    const qint64 night = keep(0, QStringLiteral("夜班"), QStringLiteral("22:00"), 0, first);
    ScriptedPrompt prompt;
    ASSERT_TRUE(staff::StaffEditor(wards[0]->db(), prompt).setStaffNumber(1, "H001"));
    for (const Case& c : cases) {
        QSqlDatabase& second = wards[1]->db();
        engine::WorkLimits limits;
        limits.restHours = c.rest;
        ASSERT_TRUE(staff::StaffEditor(second, prompt).setStaffNumber(1, c.number));
        ASSERT_TRUE(limits::LimitsEditor(second, prompt).store(limits::Target::Person, 1, limits));
        const qint64 morning = keep(1, QStringLiteral("早班"), c.start, 1, first);

        overview::Overview view;
        ASSERT_TRUE(overview::read(cluster->url(), first, &view, &error)) << error.toStdString();
        QStringList flags;
        for (const QStringList& row : overview::flagRows(view))
            flags << row.join('|');
        const QStringList expected =
            c.expected.isEmpty()
                ? QStringList()
                : QStringList{"H001|王芳|工号 甲|2027-04-01|夜班|工号 乙|2027-04-02|早班|" +
                              c.expected};
        EXPECT_EQ(flags, expected) << c.number << " " << c.start;
        if (&c == cases) {
            const test::ProcessResult shown = test::runProgram(
                test::cliProgram(), {"--server", cluster->url(), "overview", "--month", "2027-04"});
            EXPECT_TRUE(QString::fromUtf8(shown.out).contains(c.expected))
                << shown.out.toStdString();
            // The page lists the flag and marks both shifts, the flag as their tip.
            overview::OverviewPage page(cluster->url(), prompt);
            page.findChild<QDateEdit*>()->setDate(first);
            page.refresh();
            ASSERT_EQ(page.flags()->rowCount(), 1);
            EXPECT_EQ(page.flags()->item(0, 8)->text(), c.expected);
            QStringList marked;
            for (int row = 0; row < page.table()->rowCount(); ++row) {
                const QTableWidgetItem* ward = page.table()->item(row, 0);
                if (ward->toolTip().isEmpty())
                    continue;
                EXPECT_TRUE(ward->toolTip().contains(c.expected)) << ward->toolTip().toStdString();
                marked << ward->text() + '|' + page.table()->item(row, 1)->text() + '|' +
                              page.table()->item(row, 2)->text();
            }
            EXPECT_EQ(marked, (QStringList{"工号 乙|2027-04-02|早班", "工号 甲|2027-04-01|夜班"}));
        }
        ASSERT_TRUE(rosters::deleteRoster(second, morning, &error)) << error.toStdString();
    }
    // Across the month's end: a night on 31 March in one ward, the morning
    // of 1 April in the other, flagged in either month.
    ASSERT_TRUE(rosters::deleteRoster(wards[0]->db(), night, &error)) << error.toStdString();
    engine::WorkLimits limits;
    limits.restHours = 11;
    ASSERT_TRUE(
        limits::LimitsEditor(wards[1]->db(), prompt).store(limits::Target::Person, 1, limits));
    keep(0, QStringLiteral("夜班"), QStringLiteral("22:00"), 1, QDate(2027, 3, 30));
    keep(1, QStringLiteral("早班"), QStringLiteral("08:00"), 0, first);
    for (const QDate& month : {QDate(2027, 3, 1), first}) {
        overview::Overview view;
        ASSERT_TRUE(overview::read(cluster->url(), month, &view, &error)) << error.toStdString();
        QStringList flags;
        for (const QStringList& row : overview::flagRows(view))
            flags << row.join('|');
        EXPECT_EQ(flags, QStringList{"H001|王芳|工号 甲|2027-03-31|夜班|工号 乙|2027-04-01|早班|" +
                                     msg::warnRest.arg("工号 甲 3月31日", "夜班", "0",
                                                       "工号 乙 早班", "11")})
            << month.toString(Qt::ISODate).toStdString();
    }
    EXPECT_TRUE(prompt.shown().isEmpty()) << prompt.shown().join('\n').toStdString();
}

} // namespace
