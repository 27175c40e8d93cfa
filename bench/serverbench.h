#pragma once

#include <QString>

namespace korvane::bench {

// The run on a ward of a local PostgreSQL server (a throwaway cluster) against
// the same run in the file: the set-up file at path is loaded into a ward,
// and both are generated three times; the medians are set against each other
// (limit: the ward within twice the file). Skipped, and true, where the
// server's programs are not installed. False when the limit is passed.
bool measureServer(const QString& name, const QString& path);

// The department's overview of a month over 30 wards, each a copy of the
// set-up at path (a ward's month) with its roster generated and kept, in a
// database of their own on the throwaway cluster: the median of three reads
// (limit: 1 s). Skipped, and true, where the server's programs are missing.
bool measureOverview(const QString& path);

} // namespace korvane::bench
