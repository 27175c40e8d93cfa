#include "editors/staff.h"
#include "store/messages.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

using namespace korvane;
using korvane::test::TempDatabase;

namespace {

class StaffTest : public ::testing::Test {
protected:
    TempDatabase db;
    ScriptedPrompt prompt;
    staff::StaffEditor editor{db.db(), prompt};

    void addPeople(const QStringList& names) {
        for (const QString& name : names)
            ASSERT_TRUE(editor.addPerson(name).has_value()) << name.toStdString();
    }
    QStringList numbersAndNames() {
        return db.rows(QStringLiteral("SELECT ID, 姓名 FROM 基本信息 ORDER BY ID"));
    }
    qint64 ididOfNumber(int number) {
        return db.scalar(QStringLiteral("SELECT IDID FROM 基本信息 WHERE ID = %1").arg(number))
            .toLongLong();
    }
};

} // namespace

TEST_F(StaffTest, FirstPersonOfAnEmptyTableGetsNumberOne) {
    EXPECT_EQ(editor.nextNumber(), 1);
    addPeople({QStringLiteral("张三")});
    EXPECT_EQ(db.rows(QStringLiteral("SELECT ID, 姓名, 所属组ID, 家庭住址 FROM 基本信息")),
              QStringList{QStringLiteral("1|张三|zz1z|0")});
    EXPECT_TRUE(prompt.shown().isEmpty());
}

TEST_F(StaffTest, NumbersFollowTheLastNotTheGaps) {
    db.run(QStringLiteral("INSERT INTO 基本信息 (ID, 姓名) VALUES (1, 'a'), (2, 'b'), (5, 'c')"));
    addPeople({QStringLiteral("d")});
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT ID FROM 基本信息 WHERE 姓名 = 'd'")).toInt(), 6);

    // Deleting the highest number gives it out again.
    ASSERT_TRUE(editor.deletePerson(ididOfNumber(6)));
    addPeople({QStringLiteral("e")});
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT ID FROM 基本信息 WHERE 姓名 = 'e'")).toInt(), 6);
    EXPECT_EQ(numbersAndNames(), (QStringList{QStringLiteral("1|a"), QStringLiteral("2|b"),
                                              QStringLiteral("5|c"), QStringLiteral("6|e")}));
}

TEST_F(StaffTest, NumbersGoOnPastNineHundredNinetyNine) {
    db.run(QStringLiteral("INSERT INTO 基本信息 (ID, 姓名) VALUES (999, 'a')"));
    addPeople({QStringLiteral("b"), QStringLiteral("c")});
    EXPECT_EQ(numbersAndNames(), (QStringList{QStringLiteral("999|a"), QStringLiteral("1000|b"),
                                              QStringLiteral("1001|c")}));
}

TEST_F(StaffTest, DuplicateNamesAreRefusedExactly) {
    addPeople({QStringLiteral("王五")});
    EXPECT_FALSE(editor.addPerson(QStringLiteral("王五")).has_value());
    EXPECT_EQ(prompt.shown(), QStringList{msg::duplicateName});
    prompt.clear();
    // A distinguishing mark or a trailing blank makes a different name.
    addPeople({QStringLiteral("王五大"), QStringLiteral("王五 ")});
    EXPECT_TRUE(prompt.shown().isEmpty());
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT COUNT(*) FROM 基本信息")).toInt(), 3);
    // Case counts too.
    addPeople({QStringLiteral("Li")});
    addPeople({QStringLiteral("li")});
}

TEST_F(StaffTest, NullNamesNeverMatchAndTheLastOneIsFilled) {
    db.run(QStringLiteral("INSERT INTO 基本信息 (ID, 姓名) VALUES (1, 'a'), (2, NULL)"));
    addPeople({QStringLiteral("b")});
    EXPECT_EQ(numbersAndNames(),
              (QStringList{QStringLiteral("1|a"), QStringLiteral("2|") + msg::enterCharacters,
                           QStringLiteral("3|b")}));
}

TEST_F(StaffTest, EmptyNameAddsNothing) {
    addPeople({QStringLiteral("a")});
    EXPECT_FALSE(editor.addPerson(QString()).has_value());
    EXPECT_EQ(prompt.shown(), QStringList{msg::nameEmpty});
    EXPECT_EQ(numbersAndNames(), QStringList{QStringLiteral("1|a")});
}

TEST_F(StaffTest, TheLastPersonStaysAndTwoDeleteWithoutAQuestion) {
    addPeople({QStringLiteral("a"), QStringLiteral("b")});
    EXPECT_TRUE(editor.deletePerson(ididOfNumber(1)));
    EXPECT_TRUE(prompt.shown().isEmpty());
    EXPECT_FALSE(editor.deletePerson(ididOfNumber(2)));
    EXPECT_EQ(prompt.shown(), QStringList{msg::keepOnePerson});
    EXPECT_TRUE(prompt.questions().isEmpty());
    EXPECT_EQ(numbersAndNames(), QStringList{QStringLiteral("2|b")});
}

TEST_F(StaffTest, QuotesInNamesAreJustText) {
    addPeople({QStringLiteral("张'三")});
    EXPECT_FALSE(editor.addPerson(QStringLiteral("张'三")).has_value());
    EXPECT_EQ(prompt.shown(), QStringList{msg::duplicateName});
    ASSERT_TRUE(editor.editCell(ididOfNumber(1), staff::nameColumn, QStringLiteral("李'四\"")));
    EXPECT_EQ(numbersAndNames(), QStringList{QStringLiteral("1|李'四\"")});
}

class StaffGridTest : public StaffTest {
protected:
    void SetUp() override {
        addPeople({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
        ASSERT_TRUE(model.reload());
    }
    QModelIndex cell(int row, const QString& column) {
        return model.index(row, model.columnOf(column));
    }
    staff::StaffTableModel model{editor, db.db()};
};

TEST_F(StaffGridTest, ShowsEveryColumnInStoredOrderByNumber) {
    EXPECT_EQ(model.columnCount(), 17);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("ID"));
    EXPECT_EQ(model.headerData(10, Qt::Horizontal).toString(), QStringLiteral("IDID"));
    db.run(QStringLiteral("UPDATE 基本信息 SET ID = 0 WHERE 姓名 = 'c'"));
    ASSERT_TRUE(model.reload());
    EXPECT_EQ(model.data(cell(0, staff::nameColumn)).toString(), QStringLiteral("c"));
}

TEST_F(StaffGridTest, ClearingACellStoresPleaseEnterCharacters) {
    EXPECT_TRUE(model.setData(cell(1, staff::nameColumn), QString()));
    EXPECT_EQ(model.data(cell(1, staff::nameColumn)).toString(), msg::enterCharacters);
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT 姓名 FROM 基本信息 WHERE ID = 2")).toString(),
              msg::enterCharacters);
    EXPECT_TRUE(model.setData(cell(1, QStringLiteral("职称")), QVariant()));
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT 职称 FROM 基本信息 WHERE ID = 2")).toString(),
              msg::enterCharacters);
}

TEST_F(StaffGridTest, RenamingStoresTheTextAsTyped) {
    EXPECT_TRUE(model.setData(cell(0, staff::nameColumn), QStringLiteral("张'三")));
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT 姓名 FROM 基本信息 WHERE ID = 1")).toString(),
              QStringLiteral("张'三"));
    EXPECT_TRUE(prompt.shown().isEmpty());
}

TEST_F(StaffGridTest, PersonNumbersStayUniqueWholeNumbers) {
    const QModelIndex number = cell(0, staff::numberColumn);
    EXPECT_FALSE(model.setData(number, QStringLiteral("2")));
    EXPECT_EQ(prompt.shown(), QStringList{msg::personNumberTaken});
    EXPECT_EQ(model.data(number).toInt(), 1);
    prompt.clear();
    for (const QString& bad : {QString(), QStringLiteral("x"), QStringLiteral("0"),
                               QStringLiteral("-3"), QStringLiteral("1.5")}) {
        EXPECT_FALSE(model.setData(number, bad)) << bad.toStdString();
    }
    EXPECT_EQ(prompt.shown().count(msg::personNumberInvalid), 5);
    // Its own number and a free one are fine; the next person follows the highest.
    EXPECT_TRUE(model.setData(number, QStringLiteral("1")));
    EXPECT_TRUE(model.setData(number, QStringLiteral(" 40 ")));
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT ID FROM 基本信息 WHERE 姓名 = 'a'")).toInt(), 40);
    EXPECT_EQ(editor.nextNumber(), 41);
}

TEST_F(StaffGridTest, TheJoinKeyCannotBeEdited) {
    const QModelIndex key = cell(0, staff::keyColumn);
    EXPECT_FALSE(model.flags(key) & Qt::ItemIsEditable);
    EXPECT_TRUE(model.flags(cell(0, staff::nameColumn)) & Qt::ItemIsEditable);
    const qint64 before = model.ididAt(0);
    EXPECT_FALSE(model.setData(key, 99));
    EXPECT_FALSE(editor.editCell(before, QStringLiteral("idid"), 99));
    EXPECT_EQ(db.scalar(QStringLiteral("SELECT IDID FROM 基本信息 WHERE 姓名 = 'a'")).toLongLong(),
              before);
}

TEST_F(StaffTest, ShiftLimitRowIsDetected) {
    EXPECT_FALSE(editor.shiftLimitSet());
    db.run(QStringLiteral("INSERT INTO 班数限制 (班数) VALUES (3)"));
    EXPECT_TRUE(editor.shiftLimitSet());
}

TEST_F(StaffTest, StoreErrorsAreReported) {
    db.run(QStringLiteral("DROP TABLE 基本信息"));
    EXPECT_FALSE(editor.addPerson(QStringLiteral("a")).has_value());
    ASSERT_EQ(prompt.shown().size(), 1);
    EXPECT_TRUE(prompt.shown().first().startsWith(msg::storeFailed.arg(QString())));
}
