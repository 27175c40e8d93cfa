#pragma once

#include <QStringList>
#include <QtGlobal>

namespace korvane::bench {

// korvane-bench inrc2 DIR INSTANCE [--solution SOLDIR] [--out SOLDIR]: the
// instance as a Korvane file, its roster (the competition's files, or the
// plain run) scored in the competition's seven terms, then "total N hard H".
int inrc2Command(QStringList args);

// The search for seconds, or for steps per chain (steps > 0, the same
// roster every time), on the roster of the plain run of the file at path (a
// hospital year): the score before and after, term by term.
int searchYear(const QString& path, double seconds, qint64 steps = 0);

// The score's speed on a generated roster (the file at path, a hospital
// year): objectives of every kind are added to the file, then the whole
// score, one changed cell of the incremental score, and a hand edit's update
// of the 评分 tab are timed. False when a limit is passed.
bool measureScore(const QString& name, const QString& path);

} // namespace korvane::bench
