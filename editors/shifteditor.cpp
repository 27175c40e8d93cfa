#include "editors/shifteditor.h"

#include "editors/dependents.h"
#include "editors/names.h"
#include "store/membership.h"
#include "store/messages.h"
#include "store/sqltext.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <cmath>

namespace korvane {

namespace {

const QString kSelectShifts = QStringLiteral(
    "select idid, 班次名称, 起始时间, 次日, 终止时间, 连续次数 from banci order by idid");
const QString kSelectShift = QStringLiteral(
    "select 班次名称, 起始时间, 次日, 终止时间, 备注, 连续次数, 最小连续天数, 班次级别, "
    "分布日期, 人数 from banci where idid = ?");
const QString kInsertShift = QStringLiteral(
    "insert into banci (班次名称, 起始时间, 次日, 终止时间, 备注, 连续次数, 最小连续天数, "
    "班次级别, 分布日期, 所属组ID, 开始秒序, 结束秒序, 人数) "
    "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
// 次日 is kept when the day box holds neither 当 nor 次 (the first bound value is then null).
const QString kUpdateShift = QStringLiteral(
    "update banci set 班次名称 = ?, 起始时间 = ?, 次日 = coalesce(?, 次日), 终止时间 = ?, "
    "备注 = ?, 连续次数 = ?, 最小连续天数 = ?, 班次级别 = ?, 分布日期 = ?, 开始秒序 = ?, "
    "结束秒序 = ?, 人数 = ? where idid = ?");
const QString kDeleteShift = QStringLiteral("delete from banci where idid = ?");
const QString kWriteSharedLimit = QStringLiteral("update banci set 连续次数 = ?");
const QString kFirstSharedLimit =
    QStringLiteral("select 连续次数 from banci order by idid limit 1");
const QString kDateGroupNames = QStringLiteral("select 日期组名称 from 日期组 order by idid");

// A whole number from low to high, as an hour or minute box must hold at save.
std::optional<int> wholeNumberIn(const QString& text, int low, int high) {
    double value = 0;
    if (!readsAsNumber(text, &value) || value != std::floor(value) || value < low || value > high)
        return std::nullopt;
    return static_cast<int>(value);
}

struct ShiftTimes {
    int startHour, startMinute, endHour, endMinute;
    QString startText() const { return format(startHour, startMinute); }
    QString endText() const { return format(endHour, endMinute); }
    static QString format(int hour, int minute) {
        return QStringLiteral("%1:%2")
            .arg(hour, 2, 10, QLatin1Char('0'))
            .arg(minute, 2, 10, QLatin1Char('0'));
    }
};

std::optional<ShiftTimes> timesOf(const ShiftEntry& entry) {
    const auto startHour = wholeNumberIn(entry.startHour, 0, 23);
    const auto startMinute = wholeNumberIn(entry.startMinute, 0, 59);
    const auto endHour = wholeNumberIn(entry.endHour, 0, 23);
    const auto endMinute = wholeNumberIn(entry.endMinute, 0, 59);
    if (!startHour || !startMinute || !endHour || !endMinute)
        return std::nullopt;
    return ShiftTimes{*startHour, *startMinute, *endHour, *endMinute};
}

// 次日 as stored for the day box; null when the box holds neither value.
QVariant crossingFor(const QString& day) {
    if (day == shift::sameDay)
        return shift::notCrossing;
    if (day == shift::nextDay)
        return shift::crossing;
    return QVariant(QMetaType(QMetaType::QString));
}

// Hour and minute of a stored "HH:mm" as plain numbers ("08:05" gives 8 and 5).
void splitTime(const QString& stored, QString* hour, QString* minute) {
    const QStringList parts = stored.split(QLatin1Char(':'));
    if (parts.size() < 2)
        return;
    bool hourOk = false, minuteOk = false;
    const int h = parts[0].trimmed().toInt(&hourOk);
    const int m = parts[1].trimmed().toInt(&minuteOk);
    if (hourOk)
        *hour = QString::number(h);
    if (minuteOk)
        *minute = QString::number(m);
}

QString numberText(const QVariant& value) {
    if (value.isNull())
        return {};
    bool ok = false;
    const double number = value.toDouble(&ok);
    return ok ? QString::number(number) : value.toString();
}

} // namespace

bool readsAsNumber(const QString& text, double* value) {
    bool ok = false;
    const double number = text.trimmed().toDouble(&ok);
    if (ok && value)
        *value = number;
    return ok && std::isfinite(number);
}

BoxCheck checkShiftBox(ShiftBox box, const QString& text) {
    const bool limitBox = box == ShiftBox::LeastRun || box == ShiftBox::SharedLimit;
    if (limitBox && text == shift::noLimit)
        return {};
    const QString reset = (box == ShiftBox::Hour || box == ShiftBox::Minute) ? QStringLiteral("0")
                                                                             : QStringLiteral("1");
    double value = 0;
    if (!readsAsNumber(text, &value))
        return {msg::enterNumber, reset};
    switch (box) {
    case ShiftBox::Hour:
        if (value > 23)
            return {msg::valueTooLarge, reset};
        break;
    case ShiftBox::Minute:
        if (value > 59)
            return {msg::valueTooLarge, reset};
        break;
    case ShiftBox::Headcount:
    case ShiftBox::LeastRun:
    case ShiftBox::SharedLimit:
        if (value == 0)
            return {msg::enterNonZero, reset};
        break;
    }
    return {};
}

QString settleShiftBox(ShiftBox box, const QString& text, Prompt& prompt) {
    QString value = text;
    // The reset values pass, so this ends after at most one refusal; the
    // bound only guards against a future reset value that does not.
    for (int round = 0; round < 4; ++round) {
        const BoxCheck check = checkShiftBox(box, value);
        if (check.passed())
            break;
        prompt.information(check.message);
        value = check.reset;
    }
    return value;
}

ShiftEditor::ShiftEditor(QSqlDatabase db, Prompt& prompt) : m_db(std::move(db)), m_prompt(prompt) {}

bool ShiftEditor::fail(const QString& error) {
    m_lastError = error;
    return false;
}

QList<ShiftRow> ShiftEditor::shifts() const {
    QList<ShiftRow> rows;
    QSqlQuery query(m_db);
    if (!query.exec(kSelectShifts))
        return rows;
    while (query.next()) {
        rows.append({query.value(0).toLongLong(), query.value(1).toString(),
                     query.value(2).toString(), query.value(3).toString(),
                     query.value(4).toString(), query.value(5).toString()});
    }
    return rows;
}

QStringList ShiftEditor::dateGroupNames() const {
    QStringList names;
    QSqlQuery query(m_db);
    if (!query.exec(kDateGroupNames))
        return names;
    while (query.next())
        names << query.value(0).toString();
    return names;
}

QString ShiftEditor::openingSharedLimit() const {
    QSqlQuery query(m_db);
    if (query.exec(kFirstSharedLimit) && query.next())
        return query.value(0).toString();
    return shift::noLimit;
}

bool ShiftEditor::writeSharedLimit(const QString& text) {
    m_lastError.clear();
    if (!m_db.transaction())
        return fail(m_db.lastError().text());
    QSqlQuery query(m_db);
    query.prepare(kWriteSharedLimit);
    query.addBindValue(text);
    if (!query.exec()) {
        const QString error = query.lastError().text();
        m_db.rollback();
        return fail(error);
    }
    if (!m_db.commit())
        return fail(m_db.lastError().text());
    return true;
}

std::optional<ShiftEntry> ShiftEditor::load(qint64 idid, const QString& currentDay) const {
    QSqlQuery query(m_db);
    query.prepare(kSelectShift);
    query.addBindValue(idid);
    if (!query.exec() || !query.next())
        return std::nullopt;
    ShiftEntry entry;
    entry.name = query.value(0).toString();
    splitTime(query.value(1).toString(), &entry.startHour, &entry.startMinute);
    const QString crossing = query.value(2).toString();
    entry.day = crossing == shift::notCrossing ? shift::sameDay
                : crossing == shift::crossing  ? shift::nextDay
                                               : currentDay;
    splitTime(query.value(3).toString(), &entry.endHour, &entry.endMinute);
    entry.note = query.value(4).toString();
    entry.sharedLimit = query.value(5).toString();
    entry.leastRun = query.value(6).toString();
    entry.level = numberText(query.value(7));
    entry.distribution = query.value(8).toString();
    entry.headcount = numberText(query.value(9));
    return entry;
}

bool ShiftEditor::acceptable(const ShiftEntry& entry) {
    m_lastError.clear();
    // A nameless shift would be staffed like any other and shown as a blank.
    if (isBlankName(entry.name)) {
        m_prompt.information(msg::shiftNameEmpty);
        return false;
    }
    const auto times = timesOf(entry);
    if (!times) {
        m_prompt.information(msg::invalidShiftTime);
        return false;
    }
    // The hours alone are compared: 08:40 to 08:10 on the same day passes.
    if (entry.day == shift::sameDay && times->startHour > times->endHour) {
        m_prompt.information(msg::endAfterStart);
        return false;
    }
    // The boxes are checked as they change; a value that never went through
    // the window is held to the same rules before it is stored.
    for (const auto& [box, text] : {std::pair{ShiftBox::Headcount, entry.headcount},
                                    std::pair{ShiftBox::LeastRun, entry.leastRun},
                                    std::pair{ShiftBox::SharedLimit, entry.sharedLimit}}) {
        const BoxCheck check = checkShiftBox(box, text);
        if (!check.passed()) {
            m_prompt.information(check.message);
            return false;
        }
    }
    return true;
}

namespace {

// The column values of a save, in the order both statements bind them.
struct StoredShift {
    QVariant crossing;
    QString start, end;
    double startMinutes, endMinutes;
};

StoredShift storedShift(const ShiftEntry& entry) {
    const ShiftTimes times = *timesOf(entry);
    StoredShift stored;
    stored.crossing = crossingFor(entry.day);
    stored.start = times.startText();
    stored.end = times.endText();
    stored.startMinutes = times.startHour * 60 + times.startMinute;
    stored.endMinutes =
        times.endHour * 60 + times.endMinute + (entry.day == shift::nextDay ? 24 * 60 : 0);
    return stored;
}

double numberOf(const QString& text) {
    double value = 0;
    readsAsNumber(text, &value);
    return value;
}

// Binds the columns a save writes, in the order of the insert and update
// statements; only a new shift gets its membership string.
void bindShiftColumns(QSqlQuery& query, const ShiftEntry& entry, const StoredShift& stored,
                      bool newShift) {
    query.addBindValue(entry.name);
    query.addBindValue(stored.start);
    query.addBindValue(stored.crossing);
    query.addBindValue(stored.end);
    query.addBindValue(entry.note);
    query.addBindValue(entry.sharedLimit);
    query.addBindValue(entry.leastRun);
    query.addBindValue(numberOf(entry.level));
    query.addBindValue(entry.distribution);
    if (newShift)
        query.addBindValue(membership::allMembers);
    query.addBindValue(stored.startMinutes);
    query.addBindValue(stored.endMinutes);
    query.addBindValue(numberOf(entry.headcount));
}

} // namespace

std::optional<qint64> ShiftEditor::addShift(const ShiftEntry& entry) {
    if (!acceptable(entry))
        return std::nullopt;
    const StoredShift stored = storedShift(entry);
    QSqlQuery query(m_db);
    query.prepare(kInsertShift);
    bindShiftColumns(query, entry, stored, /*newShift=*/true);
    if (!query.exec()) {
        fail(query.lastError().text());
        return std::nullopt;
    }
    return lastInsertedId(query).toLongLong();
}

bool ShiftEditor::updateShift(qint64 idid, const ShiftEntry& entry) {
    if (!acceptable(entry))
        return false;
    const StoredShift stored = storedShift(entry);
    QSqlQuery query(m_db);
    query.prepare(kUpdateShift);
    bindShiftColumns(query, entry, stored, /*newShift=*/false);
    query.addBindValue(idid);
    if (!query.exec())
        return fail(query.lastError().text());
    return query.numRowsAffected() == 1;
}

bool ShiftEditor::deleteShift(qint64 idid) {
    m_lastError.clear();
    QSqlQuery query(m_db);
    QString error;
    if (!execBound(query,
                   QStringLiteral("select 班次名称, 起始时间, 终止时间 from banci where idid = ?"),
                   {idid}, &error))
        return fail(error);
    if (!query.next())
        return false; // gone already
    const QString name = query.value(0).toString();
    const QString what =
        msg::shiftToDelete.arg(name, query.value(1).toString(), query.value(2).toString());
    query.finish();
    dependents::Dependents found;
    if (!dependents::ofShift(m_db, idid, name, &found, &error))
        return fail(error);
    bool rulesToo = false;
    if (!dependents::confirm(m_prompt, what, found, &rulesToo))
        return false;
    int deleted = 0;
    if (!dependents::deleteWith(m_db, found, rulesToo, {kDeleteShift, {idid}}, &deleted, &error))
        return fail(error);
    return deleted == 1;
}

} // namespace korvane
