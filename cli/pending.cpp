#include "cli/cli.h"

// Commands whose work is not in this build yet.
namespace korvane::cli {

namespace {
[[maybe_unused]] int notAvailable(const char* name) {
    err(QStringLiteral("%1: not available in this build").arg(QLatin1String(name)));
    return Refused;
}
} // namespace

} // namespace korvane::cli
