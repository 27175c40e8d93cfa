#pragma once

#include "editors/groupcontext.h"
#include "store/prompt.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <optional>

namespace korvane {

// Everything that differs between the three kinds of groups.
struct GroupKind {
    int kind;        // 1 staff groups, 2 date groups, 3 shift groups
    QString caption; // group grid caption and the stem of a new group's name
    QString table;   // the group table
    QString nameColumn;
    QString gridSql; // the groups listed by the page (全部 left out)
    QString memberTable;
    QString memberQueryPrefix;
    int memberKeyColumn; // the one column the member grid shows
    QString candidateSql;
    int memberColumn; // position of the membership string in the member table
    QString keyPrefix;
    QString helpText;
    const char* openingButton; // object name of the setup page's button
    // Appended to the member and candidate queries where the lists are read:
    // people by person number, dates by date, shifts as defined.
    QString listOrder;
};

// The kind's description; kinds outside 1 to 3 are taken as staff groups.
const GroupKind& groupKind(int kind);

struct GroupRow {
    qint64 idid = 0;
    QString name;
};

// The operations behind the group pages of the setup page: add, delete,
// rename, list members, and the context handed to the membership editor.
class GroupEditor {
public:
    GroupEditor(QSqlDatabase db, Prompt& prompt, int kind);

    const GroupKind& kind() const { return m_kind; }

    // The groups of this kind in stored order, never 全部.
    QList<GroupRow> groups() const;

    // SQL of the rows that hold (members) or do not hold the group's token,
    // in the application's dialect.
    QString memberSql(qint64 groupIdid) const;
    QString nonMemberSql(qint64 groupIdid) const;
    int memberCount(qint64 groupIdid) const;

    // Adds a group named caption + its idid (日期组7). Nothing on a store error.
    std::optional<GroupRow> addGroup();

    // The shifts and rules that name the group, one line each as the delete
    // question lists them: shifts distributed on a date group, rules naming
    // the group as their 人员, date group or shift group.
    QStringList namedBy(const GroupRow& group) const;

    // Deletes the group, asking first when it has members or is named by
    // shifts or rules (the question lists them); 全部 is never deleted. True
    // when the row was deleted. Membership strings and names keep the group.
    bool deleteGroup(const GroupRow& group);

    // The name a cell edit stores: 请修改 instead of a blank name or 全部.
    static QString acceptedName(const QString& typed);
    // Stores the edited name (after acceptedName); returns the stored name.
    // A name another group of the kind has is refused (lastError says so).
    std::optional<QString> rename(qint64 groupIdid, const QString& typed);

    // The warnings of 保存 and of an edit that begins.
    void showSaveWarning();
    void showRenameWarning();

    // What the membership editor needs to edit the group.
    GroupContext contextFor(const GroupRow& group) const;

    const QString& lastError() const { return m_lastError; }

private:
    bool fail(const QString& error);

    QSqlDatabase m_db;
    Prompt& m_prompt;
    const GroupKind& m_kind;
    QString m_lastError;
};

} // namespace korvane
