#pragma once

#include <QString>

namespace korvane {

// A name made only of blanks (full-width ones included) is no name: it is
// refused as an empty one is. Blanks around a real name are kept, so a name
// with a trailing blank stays a name of its own.
inline bool isBlankName(const QString& name) {
    return name.trimmed().isEmpty();
}

} // namespace korvane
