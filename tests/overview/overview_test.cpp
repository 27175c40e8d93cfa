// The department's overview of a month over the wards of a server.

#include "engine/run.h"
#include "overview/overview.h"
#include "rosters/savedroster.h"
#include "store/connection.h"
#include "store/datafiles.h"
#include "store/server.h"
#include "support/servercluster.h"

#include <gtest/gtest.h>

#include <QSqlQuery>

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

} // namespace
