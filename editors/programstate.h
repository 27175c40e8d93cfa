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

// The few values the pages share for the whole time the program runs.
struct ProgramState {
    qint16 wizardStep = 0;
    GroupContext group;
    QString reportQuery;          // what the roster grid and the printed report show
    double rowHeightFactor = 1.0; // F of the last report step
};

} // namespace korvane
