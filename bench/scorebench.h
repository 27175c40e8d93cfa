#pragma once

#include <QStringList>

namespace korvane::bench {

// korvane-bench inrc2 DIR INSTANCE [--solution SOLDIR] [--out SOLDIR]: the
// instance as a Korvane file, its roster (the competition's files, or the
// plain run) scored in the competition's seven terms, then "total N hard H".
int inrc2Command(QStringList args);

} // namespace korvane::bench
