#pragma once

#include <QString>

namespace korvane {

// What the group page hands to the membership editor.
struct GroupContext {
    int groupKind = 1; // 1 staff groups, 2 date groups, 3 shift groups
    qint64 groupIdid = 0;
    QString groupName;
    QString candidateSql;
    QString nonMemberSql;
    QString memberSql;
    int memberColumn = 0;
    QString keyPrefix;
};

} // namespace korvane
