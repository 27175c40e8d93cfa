#pragma once

#include <QString>

namespace korvane {

// A user's text as an SQL string literal: single quotes around it and every
// quote inside doubled, so O'Neil becomes 'O''Neil'. The one way the code
// puts user text into SQL that it does not bind.
inline QString sqlQuote(const QString& text) {
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

} // namespace korvane
