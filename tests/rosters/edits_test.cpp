// Hand edits of a saved roster: each kind undone gives back the stored rows
// exactly, and done again gives what it gave the first time.

#include "engine/runfixture.h"
#include "rosters/edits.h"
#include "rosters/locks.h"
#include "rosters/savedroster.h"
#include "store/dialect.h"
#include "store/messages.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <functional>

using namespace korvane;

namespace {

// 甲乙丙 over two days, one day shift of one and a night of one:
// day 1 白班 甲, 夜班 乙; day 2 白班 丙, 夜班 甲.
TEST(RosterEdits, EachKindUndoneRestoresTheStoredRows) {
    test::RunFixture f(3, 2);
    f.dayShift();
    f.shift(2, "夜班", "20:00", 1);
    QSqlDatabase& db = f.t.db();
    ASSERT_EQ(f.generate().outcome, engine::RunOutcome::Done);
    rosters::KeptRoster kept;
    QString error;
    ASSERT_TRUE(rosters::keepRun(db, 0, &kept, &error)) << error.toStdString();
    const auto stored = [&] {
        return f.t.rows("select 编号, 日期, 班次IDID, 人员IDID, 手改 from 存档值班 order by 编号") +
               f.t.rows("select 日期, 班次IDID from 存档班位 order by 日期, 班次IDID");
    };
    const QStringList before = stored();
    ASSERT_EQ(
        f.t.rows("select 日期, 班次IDID, 人员IDID from 存档值班 order by 编号"),
        QStringList({"2027-03-01|1|1", "2027-03-01|2|2", "2027-03-02|1|3", "2027-03-02|2|1"}));

    using Make = std::function<rosters::Edit(const rosters::SavedRoster&)>;
    const struct {
        const char* kind;
        Make make;
        QString changed; // the day's assignments after the edit
    } cases[] = {
        {"replace", [](const auto& r) { return rosters::replacePerson(r, 0, 0, 3); },
         "2027-03-01|1|3|1"},
        {"swap", [](const auto& r) { return rosters::swapCells(r, 0, 0, 1, 0); },
         "2027-03-01|1|2|1"},
        {"remove", [](const auto& r) { return rosters::removeDuty(r, 0, 0); }, ""},
        {"add", [](const auto& r) { return rosters::addDuty(r, 2, 0, 0); }, "2027-03-01|1|3|1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        rosters::SavedRoster roster;
        ASSERT_TRUE(rosters::loadSavedRoster(db, kept.number, &roster, &error));
        rosters::Edit edit = c.make(roster);
        ASSERT_TRUE(rosters::applyEdit(db, kept.number, &edit, &error)) << error.toStdString();
        const QStringList after = stored();
        EXPECT_NE(after, before);
        if (!c.changed.isEmpty()) {
            EXPECT_TRUE(after.contains(
                QRegularExpression("^\\d+\\|" + QRegularExpression::escape(c.changed) + "$")));
        }
        rosters::Edit undo = edit.inverse();
        ASSERT_TRUE(rosters::applyEdit(db, kept.number, &undo, &error)) << error.toStdString();
        EXPECT_EQ(stored(), before);
        ASSERT_TRUE(rosters::applyEdit(db, kept.number, &edit, &error)) << error.toStdString();
        EXPECT_EQ(stored(), after);
        undo = edit.inverse();
        ASSERT_TRUE(rosters::applyEdit(db, kept.number, &undo, &error));
    }

    // An edit made on a roster changed meanwhile, through this connection or
    // by another process, is refused whole.
    for (const bool elsewhere : {false, true}) {
        SCOPED_TRACE(elsewhere ? "another process" : "this connection");
        rosters::SavedRoster roster;
        ASSERT_TRUE(rosters::loadSavedRoster(db, kept.number, &roster, &error));
        rosters::Edit stale = rosters::swapCells(roster, 0, 0, 1, 0);
        const QString change = QString("update 存档值班 set 人员IDID = %1 where 日期 = "
                                       "'2027-03-01' and 人员IDID = %2")
                                   .arg(elsewhere ? 2 : 3)
                                   .arg(elsewhere ? 1 : 2); // a row the swap moves
        if (elsewhere && test::onServerStore()) {           // another client of the server
            auto other = Connection::open(f.t.path, &error);
            ASSERT_TRUE(other) << error.toStdString();
            QSqlQuery query(other->db());
            ASSERT_TRUE(dialect::exec(query, change, &error)) << error.toStdString();
        } else if (elsewhere)
            ASSERT_EQ(test::runProgram("sqlite3", {f.t.path, change}).exitCode, 0);
        else
            f.t.run(change);
        const QStringList changed = stored();
        EXPECT_FALSE(rosters::applyEdit(db, kept.number, &stale, &error));
        EXPECT_EQ(error, msg::rosterChangedElsewhere);
        EXPECT_EQ(stored(), changed);
    }
}

// Every change of a saved roster changes its stamp, also when its times
// stay in the same second (held there by hand).
TEST(RosterEdits, EachChangeChangesTheStampWithinOneSecond) {
    test::RunFixture f(3, 2);
    f.dayShift();
    QSqlDatabase& db = f.t.db();
    ASSERT_EQ(f.generate().outcome, engine::RunOutcome::Done);
    rosters::KeptRoster kept;
    QString error;
    ASSERT_TRUE(rosters::keepRun(db, 0, &kept, &error)) << error.toStdString();
    rosters::Lock cell;
    cell.date = QDate(2027, 3, 1);
    cell.person = 1;
    const std::function<bool(const rosters::SavedRoster&)> changes[] = {
        [&](const auto& r) {
            rosters::Edit edit = rosters::replacePerson(r, 0, 0, 3);
            return rosters::applyEdit(db, kept.number, &edit, &error);
        },
        [&](const auto& r) {
            rosters::Edit edit = rosters::swapCells(r, 0, 0, 1, 1);
            return rosters::applyEdit(db, kept.number, &edit, &error);
        },
        [&](const auto&) { return rosters::setLocked(db, kept.number, cell, true, &error); },
        [&](const auto&) { return rosters::setLocked(db, kept.number, cell, false, &error); },
    };
    QStringList stamps = {rosters::rosterStamp(db, kept.number)};
    for (const auto& change : changes) {
        rosters::SavedRoster roster;
        ASSERT_TRUE(rosters::loadSavedRoster(db, kept.number, &roster, &error));
        ASSERT_TRUE(change(roster)) << error.toStdString();
        f.t.run("update 排班存档 set 修改时间 = '2027-01-01 08:00:00'");
        stamps << rosters::rosterStamp(db, kept.number);
        EXPECT_NE(stamps.constLast(), stamps.at(stamps.size() - 2)) << stamps.size() - 1;
    }
    // Unlocked again: what it holds is as after the swap, and so is its digest.
    EXPECT_EQ(stamps.at(4).section('|', 2), stamps.at(2).section('|', 2));
}

} // namespace
