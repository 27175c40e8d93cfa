#pragma once

#include <QString>

// Membership strings: "zz" followed by each group's idid and a "z"
// (zz5z1z is in groups 5 and 1). Each id is enclosed by a "z" on both sides,
// so a substring test on "z<id>z" is exact.
namespace korvane::membership {

inline const QString allMembers = QStringLiteral("zz1z");

// "z<id>z", the token that marks membership of group id.
inline QString token(qint64 groupId) {
    return QLatin1Char('z') + QString::number(groupId) + QLatin1Char('z');
}

inline bool contains(const QString& memberships, qint64 groupId) {
    return memberships.contains(token(groupId));
}

// Adds the group in front: zz1z with 5 becomes zz5z1z. A string without the
// leading "zz" cannot take a token and comes back unchanged.
inline QString added(QString memberships, qint64 groupId) {
    return memberships.replace(QLatin1String("zz"),
                               QLatin1String("zz") + QString::number(groupId) + QLatin1Char('z'));
}

// Removes the group: zz5z1z without 5 becomes zz1z.
inline QString removed(QString memberships, qint64 groupId) {
    return memberships.replace(token(groupId), QLatin1String("z"));
}

} // namespace korvane::membership
