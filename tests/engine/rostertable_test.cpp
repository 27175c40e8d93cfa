#include "engine/rostertable.h"

#include <gtest/gtest.h>

using namespace korvane::engine;

TEST(RosterText, WideCharactersTakeTwoColumns) {
    const std::pair<const char*, int> cases[] = {{"abc", 3},           {"白班", 4},   {"  张三", 6},
                                                 {"2027年1月5日", 12}, {"（）：", 6}, {"", 0}};
    for (const auto& [text, width] : cases)
        EXPECT_EQ(displayWidth(QString::fromUtf8(text)), width) << text;
}

TEST(RosterText, ColumnsLineUpWhateverTheCharacterWidths) {
    RosterTable table;
    table.columns = {"日期", "班次", "值班人"};
    table.rows = {{"2027年1月5日", "白班", "  甲"}, {"2027年1月15日", "night", QString()}};
    EXPECT_EQ(formatRosterTable(table),
              QStringList({"日期           班次   值班人", "-------------  -----  ------",
                           "2027年1月5日   白班     甲", "2027年1月15日  night  ", "记录数：2"}));
    // An empty roster still shows the header and the count.
    table.columns = {"IDID", "值班人"};
    table.rows.clear();
    const QStringList lines = formatRosterTable(table);
    EXPECT_EQ(lines.size(), 3);
    EXPECT_EQ(lines.last(), "记录数：0");
}

TEST(RosterCsv, BomHeaderAndStandardQuoting) {
    RosterTable table;
    table.columns = {"班次", "值班人"};
    table.rows = {{"白班", "  甲  乙"}, {"a,b", "say \"hi\""}, {"two\nlines", QString()}};
    const QByteArray csv = rosterCsv(table);
    EXPECT_TRUE(csv.startsWith("\xEF\xBB\xBF"));
    EXPECT_EQ(QString::fromUtf8(csv.mid(3)),
              "班次,值班人\r\n白班,  甲  乙\r\n\"a,b\",\"say \"\"hi\"\"\"\r\n\"two\nlines\",\r\n");
}
