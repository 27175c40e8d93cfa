#pragma once

#include <QString>

namespace korvane::bench {

// The run on a ward of a local PostgreSQL server (a throwaway cluster) against
// the same run in the file: the set-up file at path is loaded into a ward,
// and both are generated three times; the medians are set against each other
// (limit: the ward within twice the file). Skipped, and true, where the
// server's programs are not installed. False when the limit is passed.
bool measureServer(const QString& name, const QString& path);

} // namespace korvane::bench
