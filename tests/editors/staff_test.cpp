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
};

} // namespace

TEST_F(StaffTest, NumbersFollowTheLastNotTheGapsAndGoOnPast999) {
    add({"张三"});
    EXPECT_EQ(db.rows("SELECT ID, 姓名, 所属组ID, 家庭住址 FROM 基本信息"),
              QStringList{"1|张三|zz1z|0"});
    db.run("DELETE FROM 基本信息; INSERT INTO 基本信息 (ID, 姓名) VALUES (1, 'a'), (2, 'b'), (5, "
           "'c')");
    add({"d"});
    // Deleting the highest number gives it out again.
    ASSERT_TRUE(
        editor.deletePerson(db.scalar("SELECT IDID FROM 基本信息 WHERE ID = 6").toLongLong()));
    add({"e"});
    EXPECT_EQ(people(), (QStringList{"1|a", "2|b", "5|c", "6|e"}));
    db.run("UPDATE 基本信息 SET ID = 999 WHERE 姓名 = 'e'");
    add({"f", "g"});
    EXPECT_EQ(people(), (QStringList{"1|a", "2|b", "5|c", "999|e", "1000|f", "1001|g"}));
    EXPECT_EQ(prompt.shown().size(), 1); // the question before the delete, nothing else
}

TEST_F(StaffTest, NamesAreTakenExactlyAsTyped) {
    // A NULL name never matches, and the last one is filled in.
    db.run("INSERT INTO 基本信息 (ID, 姓名) VALUES (1, 'a'), (2, NULL)");
    add({"b"});
    EXPECT_EQ(people(), (QStringList{"1|a", "2|" + msg::enterCharacters, "3|b"}));
    db.run("DELETE FROM 基本信息");

    add({"王五", "张'三"});
    for (const char* refused : {"王五", "张'三", "", "  ", "\u3000"})
        EXPECT_FALSE(editor.addPerson(refused)) << refused;
    EXPECT_EQ(prompt.shown(), (QStringList{msg::duplicateName, msg::duplicateName, msg::nameEmpty,
                                           msg::nameEmpty, msg::nameEmpty}));
    // A distinguishing mark, a trailing blank or another case makes a different name.
    prompt.clear();
    add({"王五大", "王五 ", "Li", "li"});
    EXPECT_TRUE(prompt.shown().isEmpty());
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM 基本信息").toInt(), 6);

    // A store error is reported.
    db.run("DROP TABLE 基本信息");
    EXPECT_FALSE(editor.addPerson("a"));
    ASSERT_EQ(prompt.shown().size(), 1);
    EXPECT_TRUE(prompt.shown().first().startsWith(msg::storeFailed.arg(QString())));
}

class StaffGridTest : public StaffTest {
protected:
    void SetUp() override {
        add({"a", "b", "c"});
        db.run("UPDATE 基本信息 SET 职称 = '护士' WHERE ID = 2");
        ASSERT_TRUE(model.reload());
    }
    QModelIndex cell(int row, const QString& column) {
        return model.index(row, model.columnOf(column));
    }
    staff::StaffTableModel model{editor, db.db()};
};

TEST_F(StaffGridTest, EditsStoreWhatWasTypedAndOnlyWhatChanged) {
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
        {"年龄", "", "NULL", {}}, // a cleared age is no age, not a message
        {"年龄", " 31 ", "31", {}},
        {"年龄", "abc", "31", msg::ageInvalid},
        {"年龄", "0", "31", msg::ageInvalid},
        {"年龄", "121", "31", msg::ageInvalid},
        {"年龄", "30.5", "31", msg::ageInvalid},
        {"年龄", 32, "32", {}},
        // Person numbers stay unique whole numbers; its own number is fine.
        {"ID", 1, "1", {}},
        {"ID", "1", "1", {}},
        {"ID", "2", "1", msg::personNumberTaken},
        {"ID", "", "1", msg::personNumberInvalid},
        {"ID", "x", "1", msg::personNumberInvalid},
        {"ID", "0", "1", msg::personNumberInvalid},
        {"ID", "-3", "1", msg::personNumberInvalid},
        {"ID", "1.5", "1", msg::personNumberInvalid},
        {"ID", " 40 ", "40", {}},
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
    EXPECT_EQ(
        db.scalar(QString(db.connection->onServer() ? "SELECT pg_typeof(年龄)::text FROM 基本信息 "
                                                      "WHERE IDID = %1"
                                                    : "SELECT typeof(年龄) FROM 基本信息 WHERE "
                                                      "IDID = %1")
                      .arg(model.ididAt(0)))
            .toString(),
        "text");
    EXPECT_EQ(db.scalar("SELECT 职称 FROM 基本信息 WHERE ID = 2").toString(), "护士");
    // The next person follows the highest number.
    EXPECT_EQ(editor.nextNumber(), 41);
}

TEST_F(StaffGridTest, OnlyTheNumberTheNameAndTheDetailsAreEditable) {
    // Rows by number, every column in stored order.
    db.run("UPDATE 基本信息 SET ID = 0 WHERE 姓名 = 'c'");
    ASSERT_TRUE(model.reload());
    EXPECT_EQ(model.data(cell(0, "姓名")).toString(), "c");
    QStringList headers;
    for (int column = 0; column < model.columnCount(); ++column)
        headers << model.headerData(column, Qt::Horizontal).toString();
    EXPECT_EQ(headers.size(), 17);
    EXPECT_EQ(headers.indexOf("IDID"), 10);
    // 所属组ID changes through the membership editor; the rest is the run's.
    const QStringList editable{"ID", "姓名", "年龄", "性别", "籍贯", "政治面貌", "职称"};
    for (int column = 0; column < model.columnCount(); ++column) {
        const bool expected = editable.contains(headers[column]);
        EXPECT_EQ(bool(model.flags(model.index(1, column)) & Qt::ItemIsEditable), expected)
            << headers[column].toStdString();
        if (!expected) {
            EXPECT_FALSE(model.setData(model.index(1, column), "zz9z"))
                << headers[column].toStdString();
        }
    }
    EXPECT_EQ(db.rows("SELECT 所属组ID, 家庭住址, IDID FROM 基本信息 WHERE ID = 1"),
              QStringList{"zz1z|0|" + QString::number(model.ididAt(1))});
}

// Deleting a person asks first, naming the rule that names them, their leave
// and limits (which go with them) and a saved roster's lock; the rules stay
// unless the second question is answered Yes.
TEST_F(StaffTest, DeletingAPersonAsksAndNamesWhatGoesWithThem) {
    add({"张三", "李四"});
    const qint64 idid = db.scalar("SELECT IDID FROM 基本信息 WHERE 姓名 = '张三'").toLongLong();
    db.run(QString(
               "INSERT INTO 排除条件 (人员, 排在, 日期, 班次, 选定日期组, 选定班次组) VALUES "
               "('张三', '不排在', '全部', '夜班', 1, 0), ('李四', '不排在', '全部', '夜班', 1, 0);"
               "INSERT INTO 休假 (人员IDID, 开始日期, 结束日期, 原因) VALUES (%1, '2027-03-01', "
               "'2027-03-02', '年假');"
               "INSERT INTO 人员限制 (对象, 对象IDID, 最多班数) VALUES ('人员', %1, 3);"
               "INSERT INTO 人员工号 (人员IDID, 工号) VALUES (%1, 'H001');"
               "INSERT INTO 排班存档 (编号, 名称) VALUES (7, '三月');"
               "INSERT INTO 存档锁定 (存档编号, 对象, 人员IDID) VALUES (7, '人员', %1)")
               .arg(idid));
    const auto counts = [&] {
        return db.rows("SELECT (SELECT count(*) FROM 基本信息), (SELECT count(*) FROM 排除条件), "
                       "(SELECT count(*) FROM 休假), (SELECT count(*) FROM 人员限制), "
                       "(SELECT count(*) FROM 人员工号)");
    };
    prompt.addAnswer(false);
    EXPECT_FALSE(editor.deletePerson(idid));
    EXPECT_EQ(counts(), QStringList{"2|2|1|1|1"});
    ASSERT_EQ(prompt.questions().size(), 1);
    const QString question = prompt.questions().first();
    for (const QString& named :
         {msg::personToDelete.arg("张三", "1"),
          msg::ruleDescription.arg("1", "张三", "不排在", "全部", "夜班"), msg::goesLeave.arg(1),
          msg::goesLimits.arg(1), msg::goesStaffNumber.arg(1), msg::keptLocks.arg("三月").arg(1)})
        EXPECT_TRUE(question.contains(named)) << named.toStdString();
    EXPECT_FALSE(question.contains("李四"));

    for (const bool rulesToo : {false, true}) {
        prompt.clear();
        prompt.addAnswer(true);
        prompt.addAnswer(rulesToo);
        const qint64 person =
            db.scalar("SELECT max(IDID) FROM 基本信息 WHERE 姓名 = '张三'").toLongLong();
        EXPECT_TRUE(editor.deletePerson(person));
        EXPECT_EQ(prompt.questions().size(), 2);
        EXPECT_EQ(counts(), QStringList{rulesToo ? "1|1|0|0|0" : "1|2|0|0|0"});
        add({"张三"}); // back, for the second pass
    }
}

// A 工号 is optional text, trimmed, and never shared by two people of one ward.
TEST_F(StaffTest, StaffNumbersAreTrimmedAndOwnedByOnePerson) {
    add({"张三", "李四"});
    struct Case {
        const char* person;
        const char* typed;
        bool stored;
        QStringList held; // 姓名|工号 afterwards
    };
    const Case cases[] = {
        {"张三", " H001\u3000", true, {"张三|H001"}},
        {"李四", "H001", false, {"张三|H001"}},
        {"李四", "h001", true, {"张三|H001", "李四|h001"}},
        {"张三", "H002", true, {"张三|H002", "李四|h001"}},
        {"张三", "  ", true, {"李四|h001"}},
        {"李四", "H002", true, {"李四|H002"}},
    };
    for (const Case& c : cases) {
        const qint64 idid =
            db.scalar(QString("SELECT IDID FROM 基本信息 WHERE 姓名 = '%1'").arg(c.person))
                .toLongLong();
        EXPECT_EQ(editor.setStaffNumber(idid, c.typed), c.stored) << c.typed;
        EXPECT_EQ(db.rows("SELECT 姓名, 工号 FROM 人员工号 JOIN 基本信息 ON IDID = 人员IDID "
                          "ORDER BY 姓名"),
                  c.held)
            << c.typed;
        EXPECT_EQ(editor.staffNumber(idid),
                  c.held.filter(QString::fromUtf8(c.person)).value(0).section('|', 1))
            << c.typed;
    }
    EXPECT_EQ(prompt.shown(), QStringList{msg::staffNumberTaken.arg("H001", "张三")});
}
