#include "cli/cli.h"

// Commands whose work is not in this build yet.
namespace korvane::cli {

namespace {
int notAvailable(const char* name) {
    err(QStringLiteral("%1: not available in this build").arg(QLatin1String(name)));
    return Refused;
}
} // namespace

int generate(Context&) {
    return notAvailable("generate");
}
int roster(Context&) {
    return notAvailable("roster");
}
int importDatabase(Context&) {
    return notAvailable("import");
}
int exportDatabase(Context&) {
    return notAvailable("export");
}

} // namespace korvane::cli
