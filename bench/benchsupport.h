#pragma once

#include <QList>
#include <QString>

#include <algorithm>
#include <cstdio>

// What every measurement of korvane-bench shares.
namespace korvane::bench {

// A line of the report on standard output, flushed at once: a bench runs
// for minutes and its lines are read as they come.
inline void print(const QString& line) {
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// The middle of the measurements (of an even number, the upper one).
inline double medianOf(QList<double> values) {
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

} // namespace korvane::bench
