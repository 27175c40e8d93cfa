#include "store/membership.h"
#include "store/sqltext.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

using namespace korvane;

TEST(Membership, TokensAreExact) {
    const QString s = QStringLiteral("zz12z1z");
    EXPECT_TRUE(membership::contains(s, 12));
    EXPECT_TRUE(membership::contains(s, 1));
    EXPECT_FALSE(membership::contains(s, 2));
    EXPECT_FALSE(membership::contains(s, 121));
}

TEST(Membership, AddAndRemove) {
    const QString s = QStringLiteral("zz12z1z");
    EXPECT_EQ(membership::removed(s, 1), QStringLiteral("zz12z"));
    EXPECT_EQ(membership::added(s, 3), QStringLiteral("zz3z12z1z"));
    EXPECT_EQ(membership::added(QStringLiteral("zz1z"), 5), QStringLiteral("zz5z1z"));
    EXPECT_EQ(membership::removed(QStringLiteral("zz5z1z"), 5), QStringLiteral("zz1z"));
    EXPECT_EQ(membership::removed(QStringLiteral("zz5z1z"), 1), QStringLiteral("zz5z"));
    // In and out again restores the string; other tokens survive.
    const QString other = QStringLiteral("zz7z1z");
    EXPECT_EQ(membership::removed(membership::added(other, 12), 12), other);
    // A string without the leading zz cannot take a token.
    EXPECT_EQ(membership::added(QString(), 4), QString());
}

TEST(SqlQuote, QuotesSurviveARealStatement) {
    test::TempDatabase t;
    for (const QString& name : {QStringLiteral("O'Neil"), QStringLiteral("张'三"),
                                QStringLiteral("''"), QStringLiteral("a & b #1#")}) {
        t.run(QStringLiteral("insert into 基本信息 (ID, 姓名) values (1, %1)").arg(sqlQuote(name)));
        EXPECT_EQ(t.scalar(QStringLiteral("select count(*) from 基本信息 where 姓名 = %1")
                               .arg(sqlQuote(name)))
                      .toInt(),
                  1)
            << name.toStdString();
        t.run(QStringLiteral("delete from 基本信息"));
    }
}
