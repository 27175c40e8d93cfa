#include "engine/rostertable.h"

#include <gtest/gtest.h>

using namespace korvane::engine;

TEST(RosterText, WideCharactersTakeTwoColumns) {
    EXPECT_EQ(displayWidth(QStringLiteral("abc")), 3);
    EXPECT_EQ(displayWidth(QStringLiteral("白班")), 4);
    EXPECT_EQ(displayWidth(QStringLiteral("  张三")), 6);
    EXPECT_EQ(displayWidth(QStringLiteral("2027年1月5日")), 12);
    EXPECT_EQ(displayWidth(QStringLiteral("（）：")), 6); // full-width punctuation
    EXPECT_EQ(displayWidth(QString()), 0);
}

TEST(RosterText, ColumnsLineUpWhateverTheCharacterWidths) {
    RosterTable table;
    table.columns = {QStringLiteral("日期"), QStringLiteral("班次"), QStringLiteral("值班人")};
    table.rows = {{QStringLiteral("2027年1月5日"), QStringLiteral("白班"), QStringLiteral("  甲")},
                  {QStringLiteral("2027年1月15日"), QStringLiteral("night"), QString()}};
    const QStringList lines = formatRosterTable(table);
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines.at(0), QStringLiteral("日期           班次   值班人"));
    EXPECT_EQ(lines.at(1), QStringLiteral("-------------  -----  ------"));
    EXPECT_EQ(lines.at(2), QStringLiteral("2027年1月5日   白班     甲"));
    EXPECT_EQ(lines.at(3), QStringLiteral("2027年1月15日  night  "));
    EXPECT_EQ(lines.at(4), QStringLiteral("记录数：2"));
}

TEST(RosterText, EmptyRosterStillShowsHeaderAndCount) {
    RosterTable table;
    table.columns = {QStringLiteral("IDID"), QStringLiteral("值班人")};
    const QStringList lines = formatRosterTable(table);
    EXPECT_EQ(lines.last(), QStringLiteral("记录数：0"));
    EXPECT_EQ(lines.size(), 3);
}

TEST(RosterCsv, BomHeaderAndStandardQuoting) {
    RosterTable table;
    table.columns = {QStringLiteral("班次"), QStringLiteral("值班人")};
    table.rows = {{QStringLiteral("白班"), QStringLiteral("  甲  乙")},
                  {QStringLiteral("a,b"), QStringLiteral("say \"hi\"")},
                  {QStringLiteral("two\nlines"), QString()}};
    const QByteArray csv = rosterCsv(table);
    EXPECT_TRUE(csv.startsWith("\xEF\xBB\xBF"));
    EXPECT_EQ(QString::fromUtf8(csv.mid(3)),
              QStringLiteral("班次,值班人\r\n白班,  甲  乙\r\n\"a,b\",\"say \"\"hi\"\"\"\r\n"
                             "\"two\nlines\",\r\n"));
}
