#include "store/dialect.h"

#include <QDate>
#include <QList>
#include <QSet>
#include <QSqlDriver>
#include <QSqlError>
#include <QStringList>
#include <algorithm>

// The translation runs in three steps: the statement is cut into tokens
// (quoted texts and names stay whole, #date# literals become text literals,
// a number run into a word is separated), "delete * from" loses its star, and
// the tokens are written out again level by level (a parenthesised group or a
// CASE...END is one level), turning every chain of '&' operands into a
// parenthesised chain of '||'.
//
// '&' binds more loosely than arithmetic and more tightly than comparisons,
// LIKE, NOT, AND and OR; SQLite's '||' binds more tightly than arithmetic, so
// an operand is everything between the '&' and the nearest looser operator or
// keyword, put in parentheses. '&' also differs from '||' in what it makes of
// its operands: a missing value (NULL) joins as empty text, and a floating
// point number joins as its shortest decimal form (2.0 as "2", 2.5 as "2.5"),
// so every operand that is not a plain text or whole-number literal goes
// through a CASE that does this.
namespace korvane::dialect {

namespace {

enum class Kind {
    Space,  // white space, copied
    Text,   // a text literal in single quotes (also a translated #date#)
    Name,   // a quoted name: "..." or [...] or `...`
    Number, // a numeric literal
    Word,   // a name or keyword
    Symbol, // an operator or punctuation
};

struct Token {
    Kind kind;
    QString text;
};

bool isAsciiDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// Names may hold any character outside ASCII (Chinese table and column
// names), as in SQLite itself.
bool isWordStart(QChar c) {
    return c.unicode() >= 0x80 || c.isLetter() || c == QLatin1Char('_');
}

bool isWordChar(QChar c) {
    return isWordStart(c) || isAsciiDigit(c) || c == QLatin1Char('$');
}

bool isHexDigit(QChar c) {
    return isAsciiDigit(c) || (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

// The whole number made of the ASCII digits s[*i] onwards, at least min and
// at most max of them; -1 when there are fewer.
int readDigits(const QString& s, qsizetype* i, int min, int max) {
    int value = 0;
    int count = 0;
    while (*i < s.size() && count < max && isAsciiDigit(s[*i])) {
        value = value * 10 + (s[*i].unicode() - u'0');
        ++*i;
        ++count;
    }
    return count >= min ? value : -1;
}

// A #...# literal holds yyyy-M-d or yyyy/M/d (one separator throughout); it
// becomes 'yyyy-MM-dd', the form every date column stores. Read by hand
// rather than with a shared regular expression: the store is used from the
// window's thread and the run's thread at once.
bool translateDate(const QString& inside, QString* literal) {
    qsizetype i = 0;
    const int year = readDigits(inside, &i, 4, 4);
    if (year < 0 || i >= inside.size())
        return false;
    const QChar separator = inside[i];
    if (separator != QLatin1Char('-') && separator != QLatin1Char('/'))
        return false;
    ++i;
    const int month = readDigits(inside, &i, 1, 2);
    if (month < 0 || i >= inside.size() || inside[i] != separator)
        return false;
    ++i;
    const int day = readDigits(inside, &i, 1, 2);
    if (day < 0 || i != inside.size())
        return false;
    const QDate date(year, month, day);
    if (!date.isValid())
        return false;
    *literal = QLatin1Char('\'') + date.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char('\'');
    return true;
}

// Index just past the closing character of a quoted run starting at start;
// a doubled closing character stands for itself. -1 when it never closes.
qsizetype quotedEnd(const QString& s, qsizetype start, QChar close, bool doubling) {
    qsizetype i = start + 1;
    while (i < s.size()) {
        if (s[i] == close) {
            if (doubling && i + 1 < s.size() && s[i + 1] == close) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return -1;
}

// The length of the operator at s[i]: 2 for <> <= >= != == || << >>, else 1.
qsizetype symbolLength(const QString& s, qsizetype i) {
    if (i + 1 >= s.size())
        return 1;
    const char16_t a = s[i].unicode();
    const char16_t b = s[i + 1].unicode();
    const bool two = (a == u'<' && (b == u'>' || b == u'=' || b == u'<')) ||
                     (a == u'>' && (b == u'=' || b == u'>')) || (a == u'!' && b == u'=') ||
                     (a == u'=' && b == u'=') || (a == u'|' && b == u'|');
    return two ? 2 : 1;
}

bool lex(const QString& s, QList<Token>* tokens, QString* error) {
    tokens->reserve(s.size() / 3 + 4);
    qsizetype i = 0;
    while (i < s.size()) {
        const QChar c = s[i];
        const qsizetype start = i;
        if (c.isSpace()) {
            QString space;
            // SQLite knows only ASCII white space; other blanks (an
            // ideographic space) separate tokens as a plain blank.
            while (i < s.size() && s[i].isSpace()) {
                space += s[i].unicode() < 0x80 ? s[i] : QLatin1Char(' ');
                ++i;
            }
            tokens->append({Kind::Space, space});
        } else if (c == QLatin1Char('\'')) {
            i = quotedEnd(s, start, c, true);
            if (i < 0) {
                *error = QStringLiteral("text literal without closing quote: %1").arg(s.mid(start));
                return false;
            }
            tokens->append({Kind::Text, s.mid(start, i - start)});
        } else if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('[')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            i = quotedEnd(s, start, close, c != QLatin1Char('['));
            if (i < 0) {
                *error = QStringLiteral("quoted name without closing %1: %2")
                             .arg(close)
                             .arg(s.mid(start));
                return false;
            }
            tokens->append({Kind::Name, s.mid(start, i - start)});
        } else if (c == QLatin1Char('#')) {
            const qsizetype close = s.indexOf(QLatin1Char('#'), start + 1);
            if (close < 0) {
                *error = QStringLiteral("date literal without closing #: %1").arg(s.mid(start));
                return false;
            }
            const QString inside = s.mid(start + 1, close - start - 1);
            QString literal;
            if (!translateDate(inside, &literal)) {
                *error = QStringLiteral("not a date (yyyy-M-d or yyyy/M/d): #%1#").arg(inside);
                return false;
            }
            tokens->append({Kind::Text, literal});
            i = close + 1;
        } else if (isAsciiDigit(c) ||
                   (c == QLatin1Char('.') && i + 1 < s.size() && isAsciiDigit(s[i + 1]) &&
                    (tokens->isEmpty() ||
                     (tokens->last().kind != Kind::Word && tokens->last().kind != Kind::Name &&
                      tokens->last().text != QLatin1String(")"))))) {
            if (c == QLatin1Char('0') && i + 2 < s.size() &&
                (s[i + 1] == QLatin1Char('x') || s[i + 1] == QLatin1Char('X')) &&
                isHexDigit(s[i + 2])) {
                i += 2;
                while (i < s.size() && isHexDigit(s[i]))
                    ++i;
            } else {
                while (i < s.size() && isAsciiDigit(s[i]))
                    ++i;
                if (i < s.size() && s[i] == QLatin1Char('.')) {
                    ++i;
                    while (i < s.size() && isAsciiDigit(s[i]))
                        ++i;
                }
                if (i < s.size() && (s[i] == QLatin1Char('e') || s[i] == QLatin1Char('E'))) {
                    qsizetype j = i + 1;
                    if (j < s.size() && (s[j] == QLatin1Char('+') || s[j] == QLatin1Char('-')))
                        ++j;
                    if (j < s.size() && isAsciiDigit(s[j])) {
                        i = j;
                        while (i < s.size() && isAsciiDigit(s[i]))
                            ++i;
                    }
                }
            }
            tokens->append({Kind::Number, s.mid(start, i - start)});
            // A number run into a word (idid=3and): SQLite wants them apart.
            if (i < s.size() && isWordStart(s[i]))
                tokens->append({Kind::Space, QStringLiteral(" ")});
        } else if (isWordStart(c)) {
            while (i < s.size() && isWordChar(s[i]))
                ++i;
            tokens->append({Kind::Word, s.mid(start, i - start)});
        } else {
            const qsizetype length = symbolLength(s, i);
            tokens->append({Kind::Symbol, s.mid(i, length)});
            i += length;
        }
    }
    return true;
}

bool isSymbol(const Token& token, const char* text) {
    return token.kind == Kind::Symbol && token.text == QLatin1String(text);
}

bool isWord(const Token& token, const char* word) {
    return token.kind == Kind::Word &&
           token.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

// "delete * from t" becomes "delete from t".
void dropDeleteStar(QList<Token>* tokens) {
    QList<qsizetype> solid;
    for (qsizetype i = 0; i < tokens->size() && solid.size() < 3; ++i)
        if ((*tokens)[i].kind != Kind::Space)
            solid << i;
    if (solid.size() < 3 || !isWord((*tokens)[solid[0]], "delete") ||
        !isSymbol((*tokens)[solid[1]], "*") || !isWord((*tokens)[solid[2]], "from"))
        return;
    const qsizetype star = solid[1];
    if ((*tokens)[star + 1].kind == Kind::Space)
        tokens->remove(star, 2);
    else if ((*tokens)[star - 1].kind == Kind::Space)
        tokens->remove(star);
    else
        (*tokens)[star] = {Kind::Space, QStringLiteral(" ")};
}

// For every "(" and CASE the index of its ")" or END; -1 elsewhere. False
// when the parentheses do not pair up. A CASE without END stays a plain word
// (SQLite reports it).
bool pairBrackets(const QList<Token>& tokens, QList<qsizetype>* partner, QString* error) {
    partner->fill(-1, tokens.size());
    QList<qsizetype> open;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const Token& token = tokens[i];
        if (isSymbol(token, "(") || isWord(token, "case")) {
            open << i;
        } else if (isWord(token, "end")) {
            if (!open.isEmpty() && isWord(tokens[open.last()], "case"))
                (*partner)[open.takeLast()] = i;
        } else if (isSymbol(token, ")")) {
            while (!open.isEmpty() && isWord(tokens[open.last()], "case"))
                open.removeLast();
            if (open.isEmpty()) {
                *error = QStringLiteral("')' without '('");
                return false;
            }
            (*partner)[open.takeLast()] = i;
        }
    }
    for (const qsizetype i : open) {
        if (isSymbol(tokens[i], "(")) {
            *error = QStringLiteral("'(' without ')'");
            return false;
        }
    }
    return true;
}

// Operators and keywords that bind more loosely than '&': they end an operand.
bool endsOperand(const Token& token) {
    static const QStringList symbols = {
        QStringLiteral(","),  QStringLiteral(";"),  QStringLiteral("="), QStringLiteral("=="),
        QStringLiteral("<>"), QStringLiteral("!="), QStringLiteral("<"), QStringLiteral(">"),
        QStringLiteral("<="), QStringLiteral(">=")};
    static const QSet<QString> keywords = {
        QStringLiteral("all"),       QStringLiteral("and"),      QStringLiteral("as"),
        QStringLiteral("asc"),       QStringLiteral("between"),  QStringLiteral("by"),
        QStringLiteral("collate"),   QStringLiteral("cross"),    QStringLiteral("delete"),
        QStringLiteral("desc"),      QStringLiteral("distinct"), QStringLiteral("else"),
        QStringLiteral("end"),       QStringLiteral("escape"),   QStringLiteral("except"),
        QStringLiteral("exists"),    QStringLiteral("from"),     QStringLiteral("glob"),
        QStringLiteral("group"),     QStringLiteral("having"),   QStringLiteral("ilike"),
        QStringLiteral("in"),        QStringLiteral("inner"),    QStringLiteral("insert"),
        QStringLiteral("intersect"), QStringLiteral("into"),     QStringLiteral("is"),
        QStringLiteral("join"),      QStringLiteral("left"),     QStringLiteral("like"),
        QStringLiteral("limit"),     QStringLiteral("natural"),  QStringLiteral("not"),
        QStringLiteral("offset"),    QStringLiteral("on"),       QStringLiteral("or"),
        QStringLiteral("order"),     QStringLiteral("outer"),    QStringLiteral("regexp"),
        QStringLiteral("select"),    QStringLiteral("set"),      QStringLiteral("then"),
        QStringLiteral("union"),     QStringLiteral("update"),   QStringLiteral("using"),
        QStringLiteral("values"),    QStringLiteral("when"),     QStringLiteral("where")};
    if (token.kind == Kind::Symbol)
        return symbols.contains(token.text);
    // Keywords are short and ASCII; table and column names mostly are not.
    if (token.kind != Kind::Word || token.text.size() > 9 || token.text[0].unicode() >= 0x80)
        return false;
    return keywords.contains(token.text.toLower());
}

// One written-out piece of a level: a token, or a whole group.
struct Piece {
    enum Role { Space, Ampersand, Boundary, Operand } role;
    QString text;
    const Token* token; // the single token the piece is made of, or null for a group
};

class Writer {
public:
    Writer(const QList<Token>& tokens, const QList<qsizetype>& partner, Flavor flavor)
        : m_tokens(tokens), m_partner(partner), m_flavor(flavor) {}

    QString level(qsizetype begin, qsizetype end);
    const QString& error() const { return m_error; }

private:
    QString chain(const QList<Piece>& pieces);

    const QList<Token>& m_tokens;
    const QList<qsizetype>& m_partner;
    Flavor m_flavor;
    QString m_error;
};

QString Writer::level(qsizetype begin, qsizetype end) {
    QList<Piece> pieces;
    for (qsizetype i = begin; i < end;) {
        const Token& token = m_tokens[i];
        const qsizetype close = m_partner[i];
        if (close >= 0) {
            pieces.append(
                {Piece::Operand, token.text + level(i + 1, close) + m_tokens[close].text, nullptr});
            i = close + 1;
            continue;
        }
        Piece::Role role = Piece::Operand;
        if (token.kind == Kind::Space)
            role = Piece::Space;
        else if (isSymbol(token, "&"))
            role = Piece::Ampersand;
        else if (endsOperand(token))
            role = Piece::Boundary;
        pieces.append({role, token.text, &token});
        ++i;
    }

    QString out;
    QList<Piece> run; // the pieces since the last boundary
    bool hasAmpersand = false;
    const auto flush = [&] {
        if (hasAmpersand) {
            out += chain(run);
        } else {
            for (const Piece& piece : run)
                out += piece.text;
        }
        run.clear();
        hasAmpersand = false;
    };
    for (const Piece& piece : pieces) {
        if (piece.role == Piece::Boundary) {
            flush();
            out += piece.text;
        } else {
            hasAmpersand = hasAmpersand || piece.role == Piece::Ampersand;
            run.append(piece);
        }
    }
    flush();
    return out;
}

// One operand of '&' as text for '||'. On a server korvane_join, which each
// ward holds for every type of value, does what the CASE does in a file.
QString joinable(const QList<Piece>& operand, Flavor flavor) {
    QString text;
    bool plainName = true;
    for (const Piece& piece : operand) {
        text += piece.text;
        plainName = plainName && piece.token &&
                    (piece.token->kind == Kind::Word || piece.token->kind == Kind::Name ||
                     isSymbol(*piece.token, "."));
    }
    if (operand.size() == 1 && operand[0].token) {
        const Token& token = *operand[0].token;
        const bool wholeNumber = token.kind == Kind::Number &&
                                 std::all_of(token.text.begin(), token.text.end(), isAsciiDigit);
        if (token.kind == Kind::Text || wholeNumber)
            return text;
    }
    const QString value = plainName ? text : QLatin1Char('(') + text + QLatin1Char(')');
    if (flavor == Flavor::Server)
        return QStringLiteral("korvane_join(%1)").arg(value);
    return QStringLiteral("CASE typeof(%1) WHEN 'real' THEN printf('%.15g', %1) "
                          "WHEN 'null' THEN '' ELSE %1 END")
        .arg(value);
}

// A run of pieces holding '&' between two boundaries: leading and trailing
// blanks stay where they are, the operands in between become one '||' chain.
QString Writer::chain(const QList<Piece>& pieces) {
    qsizetype first = 0;
    qsizetype last = pieces.size() - 1;
    while (pieces[first].role == Piece::Space)
        ++first;
    while (pieces[last].role == Piece::Space)
        --last;
    QStringList operands;
    QList<Piece> operand;
    const auto take = [&] {
        while (!operand.isEmpty() && operand.first().role == Piece::Space)
            operand.removeFirst();
        while (!operand.isEmpty() && operand.last().role == Piece::Space)
            operand.removeLast();
        if (operand.isEmpty() && m_error.isEmpty())
            m_error = QStringLiteral("'&' needs a value on both sides");
        operands << joinable(operand, m_flavor);
        operand.clear();
    };
    for (qsizetype i = first; i <= last; ++i) {
        if (pieces[i].role == Piece::Ampersand)
            take();
        else
            operand.append(pieces[i]);
    }
    take();
    QString out;
    for (qsizetype i = 0; i < first; ++i)
        out += pieces[i].text;
    out += QLatin1Char('(') + operands.join(QLatin1String(" || ")) + QLatin1Char(')');
    for (qsizetype i = last + 1; i < pieces.size(); ++i)
        out += pieces[i].text;
    return out;
}

// The next token after i that is not white space (size(): none).
qsizetype nextSolid(const QList<Token>& tokens, qsizetype i) {
    do
        ++i;
    while (i < tokens.size() && tokens[i].kind == Kind::Space);
    return i;
}

// SQLite's "a is b" and "a is not b" compare two values, NULL equal to NULL;
// the server takes IS only before NULL, TRUE, FALSE and the like.
void adaptIsComparison(QList<Token>* tokens, qsizetype is) {
    qsizetype operand = nextSolid(*tokens, is);
    const bool negated = operand < tokens->size() && isWord((*tokens)[operand], "not");
    if (negated)
        operand = nextSolid(*tokens, operand);
    if (operand >= tokens->size())
        return;
    const Token& value = (*tokens)[operand];
    for (const char* word : {"null", "true", "false", "unknown", "distinct", "not"})
        if (isWord(value, word))
            return;
    if (value.kind == Kind::Symbol && !isSymbol(value, "?") && !isSymbol(value, "("))
        return;
    (*tokens)[is].text =
        negated ? QStringLiteral("IS DISTINCT FROM") : QStringLiteral("IS NOT DISTINCT FROM");
    if (negated)
        for (qsizetype i = is + 1; i < operand; ++i)
            (*tokens)[i].text = i + 1 == operand ? QStringLiteral(" ") : QString();
}

// The server's spelling of a statement's names and the few functions and
// types that differ. A quoted name is matched as SQLite matches it: the
// tables' ASCII letters are stored in lower case, which is also what the
// server makes of an unquoted name.
void adaptToServer(QList<Token>* tokens) {
    for (qsizetype i = 0; i < tokens->size(); ++i) {
        Token& token = (*tokens)[i];
        if (isWord(token, "is")) {
            adaptIsComparison(tokens, i);
        } else if (token.kind == Kind::Name) {
            QString name = token.text.mid(1, token.text.size() - 2);
            const QChar close = token.text.back();
            if (close != QLatin1Char(']'))
                name.replace(QString(2, close), QString(close));
            token.text = QLatin1Char('"') + asciiLower(name).replace(u'"', QLatin1String("\"\"")) +
                         QLatin1Char('"');
        } else if (isWord(token, "instr")) {
            token.text = QStringLiteral("strpos");
        } else if (isWord(token, "like")) {
            // A file's LIKE ignores the case of ASCII letters (an operator
            // among the keywords that end a concatenation's operand).
            token.text = QStringLiteral("ILIKE");
        } else if (isWord(token, "ifnull")) {
            token.text = QStringLiteral("coalesce");
        } else if (isWord(token, "blob")) {
            token.text = QStringLiteral("bytea");
        } else if (isWord(token, "rowid")) {
            // A table without a key is read in the order its rows were written.
            token.text = QStringLiteral("ctid");
        } else if (isWord(token, "sqlite_master")) {
            token.text = QStringLiteral(
                "(SELECT 'table' AS type, table_name AS name FROM information_schema.tables "
                "WHERE table_schema = current_schema()) AS sqlite_master");
        } else if (isWord(token, "temp") && i + 1 < tokens->size() &&
                   isSymbol((*tokens)[i + 1], ".")) {
            token.text = QStringLiteral("pg_temp");
        }
    }
}

} // namespace

QString asciiLower(const QString& name) {
    QString lower = name;
    for (QChar& c : lower)
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + 32);
    return lower;
}

Flavor flavorOf(const QSqlDatabase& db) {
    return db.driverName() == QLatin1String("QPSQL") ? Flavor::Server : Flavor::File;
}

Translation translate(const QString& statement, Flavor flavor) {
    QList<Token> tokens;
    QString error;
    if (!lex(statement, &tokens, &error))
        return {{}, error};
    dropDeleteStar(&tokens);
    if (flavor == Flavor::Server)
        adaptToServer(&tokens);
    QList<qsizetype> partner;
    if (!pairBrackets(tokens, &partner, &error))
        return {{}, error};
    // Most statements hold no '&': their tokens are written out as they are.
    if (std::none_of(tokens.cbegin(), tokens.cend(),
                     [](const Token& token) { return isSymbol(token, "&"); })) {
        QString sql;
        sql.reserve(statement.size() + 16);
        for (const Token& token : tokens)
            sql += token.text;
        return {sql, {}};
    }
    Writer writer(tokens, partner, flavor);
    const QString sql = writer.level(0, tokens.size());
    if (!writer.error().isEmpty())
        return {{}, writer.error()};
    return {sql, {}};
}

bool exec(QSqlQuery& query, const QString& statement, QString* error) {
    const Flavor flavor = query.driver() && query.driver()->dbmsType() == QSqlDriver::PostgreSQL
                              ? Flavor::Server
                              : Flavor::File;
    const Translation translation = translate(statement, flavor);
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
