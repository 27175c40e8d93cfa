#include "editors/groupeditor.h"

#include "editors/dependents.h"
#include "editors/names.h"
#include "store/dialect.h"
#include "store/membership.h"
#include "store/messages.h"
#include "store/schema.h"
#include "store/sqltext.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace korvane {

namespace {

const GroupKind kKinds[] = {
    {1, QStringLiteral("值班人员组"), QStringLiteral("值班人员组"),
     QStringLiteral("值班人员组名称"),
     QStringLiteral("select * from 值班人员组 where 值班人员组名称 <> '全部'"),
     QStringLiteral("基本信息"), QStringLiteral("select * from 基本信息 where instr(所属组ID,"), 1,
     QStringLiteral("select * from 基本信息"), 11, QStringLiteral("姓名 ="),
     QStringLiteral("左面为值班人员组的增删按钮，如果想修改组名，单击单元格就可以进行输入修改。"
                    "右面为组成员的增删，点击增加删除成员按钮就会进入相应的界面。<< "
                    ">>分别为转移操作按钮。"),
     "btnRenyuanset", QStringLiteral(" order by ID, IDID")},
    {2, QStringLiteral("日期组"), QStringLiteral("日期组"), QStringLiteral("日期组名称"),
     QStringLiteral("select * from 日期组 where 日期组名称 <> '全部' "), QStringLiteral("日期类型"),
     QStringLiteral("select * from 日期类型 where instr(所属日期组ID,"), 0,
     QStringLiteral("select * from 日期类型"), 4, QStringLiteral("日期 ="),
     QStringLiteral("左面的为日期组的增删按钮，如果想修改组名，单击单元格就可以进行输入修改。"
                    "右面为组成员的增删，点击增加删除成员按钮就会进入相应的界面。<< "
                    ">>分别为转移操作按钮。"),
     "btnDateset", QStringLiteral(" order by 日期")},
    {3, QStringLiteral("班次组"), QStringLiteral("班次组"), QStringLiteral("班次组名称"),
     QStringLiteral("select * from 班次组 where 班次组名称 <> '全部'"), QStringLiteral("banci"),
     QStringLiteral("select * from banci where instr(所属组ID,"), 0,
     QStringLiteral("select * from banci"), 10, QStringLiteral("班次名称 ="),
     QStringLiteral("左面为班次组的增删按钮，如果想修改组名，单击单元格就可以进行输入修改。"
                    "右面为组成员的增删，点击增加删除成员按钮就会进入相应的界面。<< "
                    ">>分别为转移操作按钮。"),
     "btnBanciset", QStringLiteral(" order by idid")},
};

} // namespace

const GroupKind& groupKind(int kind) {
    return (kind >= 1 && kind <= 3) ? kKinds[kind - 1] : kKinds[0];
}

GroupEditor::GroupEditor(QSqlDatabase db, Prompt& prompt, int kind)
    : m_db(std::move(db)), m_prompt(prompt), m_kind(groupKind(kind)) {}

bool GroupEditor::fail(const QString& error) {
    m_lastError = error;
    return false;
}

QList<GroupRow> GroupEditor::groups() const {
    QList<GroupRow> rows;
    QSqlQuery query(m_db);
    if (!dialect::exec(query, m_kind.gridSql))
        return rows;
    while (query.next())
        rows.append({query.value(1).toLongLong(), query.value(0).toString()});
    return rows;
}

QString GroupEditor::memberSql(qint64 groupIdid) const {
    return m_kind.memberQueryPrefix + QLatin1Char('\'') + membership::token(groupIdid) +
           QStringLiteral("') >0");
}

QString GroupEditor::nonMemberSql(qint64 groupIdid) const {
    return m_kind.memberQueryPrefix + QLatin1Char('\'') + membership::token(groupIdid) +
           QStringLiteral("') =0");
}

int GroupEditor::memberCount(qint64 groupIdid) const {
    QSqlQuery query(m_db);
    if (!dialect::exec(query, memberSql(groupIdid)))
        return 0;
    int count = 0;
    while (query.next())
        ++count;
    return count;
}

std::optional<GroupRow> GroupEditor::addGroup() {
    m_lastError.clear();
    if (!m_db.transaction()) {
        fail(m_db.lastError().text());
        return std::nullopt;
    }
    // The row is stored under the caption first; the idid it receives then
    // completes its name, so default names never repeat.
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("insert into \"%1\" (\"%2\") values (?)")
                      .arg(m_kind.table, m_kind.nameColumn));
    query.addBindValue(m_kind.caption);
    bool ok = query.exec();
    const qint64 idid = ok ? lastInsertedId(query).toLongLong() : 0;
    const QString name = m_kind.caption + QString::number(idid);
    if (ok) {
        query.prepare(QStringLiteral("update \"%1\" set \"%2\" = ? where idid = ?")
                          .arg(m_kind.table, m_kind.nameColumn));
        query.addBindValue(name);
        query.addBindValue(idid);
        ok = query.exec();
    }
    if (!ok || !m_db.commit()) {
        fail(ok ? m_db.lastError().text() : query.lastError().text());
        m_db.rollback();
        return std::nullopt;
    }
    return GroupRow{idid, name};
}

QStringList GroupEditor::namedBy(const GroupRow& group) const {
    QStringList lines;
    QSqlQuery query(m_db);
    if (m_kind.kind == 2) {
        query.prepare(
            QStringLiteral("select 班次名称 from banci where 分布日期 = ? order by idid"));
        query.addBindValue(group.name);
        QStringList shifts;
        if (query.exec())
            while (query.next())
                shifts << query.value(0).toString();
        if (!shifts.isEmpty())
            lines << msg::shiftsNamingGroup.arg(shifts.join(QStringLiteral("、")));
    }
    // A person's rule names a staff group by its 人员 alone; a date or a
    // shift names a group only when the rule marks it as one.
    static const QString kRuleCondition[] = {QStringLiteral("人员 = ?"),
                                             QStringLiteral("日期 = ? and 选定日期组 <> 0"),
                                             QStringLiteral("班次 = ? and 选定班次组 <> 0")};
    query.prepare(QStringLiteral("select 编号, 人员, 排在, 日期, 班次 from 排除条件 where %1 "
                                 "order by 编号")
                      .arg(kRuleCondition[m_kind.kind - 1]));
    query.addBindValue(group.name);
    if (query.exec())
        while (query.next())
            lines << msg::ruleDescription.arg(query.value(0).toString(), query.value(1).toString(),
                                              query.value(2).toString(), query.value(3).toString(),
                                              query.value(4).toString());
    return lines;
}

bool GroupEditor::deleteGroup(const GroupRow& group) {
    m_lastError.clear();
    if (group.name == schema::allGroupName)
        return false;
    const bool hasMembers = memberCount(group.idid) > 0;
    QStringList named = namedBy(group);
    dependents::Dependents found;
    QString error;
    if (!dependents::ofGroup(m_db, m_kind.kind, group.idid, group.name, &found, &error))
        return fail(error);
    if (!found.goesWith.isEmpty())
        named << msg::goesWithIt + QLatin1Char('\n') + found.goesWith.join(QLatin1Char('\n'));
    QString question = hasMembers ? msg::deleteGroupWithMembers : QString();
    if (!named.isEmpty()) {
        const QString list = msg::groupNamedBy + QLatin1Char('\n') + named.join(QLatin1Char('\n'));
        question = hasMembers ? question + QStringLiteral("\n\n") + list
                              : list + QStringLiteral("\n\n") + msg::confirmDelete;
    }
    if (!question.isEmpty() && !m_prompt.question(question))
        return false;
    // The rules that name the group may go with it.
    const bool rulesToo =
        !found.naming.isEmpty() && m_prompt.question(msg::deleteNamingToo.arg(found.naming.size()));
    int deleted = 0;
    if (!dependents::deleteWith(
            m_db, found, rulesToo,
            {QStringLiteral("delete from \"%1\" where idid = ?").arg(m_kind.table), {group.idid}},
            &deleted, &error))
        return fail(error);
    return deleted == 1;
}

QString GroupEditor::acceptedName(const QString& typed) {
    if (isBlankName(typed) || typed == schema::allGroupName)
        return msg::pleaseChange;
    return typed;
}

std::optional<QString> GroupEditor::rename(qint64 groupIdid, const QString& typed) {
    m_lastError.clear();
    const QString name = acceptedName(typed);
    // Rules name a group by its name: two groups of one name cannot be told apart.
    QSqlQuery same(m_db);
    same.prepare(QStringLiteral("select count(*) from \"%1\" where \"%2\" = ? and idid <> ?")
                     .arg(m_kind.table, m_kind.nameColumn));
    same.addBindValue(name);
    same.addBindValue(groupIdid);
    if (!same.exec() || !same.next()) {
        fail(same.lastError().text());
        return std::nullopt;
    }
    if (name != msg::pleaseChange && same.value(0).toLongLong() > 0) {
        m_lastError = msg::duplicateGroupName.arg(name);
        return std::nullopt;
    }
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("update \"%1\" set \"%2\" = ? where idid = ?")
                      .arg(m_kind.table, m_kind.nameColumn));
    query.addBindValue(name);
    query.addBindValue(groupIdid);
    if (!query.exec()) {
        fail(query.lastError().text());
        return std::nullopt;
    }
    return name;
}

void GroupEditor::showSaveWarning() {
    if (!groups().isEmpty())
        m_prompt.information(msg::groupNameReferenced);
}

void GroupEditor::showRenameWarning() {
    m_prompt.information(msg::renameGroupWarning);
}

GroupContext GroupEditor::contextFor(const GroupRow& group) const {
    GroupContext context;
    context.groupKind = m_kind.kind;
    context.groupIdid = group.idid;
    context.groupName = group.name;
    context.candidateSql = m_kind.candidateSql;
    context.nonMemberSql = nonMemberSql(group.idid);
    context.memberSql = memberSql(group.idid);
    context.memberColumn = m_kind.memberColumn;
    context.keyPrefix = m_kind.keyPrefix;
    return context;
}

} // namespace korvane
