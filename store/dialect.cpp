#include "store/dialect.h"

#include <QSqlError>

namespace korvane::dialect {

Translation translate(const QString& statement) {
    // Placeholder until the tokenizer lands: statements pass unchanged.
    return {statement, {}};
}

bool exec(QSqlQuery& query, const QString& statement, QString* error) {
    const Translation translation = translate(statement);
    if (!translation.ok()) {
        if (error)
            *error = translation.error;
        return false;
    }
    if (!query.exec(translation.sql)) {
        if (error)
            *error = query.lastError().text();
        return false;
    }
    return true;
}

} // namespace korvane::dialect
