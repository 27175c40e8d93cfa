#include "editors/staff.h"
#include "store/messages.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

using namespace korvane;

namespace {

class StaffTest : public ::testing::Test {
protected:
    test::TempDatabase db;
    ScriptedPrompt prompt;
    staff::StaffEditor editor{db.db(), prompt};

    void add(const QStringList& names) {
        for (const QString& name : names)
            ASSERT_TRUE(editor.addPerson(name)) << name.toStdString();
    }
    QStringList people() { return db.rows("SELECT ID, 姓名 FROM 基本信息 ORDER BY ID"); }
    qint64 ididOf(int number) {
        return db.scalar(QString("SELECT IDID FROM 基本信息 WHERE ID = %1").arg(number))
            .toLongLong();
    }
};

} // namespace

TEST_F(StaffTest, FirstPersonOfAnEmptyTableGetsNumberOne) {
    EXPECT_EQ(editor.nextNumber(), 1);
    add({"张三"});
    EXPECT_EQ(db.rows("SELECT ID, 姓名, 所属组ID, 家庭住址 FROM 基本信息"),
              QStringList{"1|张三|zz1z|0"});
    EXPECT_TRUE(prompt.shown().isEmpty());
}

TEST_F(StaffTest, NumbersFollowTheLastNotTheGapsAndGoOnPast999) {
    db.run("INSERT INTO 基本信息 (ID, 姓名) VALUES (1, 'a'), (2, 'b'), (5, 'c')");
    add({"d"});
    EXPECT_EQ(people(), (QStringList{"1|a", "2|b", "5|c", "6|d"}));
    // Deleting the highest number gives it out again.
    ASSERT_TRUE(editor.deletePerson(ididOf(6)));
    add({"e"});
    EXPECT_EQ(people(), (QStringList{"1|a", "2|b", "5|c", "6|e"}));
    db.run("UPDATE 基本信息 SET ID = 999 WHERE 姓名 = 'e'");
    add({"f", "g"});
    EXPECT_EQ(people(), (QStringList{"1|a", "2|b", "5|c", "999|e", "1000|f", "1001|g"}));
}

TEST_F(StaffTest, NamesAreTakenExactlyAsTyped) {
    // A NULL name never matches, and the last one is filled in.
    db.run("INSERT INTO 基本信息 (ID, 姓名) VALUES (1, 'a'), (2, NULL)");
    add({"b"});
    EXPECT_EQ(people(), (QStringList{"1|a", "2|" + msg::enterCharacters, "3|b"}));
    db.run("DELETE FROM 基本信息");

    add({"王五", "张'三"});
    EXPECT_FALSE(editor.addPerson("王五"));
    EXPECT_FALSE(editor.addPerson("张'三"));
    EXPECT_FALSE(editor.addPerson(QString()));
    EXPECT_EQ(prompt.shown(),
              (QStringList{msg::duplicateName, msg::duplicateName, msg::nameEmpty}));
    // A distinguishing mark, a trailing blank or another case makes a different name.
    prompt.clear();
    add({"王五大", "王五 ", "Li", "li"});
    EXPECT_TRUE(prompt.shown().isEmpty());
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM 基本信息").toInt(), 6);
}

TEST_F(StaffTest, TheLastPersonStaysAndTwoDeleteWithoutAQuestion) {
    add({"a", "b"});
    EXPECT_TRUE(editor.deletePerson(ididOf(1)));
    EXPECT_TRUE(prompt.shown().isEmpty());
    EXPECT_FALSE(editor.deletePerson(ididOf(2)));
    EXPECT_EQ(prompt.shown(), QStringList{msg::keepOnePerson});
    EXPECT_TRUE(prompt.questions().isEmpty());
    EXPECT_EQ(people(), QStringList{"2|b"});
}

TEST_F(StaffTest, ShiftLimitRowIsDetectedAndStoreErrorsAreReported) {
    EXPECT_FALSE(editor.shiftLimitSet());
    db.run("INSERT INTO 班数限制 (班数) VALUES (3)");
    EXPECT_TRUE(editor.shiftLimitSet());
    db.run("DROP TABLE 基本信息");
    EXPECT_FALSE(editor.addPerson("a"));
    ASSERT_EQ(prompt.shown().size(), 1);
    EXPECT_TRUE(prompt.shown().first().startsWith(msg::storeFailed.arg(QString())));
}

class StaffGridTest : public StaffTest {
protected:
    void SetUp() override {
        add({"a", "b", "c"});
        ASSERT_TRUE(model.reload());
    }
    QModelIndex cell(int row, const QString& column) {
        return model.index(row, model.columnOf(column));
    }
    QString stored(const QString& column, int number) {
        return db.scalar(QString("SELECT %1 FROM 基本信息 WHERE ID = %2").arg(column).arg(number))
            .toString();
    }
    staff::StaffTableModel model{editor, db.db()};
};

TEST_F(StaffGridTest, ShowsEveryColumnInStoredOrderByNumber) {
    EXPECT_EQ(model.columnCount(), 17);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "ID");
    EXPECT_EQ(model.headerData(10, Qt::Horizontal).toString(), "IDID");
    db.run("UPDATE 基本信息 SET ID = 0 WHERE 姓名 = 'c'");
    ASSERT_TRUE(model.reload());
    EXPECT_EQ(model.data(cell(0, staff::nameColumn)).toString(), "c");
}

TEST_F(StaffGridTest, EditsStoreTheTextAsTypedAndAnEmptyCellAsPleaseEnter) {
    EXPECT_TRUE(model.setData(cell(0, staff::nameColumn), "李'四\""));
    EXPECT_EQ(stored("姓名", 1), "李'四\"");
    EXPECT_TRUE(model.setData(cell(1, staff::nameColumn), QString()));
    EXPECT_EQ(model.data(cell(1, staff::nameColumn)).toString(), msg::enterCharacters);
    EXPECT_EQ(stored("姓名", 2), msg::enterCharacters);
    EXPECT_TRUE(model.setData(cell(1, "职称"), QVariant()));
    EXPECT_EQ(stored("职称", 2), msg::enterCharacters);
    EXPECT_TRUE(prompt.shown().isEmpty());
}

TEST_F(StaffGridTest, PersonNumbersStayUniqueWholeNumbers) {
    const QModelIndex number = cell(0, staff::numberColumn);
    EXPECT_FALSE(model.setData(number, "2"));
    EXPECT_EQ(prompt.shown(), QStringList{msg::personNumberTaken});
    EXPECT_EQ(model.data(number).toInt(), 1);
    prompt.clear();
    for (const char* bad : {"", "x", "0", "-3", "1.5"})
        EXPECT_FALSE(model.setData(number, QString(bad))) << bad;
    EXPECT_EQ(prompt.shown().count(msg::personNumberInvalid), 5);
    // Its own number and a free one are fine; the next person follows the highest.
    EXPECT_TRUE(model.setData(number, "1"));
    EXPECT_TRUE(model.setData(number, " 40 "));
    EXPECT_EQ(db.scalar("SELECT ID FROM 基本信息 WHERE 姓名 = 'a'").toInt(), 40);
    EXPECT_EQ(editor.nextNumber(), 41);
}

TEST_F(StaffGridTest, TheJoinKeyCannotBeEdited) {
    const QModelIndex key = cell(0, staff::keyColumn);
    EXPECT_FALSE(model.flags(key) & Qt::ItemIsEditable);
    EXPECT_TRUE(model.flags(cell(0, staff::nameColumn)) & Qt::ItemIsEditable);
    const qint64 before = model.ididAt(0);
    EXPECT_FALSE(model.setData(key, 99));
    EXPECT_FALSE(editor.editCell(before, "idid", 99));
    EXPECT_EQ(db.scalar("SELECT IDID FROM 基本信息 WHERE 姓名 = 'a'").toLongLong(), before);
}
