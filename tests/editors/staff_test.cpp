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
    EXPECT_FALSE(editor.addPerson("  "));
    EXPECT_FALSE(editor.addPerson("\u3000"));
    EXPECT_EQ(prompt.shown(), (QStringList{msg::duplicateName, msg::duplicateName, msg::nameEmpty,
                                           msg::nameEmpty, msg::nameEmpty}));
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

TEST_F(StaffGridTest, EditsStoreWhatWasTypedAndOnlyWhatChanged) {
    db.run("UPDATE 基本信息 SET 职称 = '护士' WHERE ID = 2");
    const QString pleaseEnter = msg::enterCharacters;
    // An edit of person 1, what the cell holds after it (NULL for null), and the message.
    const struct {
        const char* column;
        QVariant typed;
        QString stored;
        QString message;
    } cases[] = {
        {"姓名", "李'四\"", "李'四\"", {}},
        {"姓名", "b", "李'四\"", msg::duplicateName}, // person 2's name
        {"姓名", "b ", "b ", {}},                     // a trailing blank makes it distinct
        {"姓名", " ", pleaseEnter, {}},
        {"姓名", QString(), pleaseEnter, {}},
        {"年龄", QString(), "NULL", {}}, // a blank cell opened and left stays blank
        {"年龄", QVariant(), "NULL", {}},
        {"年龄", "30", "30", {}},
        {"年龄", "", pleaseEnter, {}}, // a cleared cell
        {"ID", 1, "1", {}},
        {"ID", "1", "1", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QString("%1 %2").arg(c.column, c.typed.toString()).toStdString());
        prompt.clear();
        const bool refused = !c.message.isEmpty();
        EXPECT_EQ(model.setData(cell(0, c.column), c.typed), !refused);
        const QVariant now = db.scalar(
            QString("SELECT %1 FROM 基本信息 WHERE IDID = %2").arg(c.column).arg(model.ididAt(0)));
        EXPECT_EQ(now.isNull() ? QString("NULL") : now.toString(), c.stored);
        EXPECT_EQ(prompt.shown(), refused ? QStringList{c.message} : QStringList{});
    }
    EXPECT_EQ(stored("职称", 2), "护士");
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

TEST_F(StaffGridTest, OnlyTheNumberTheNameAndTheDetailsAreEditable) {
    // 所属组ID changes through the membership editor; the rest is the run's.
    const QStringList editable{"ID", "姓名", "年龄", "性别", "籍贯", "政治面貌", "职称"};
    for (int column = 0; column < model.columnCount(); ++column) {
        const QString name = model.headerData(column, Qt::Horizontal).toString();
        const bool expected = editable.contains(name);
        EXPECT_EQ(bool(model.flags(model.index(0, column)) & Qt::ItemIsEditable), expected)
            << name.toStdString();
        if (!expected) {
            EXPECT_FALSE(model.setData(model.index(0, column), "zz9z")) << name.toStdString();
        }
    }
    EXPECT_EQ(db.rows("SELECT 所属组ID, 家庭住址, IDID FROM 基本信息 WHERE ID = 1"),
              QStringList{"zz1z|0|" + QString::number(model.ididAt(0))});
}
