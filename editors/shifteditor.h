#pragma once

#include "store/prompt.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <optional>

namespace korvane {

namespace shift {
inline const QString sameDay = QStringLiteral("当");
inline const QString nextDay = QStringLiteral("次");
inline const QString notCrossing = QStringLiteral("不跨转");
inline const QString crossing = QStringLiteral("跨转至次日");
inline const QString noLimit = QStringLiteral("无限制");
inline const QString everyDate = QStringLiteral("全部");
} // namespace shift

// The boxes of the shift editor that are checked on every change of their text.
enum class ShiftBox { Hour, Minute, Headcount, LeastRun, SharedLimit };

// Outcome of one entry check: the message to show and the value to put back
// when the text is refused (message empty when the text passes).
struct BoxCheck {
    QString message;
    QString reset;
    bool passed() const { return message.isEmpty(); }
};

// A text "reads as a number" as the entry checks understand it: surrounding
// blanks, a sign and decimals are allowed.
bool readsAsNumber(const QString& text, double* value = nullptr);

BoxCheck checkShiftBox(ShiftBox box, const QString& text);

// Runs the check on text; on failure shows the message and checks the reset
// value in turn, until a value passes. Returns the value the box must show.
QString settleShiftBox(ShiftBox box, const QString& text, Prompt& prompt);

// What the entry panel holds, as the boxes show it.
struct ShiftEntry {
    QString name;
    QString startHour = QStringLiteral("0");
    QString startMinute = QStringLiteral("0");
    QString day = shift::sameDay; // 当 or 次
    QString endHour = QStringLiteral("0");
    QString endMinute = QStringLiteral("0");
    QString headcount = QStringLiteral("1");
    QString level = QStringLiteral("0");
    QString distribution = shift::everyDate;
    QString leastRun = shift::noLimit;
    QString note;
    QString sharedLimit = shift::noLimit; // comLianxu, outside the panel
};

// One row of banci as the grid lists it.
struct ShiftRow {
    qint64 idid = 0;
    QString name;
    QString start;
    QString crossesDay;
    QString end;
    QString sharedLimit;
};

// The operations behind the shift editor (frmBanciset) on table banci.
// Every change is stored at once; messages go through the prompt.
class ShiftEditor {
public:
    ShiftEditor(QSqlDatabase db, Prompt& prompt);

    // Every shift in stored order (ascending idid).
    QList<ShiftRow> shifts() const;
    // Names of the date groups in stored order, 全部 included.
    QStringList dateGroupNames() const;
    // The shared limit shown when the window opens: 连续次数 of the first
    // row, or 无限制 when there is no shift.
    QString openingSharedLimit() const;
    // Writes text into 连续次数 of every shift (one transaction).
    bool writeSharedLimit(const QString& text);

    // The panel loaded with the stored shift; nothing when it does not exist.
    // The day box keeps `current` when 次日 holds neither known value.
    std::optional<ShiftEntry> load(qint64 idid, const QString& currentDay = shift::sameDay) const;

    // Stores the panel as a new shift (所属组ID "zz1z"). A blank name is
    // refused; a repeated one is not. The new idid, or nothing when the
    // entry was refused (message shown) or the store failed.
    std::optional<qint64> addShift(const ShiftEntry& entry);
    // Rewrites an existing shift; its membership is left alone. False when
    // refused, when the shift is gone, or when the store failed.
    bool updateShift(qint64 idid, const ShiftEntry& entry);
    // Deletes the shift after asking, naming what goes with it (its ideal
    // headcounts) and, unless another row has its name, the rules and
    // forbidden successions that name it, which a second question offers to
    // delete. False when declined (lastError empty), gone or failed.
    bool deleteShift(qint64 idid);

    // The last database error, for the window to report.
    const QString& lastError() const { return m_lastError; }

private:
    // The checks of a save; shows the message of the first that fails.
    bool acceptable(const ShiftEntry& entry);
    bool fail(const QString& error);

    QSqlDatabase m_db;
    Prompt& m_prompt;
    QString m_lastError;
};

} // namespace korvane
