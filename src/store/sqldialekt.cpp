#include "store/sqldialekt.h"

#include "core/fehler.h"
#include "store/datenzugriff.h"

#include <cmath>
#include <limits>

namespace hmz::db {

namespace {

enum class Kind { Name, Bracket, String, Number, DateLit, Symbol, Placeholder };

struct Token {
    Kind kind;
    QStringView text;  // String, Bracket and DateLit keep their delimiters

    bool is(Kind k, QStringView s) const { return kind == k && text.compare(s, Qt::CaseInsensitive) == 0; }
    bool isName(QStringView s) const { return is(Kind::Name, s); }
    bool isSym(QStringView s) const { return kind == Kind::Symbol && text == s; }
    bool isColumnLike() const { return kind == Kind::Name || kind == Kind::Bracket; }
    // The name a Name or Bracket token stands for.
    QStringView name() const { return kind == Kind::Bracket ? text.mid(1, text.size() - 2) : text; }
};

[[noreturn]] void syntaxError(const QString& what) {
    throw Fehler(nr::SyntaxFehler, QStringLiteral("Syntaxfehler im Abfrageausdruck: %1").arg(what));
}

bool isIdentStart(QChar c) { return c.isLetter() || c == u'_'; }
bool isIdentPart(QChar c) { return c.isLetterOrNumber() || c == u'_'; }
bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

std::vector<Token> tokenize(QStringView s) {
    std::vector<Token> out;
    out.reserve(static_cast<std::size_t>(s.size() / 4));
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = s[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        const qsizetype start = i;
        if (isIdentStart(c)) {
            while (i < n && isIdentPart(s[i])) ++i;
            out.push_back({Kind::Name, s.mid(start, i - start)});
        } else if (isDigit(c) || (c == u'.' && i + 1 < n && isDigit(s[i + 1]))) {
            while (i < n && isDigit(s[i])) ++i;
            if (i < n && s[i] == u'.') {
                ++i;
                while (i < n && isDigit(s[i])) ++i;
            }
            if (i < n && (s[i] == u'e' || s[i] == u'E')) {
                qsizetype j = i + 1;
                if (j < n && (s[j] == u'+' || s[j] == u'-')) ++j;
                if (j < n && isDigit(s[j])) {
                    i = j;
                    while (i < n && isDigit(s[i])) ++i;
                }
            }
            if (i < n && isIdentPart(s[i])) syntaxError(QStringLiteral("bad number near '%1'").arg(s.mid(start, i - start + 1)));
            out.push_back({Kind::Number, s.mid(start, i - start)});
        } else if (c == u'\'' || c == u'"') {
            ++i;
            for (;;) {
                if (i >= n) syntaxError(QStringLiteral("unterminated text"));
                if (s[i] == c) {
                    if (i + 1 < n && s[i + 1] == c) {
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                ++i;
            }
            out.push_back({Kind::String, s.mid(start, i - start)});
        } else if (c == u'[') {
            ++i;
            while (i < n && s[i] != u']' && s[i] != u'[') ++i;
            if (i >= n || s[i] != u']' || i == start + 1) syntaxError(QStringLiteral("bad bracketed name"));
            ++i;
            out.push_back({Kind::Bracket, s.mid(start, i - start)});
        } else if (c == u'#') {
            ++i;
            while (i < n && s[i] != u'#') ++i;
            if (i >= n) syntaxError(QStringLiteral("unterminated date"));
            ++i;
            out.push_back({Kind::DateLit, s.mid(start, i - start)});
        } else if (c == u'?') {
            ++i;
            out.push_back({Kind::Placeholder, s.mid(start, 1)});
        } else if (c == u';') {
            // Only a statement end: a second statement is never accepted.
            for (++i; i < n; ++i)
                if (!s[i].isSpace() && s[i] != u';') syntaxError(QStringLiteral("characters found after end of SQL statement"));
        } else {
            static const QStringView zwei[] = {u"<>", u"<=", u">=", u"!=", u"||"};
            bool found = false;
            if (i + 1 < n) {
                for (QStringView z : zwei) {
                    if (s.mid(i, 2) == z) {
                        out.push_back({Kind::Symbol, s.mid(i, 2)});
                        i += 2;
                        found = true;
                        break;
                    }
                }
            }
            if (found) continue;
            static const QStringView eins = u"=<>+-*/(),.&%";
            if (!eins.contains(c)) syntaxError(QStringLiteral("unexpected character '%1'").arg(c));
            out.push_back({Kind::Symbol, s.mid(i, 1)});
            ++i;
        }
    }
    int depth = 0;
    for (const auto& t : out) {
        if (t.isSym(u"(")) ++depth;
        if (t.isSym(u")") && --depth < 0) syntaxError(QStringLiteral("unbalanced parentheses"));
    }
    if (depth != 0) syntaxError(QStringLiteral("unbalanced parentheses"));
    return out;
}

QString unquote(QStringView raw) {
    const QChar q = raw.front();
    QString s = raw.mid(1, raw.size() - 2).toString();
    s.replace(QString(2, q), QString(q));
    return s;
}

QDate parseDateText(const QString& text) {
    if (auto d = datumAusText(text)) return *d;
    const QDate iso = QDate::fromString(text.trimmed(), Qt::ISODate);
    if (iso.isValid()) return iso;
    throw Fehler(nr::TypKonflikt, QStringLiteral("Datentypen im Kriterienausdruck unverträglich: '%1' ist kein Datum.").arg(text));
}

// Jet's #m/d/yyyy# (or #yyyy-mm-dd#).
QDate parseDateLiteral(QStringView raw) {
    const QString inner = raw.mid(1, raw.size() - 2).toString().trimmed();
    QDate d = QDate::fromString(inner, QStringLiteral("M/d/yyyy"));
    if (!d.isValid()) d = QDate::fromString(inner, Qt::ISODate);
    if (!d.isValid()) throw Fehler(nr::TypKonflikt, QStringLiteral("Datentypen im Kriterienausdruck unverträglich: '%1' ist kein Datum.").arg(raw));
    return d;
}

SqlValue numberValue(QStringView text) {
    if (!text.contains(u'.') && !text.contains(u'e') && !text.contains(u'E')) {
        bool ok = false;
        const qlonglong v = text.toLongLong(&ok);
        if (ok) return static_cast<std::int64_t>(v);
    }
    bool ok = false;
    const double d = text.toDouble(&ok);
    if (!ok || !std::isfinite(d)) syntaxError(QStringLiteral("bad number '%1'").arg(text));
    return d;
}

bool isComparison(const Token& t) {
    return t.kind == Kind::Symbol && (t.text == u"=" || t.text == u"<>" || t.text == u"<" || t.text == u">" ||
                                      t.text == u"<=" || t.text == u">=" || t.text == u"!=");
}

bool isAggregate(const Token& t) {
    static const QStringView namen[] = {u"SUM", u"COUNT", u"AVG", u"MIN", u"MAX", u"FIRST", u"LAST", u"STDEV", u"VAR"};
    if (t.kind != Kind::Name) return false;
    for (QStringView n : namen)
        if (t.isName(n)) return true;
    return false;
}

class Translator {
public:
    Translator(const std::vector<Token>& t, const SchemaInfo& schema, Translation& out, Dialekt dialekt)
        : t_(t), schema_(schema), out_(out), sql_(out.sql), pg_(dialekt == Dialekt::PostgreSQL) {}

    void run() {
        const int n = static_cast<int>(t_.size());
        if (n == 0) syntaxError(QStringLiteral("empty statement"));
        static const QStringView ddl[] = {u"CREATE", u"DROP", u"ALTER", u"PRAGMA", u"VACUUM", u"ANALYZE", u"REINDEX"};
        for (QStringView k : ddl)
            if (t_[0].isName(k)) out_.isDdl = true;
        literals_ = out_.isDdl;
        sql_.reserve(static_cast<qsizetype>(n) * 8);
        if (t_[0].isName(u"SELECT")) {
            out_.isQuery = true;
            analyseSelect();
            put(u"SELECT");
            if (out_.hasRowid) {
                put(pg_ ? u"ctid" : u"_rowid_");
                put(u"AS");
                put(u"hmz_rowid");
                put(u",");
            }
            putRange(1, n);
        } else {
            putRange(0, n);
        }
    }

private:
    const std::vector<Token>& t_;
    const SchemaInfo& schema_;
    Translation& out_;
    QString& sql_;
    const bool pg_;
    int placeholders_ = 0;
    bool literals_ = false;
    bool orderGroup_ = false;
    bool call_ = false;

    int size() const { return static_cast<int>(t_.size()); }

    void put(QStringView s) {
        if (!sql_.isEmpty()) {
            const QChar last = sql_.back();
            const bool glue = last == u'(' || last == u'.' || s == u")" || s == u"," || s == u"." || (s == u"(" && call_);
            if (!glue) sql_ += u' ';
        }
        sql_ += s;
        call_ = false;
    }

    // A function name: its "(" follows without a blank.
    void putCall(QStringView name) {
        put(name);
        call_ = true;
    }

    static bool isKeyword(const Token& t) {
        static const QStringView words[] = {u"AND", u"OR", u"NOT", u"WHERE", u"IN", u"ON", u"AS", u"BETWEEN", u"SELECT",
                                            u"FROM", u"BY", u"HAVING", u"EXISTS", u"VALUES", u"SET", u"THEN", u"WHEN",
                                            u"ELSE", u"CASE", u"IS", u"LIKE", u"UNION", u"INTO", u"TABLE", u"JOIN"};
        for (QStringView w : words)
            if (t.isName(w)) return true;
        return false;
    }

    void putParam(SqlValue v) {
        if (literals_) {
            if (const auto* i = std::get_if<std::int64_t>(&v)) {
                put(QString::number(*i));
            } else if (const auto* d = std::get_if<double>(&v)) {
                put(QString::number(*d, 'g', 17));
            } else {
                QString s = std::get<QString>(v);
                s.replace(QStringLiteral("'"), QStringLiteral("''"));
                put(QStringLiteral("'%1'").arg(s));
            }
            return;
        }
        out_.params.push_back(std::move(v));
        putMark();
    }

    // The mark of the next parameter; the caller's own "?" count along.
    void putMark() {
        ++placeholders_;
        if (pg_) put(QStringLiteral("$%1").arg(placeholders_));
        else put(u"?");
    }

    // Names are created unquoted on the server, so they are folded to lower case there.
    void putIdentifier(QStringView name) {
        if (!pg_) {
            QString n = name.toString();
            n.replace(QStringLiteral("\""), QStringLiteral("\"\""));
            put(QStringLiteral("\"%1\"").arg(n));
            return;
        }
        QString n = name.toString().toLower();
        bool plain = !n.isEmpty() && isIdentStart(n.front());
        for (QChar c : n) plain = plain && isIdentPart(c) && c.unicode() < 128;
        if (plain) {
            put(n);
            return;
        }
        n.replace(QStringLiteral("\""), QStringLiteral("\"\""));
        put(QStringLiteral("\"%1\"").arg(n));
    }

    int matching(int open) const {
        int depth = 0;
        for (int i = open; i < size(); ++i) {
            if (t_[i].isSym(u"(")) ++depth;
            if (t_[i].isSym(u")") && --depth == 0) return i;
        }
        syntaxError(QStringLiteral("unbalanced parentheses"));
    }

    bool followedByParen(int i) const { return i + 1 < size() && t_[i + 1].isSym(u"("); }

    bool isDateColumnAt(int i) const {
        if (i < 0 || i >= size() || !t_[i].isColumnLike()) return false;
        return schema_.isDateColumn(t_[i].name());
    }

    // A number compared with a DATE column is a day serial (0: no date).
    bool comparedWithDate(int i) const {
        if (i >= 2 && isComparison(t_[i - 1]) && isDateColumnAt(i - 2)) return true;
        if (i + 2 < size() && isComparison(t_[i + 1])) {
            int k = i + 2;
            if (k + 2 < size() && t_[k + 1].isSym(u".")) k += 2;
            return isDateColumnAt(k);
        }
        return false;
    }

    // ORDER BY 1 / GROUP BY 2: a column position, not a value.
    bool isPosition(int i) const {
        if (!orderGroup_ || i == 0) return false;
        const Token& prev = t_[i - 1];
        if (!prev.isName(u"BY") && !prev.isSym(u",")) return false;
        if (i + 1 >= size()) return true;
        const Token& next = t_[i + 1];
        return next.isSym(u",") || next.isSym(u")") || next.isName(u"ASC") || next.isName(u"DESC") ||
               next.isName(u"HAVING") || next.isName(u"LIMIT");
    }

    void putRange(int from, int to) {
        for (int i = from; i < to; ++i) i = putAt(i);
    }

    // Emits the token at i (and what belongs to it); returns the last index used.
    int putAt(int i) {
        const Token& tok = t_[i];
        switch (tok.kind) {
        case Kind::Name: return putName(i);
        case Kind::Bracket: putIdentifier(tok.name()); return i;
        case Kind::Placeholder:
            if (literals_) syntaxError(QStringLiteral("a placeholder in a definition"));
            out_.platzhalter.push_back(out_.params.size());
            out_.params.emplace_back(std::int64_t{0});
            putMark();
            return i;
        case Kind::String: putParam(unquote(tok.text)); return i;
        case Kind::DateLit: putParam(storedDate(parseDateLiteral(tok.text))); return i;
        case Kind::Number:
            if (comparedWithDate(i)) {
                const SqlValue v = numberValue(tok.text);
                const double serial = std::holds_alternative<std::int64_t>(v) ? static_cast<double>(std::get<std::int64_t>(v))
                                                                               : std::get<double>(v);
                putParam(storedDate(serialZuDatum(serial)));
            } else if (isPosition(i)) {
                put(tok.text);
            } else {
                putParam(numberValue(tok.text));
            }
            return i;
        case Kind::Symbol:
            if (tok.text == u"&") put(u"||");
            else if (tok.text == u"!=") put(u"<>");
            else {
                if (tok.text == u")") orderGroup_ = false;
                put(tok.text);
            }
            return i;
        }
        return i;
    }

    int putName(int i) {
        const Token& tok = t_[i];
        if (tok.isName(u"BY") && i > 0 && (t_[i - 1].isName(u"ORDER") || t_[i - 1].isName(u"GROUP"))) orderGroup_ = true;
        static const QStringView clauseEnds[] = {u"WHERE", u"HAVING", u"LIMIT", u"UNION", u"FROM", u"SELECT", u"OFFSET"};
        for (QStringView k : clauseEnds)
            if (tok.isName(k)) orderGroup_ = false;

        if (followedByParen(i)) {
            const int close = matching(i + 1);
            if (tok.isName(u"datevalue")) {
                if (close != i + 3 || t_[i + 2].kind != Kind::String)
                    syntaxError(QStringLiteral("datevalue expects one date text"));
                putParam(storedDate(parseDateText(unquote(t_[i + 2].text))));
                return close;
            }
            if (tok.isName(u"isnull")) {
                if (close == i + 2) syntaxError(QStringLiteral("isnull expects an argument"));
                put(u"(");
                putRange(i + 2, close);
                put(u"IS NULL");
                put(u")");
                return close;
            }
            if (tok.isName(u"datepart")) return putDatepart(i, close);
            if (tok.isName(u"rtrim")) {
                if (const int end = putIndexedRtrim(i, close); end > 0) return end;
            }
            static const std::pair<QStringView, QStringView> renames[] = {
                {u"ucase", u"upper"}, {u"lcase", u"lower"}, {u"len", u"length"}, {u"mid", u"substr"}, {u"nz", u"ifnull"}};
            for (const auto& [jet, lite] : renames) {
                if (tok.isName(jet)) {
                    putCall(pg_ && jet == u"nz" ? u"coalesce" : lite);
                    return i;
                }
            }
            if (!isKeyword(tok)) {
                putCall(tok.text);
                return i;
            }
        }
        if (pg_ && out_.isDdl) {
            // SQLite numbers an INTEGER PRIMARY KEY itself; the server needs to be told.
            if (tok.isName(u"INTEGER") && i + 2 < size() && t_[i + 1].isName(u"PRIMARY") && t_[i + 2].isName(u"KEY")) {
                put(u"INTEGER GENERATED BY DEFAULT AS IDENTITY");
                return i;
            }
            // The embedded store's declared types and what the server keeps them as.
            static const std::pair<QStringView, QStringView> typen[] = {
                {u"CURRENCY", u"NUMERIC(19,4)"}, {u"REAL", u"DOUBLE PRECISION"}, {u"DATETIME", u"TIMESTAMP"},
                {u"BLOB", u"BYTEA"}, {u"NUMERIC", u"NUMERIC"}};
            for (const auto& [lite, pg] : typen) {
                if (tok.isName(lite)) {
                    put(pg);
                    return i;
                }
            }
        }
        put(tok.text);
        return i;
    }

    // rtrim(C) = 'x' alone cannot use an index on C. Every text that rtrim
    // turns into 'x' is 'x' followed by blanks, and all of those lie in
    // ['x', 'x!') because the blank sorts below '!': adding that range keeps
    // the rows and lets the index narrow them. Only for TEXT columns (a number
    // would compare below every text) and where "=" is the whole condition.
    int putIndexedRtrim(int i, int close) {
        const int lit = close + 2;
        if (close != i + 3 || !t_[i + 2].isColumnLike() || lit >= size() || !t_[close + 1].isSym(u"=") ||
            t_[lit].kind != Kind::String || !schema_.isTextColumn(t_[i + 2].name()))
            return 0;
        auto opens = [](const Token& t) {
            return t.isSym(u"(") || t.isName(u"AND") || t.isName(u"OR") || t.isName(u"NOT") || t.isName(u"WHERE") ||
                   t.isName(u"ON") || t.isName(u"HAVING");
        };
        auto closes = [](const Token& t) {
            return t.isSym(u")") || t.isName(u"AND") || t.isName(u"OR") || t.isName(u"ORDER") || t.isName(u"GROUP");
        };
        if (i == 0 || !opens(t_[i - 1]) || (lit + 1 < size() && !closes(t_[lit + 1]))) return 0;
        const QString text = unquote(t_[lit].text);
        if (text.isEmpty() || text.endsWith(u' ')) return 0;
        const QStringView column = t_[i + 2].text;
        put(u"(");
        putCall(u"rtrim");
        put(u"(");
        put(column);
        put(u")");
        put(u"=");
        putParam(text);
        put(u"AND");
        put(column);
        put(u">=");
        putParam(text);
        put(u"AND");
        put(column);
        put(u"<");
        putParam(text + u'!');
        put(u")");
        return lit;
    }

    int putDatepart(int i, int close) {
        // datepart ( 'interval' , expr )
        if (i + 4 >= close || t_[i + 2].kind != Kind::String || !t_[i + 3].isSym(u","))
            syntaxError(QStringLiteral("datepart expects an interval and a date"));
        const QString interval = unquote(t_[i + 2].text).toLower();
        const int from = i + 4;
        auto part = [&](QStringView format) {
            if (pg_) {
                static const std::pair<QStringView, QStringView> felder[] = {
                    {u"'%Y'", u"YEAR"}, {u"'%m'", u"MONTH"}, {u"'%d'", u"DAY"}, {u"'%j'", u"DOY"},
                    {u"'%H'", u"HOUR"}, {u"'%M'", u"MINUTE"}, {u"'%S'", u"SECOND"}, {u"'%w'", u"DOW"}};
                QStringView feld;
                for (const auto& [f, name] : felder)
                    if (f == format) feld = name;
                putCall(u"CAST");
                put(u"(");
                putCall(u"EXTRACT");
                put(u"(");
                put(feld);
                put(u"FROM");
                putRange(from, close);
                put(u")");
                put(u"AS");
                put(u"INTEGER");
                put(u")");
                return;
            }
            putCall(u"CAST");
            put(u"(");
            putCall(u"strftime");
            put(u"(");
            put(format);
            put(u",");
            putRange(from, close);
            put(u")");
            put(u"AS");
            put(u"INTEGER");
            put(u")");
        };
        if (interval == u"yyyy") part(u"'%Y'");
        else if (interval == u"m") part(u"'%m'");
        else if (interval == u"d") part(u"'%d'");
        else if (interval == u"y") part(u"'%j'");
        else if (interval == u"h") part(u"'%H'");
        else if (interval == u"n") part(u"'%M'");
        else if (interval == u"s") part(u"'%S'");
        else if (interval == u"w") {  // Sunday is 1
            put(u"(");
            part(u"'%w'");
            put(u"+ 1");
            put(u")");
        } else if (interval == u"q") {
            put(u"(");
            put(u"(");
            part(u"'%m'");
            put(u"+ 2");
            put(u")");
            put(u"/ 3");
            put(u")");
        } else {
            syntaxError(QStringLiteral("unknown datepart interval '%1'").arg(interval));
        }
        return close;
    }

    // The select list's currency columns and whether rows can be written back.
    void analyseSelect() {
        const int n = size();
        std::vector<int> depth(static_cast<std::size_t>(n));
        int d = 0;
        for (int i = 0; i < n; ++i) {
            if (t_[i].isSym(u")")) --d;
            depth[static_cast<std::size_t>(i)] = d;
            if (t_[i].isSym(u"(")) ++d;
        }
        auto top = [&](int i) { return depth[static_cast<std::size_t>(i)] == 0; };

        int first = 1;
        bool distinct = false;
        if (first < n && (t_[first].isName(u"DISTINCT") || t_[first].isName(u"DISTINCTROW") || t_[first].isName(u"TOP"))) {
            distinct = true;
            ++first;
        } else if (first < n && t_[first].isName(u"ALL")) {
            ++first;
        }
        int from = first;
        while (from < n && !(top(from) && t_[from].isName(u"FROM"))) ++from;

        bool aggregate = false;
        bool sawStar = false;
        int index = 0;
        int a = first;
        while (a < from) {
            int b = a;
            while (b < from && !(top(b) && t_[b].isSym(u","))) ++b;
            for (int k = a; k < b; ++k)
                if (top(k) && isAggregate(t_[k]) && followedByParen(k)) aggregate = true;
            analyseItem(a, b, index, sawStar);
            ++index;
            a = b + 1;
        }

        if (distinct || aggregate || from + 1 >= n || !t_[from + 1].isColumnLike()) return;
        const int after = from + 2;
        if (after < n && !t_[after].isName(u"WHERE") && !t_[after].isName(u"ORDER")) return;
        for (int k = after; k < n; ++k) {
            if (!top(k)) continue;
            static const QStringView hindern[] = {u"GROUP", u"HAVING", u"UNION", u"INTERSECT", u"EXCEPT", u"JOIN"};
            for (QStringView h : hindern)
                if (t_[k].isName(h)) return;
        }
        const QStringView table = t_[from + 1].name();
        if (!schema_.isTable(table)) return;
        out_.table = table.toString();
        out_.hasRowid = true;
    }

    void analyseItem(int a, int b, int index, bool& sawStar) {
        const int len = b - a;
        if (len <= 0) return;
        if ((len == 1 && t_[a].isSym(u"*")) || (len == 3 && t_[a + 1].isSym(u".") && t_[a + 2].isSym(u"*"))) {
            sawStar = true;
            return;
        }
        int end = b;
        QString alias;
        if (len >= 3 && t_[b - 2].isName(u"AS") && t_[b - 1].isColumnLike()) {
            alias = t_[b - 1].name().toString();
            end = b - 2;
        }
        const int body = end - a;
        const bool bare = (body == 1 && t_[a].isColumnLike()) ||
                          (body == 3 && t_[a].isColumnLike() && t_[a + 1].isSym(u".") && t_[a + 2].isColumnLike());
        if (bare || t_[a].isName(u"COUNT")) return;
        bool currency = false;
        for (int k = a; k < end && !currency; ++k)
            currency = t_[k].isColumnLike() && !followedByParen(k) && schema_.isCurrencyColumn(t_[k].name());
        if (!currency) return;
        if (!sawStar) out_.currencyColumns.push_back(index);
        if (!alias.isEmpty()) out_.currencyAliases << alias;
    }
};

}  // namespace

QString storedDate(QDate d) { return d.toString(Qt::ISODate); }

Translation translate(QStringView sql, const SchemaInfo& schema, Dialekt dialekt) {
    const std::vector<Token> tokens = tokenize(sql);
    Translation out;
    Translator(tokens, schema, out, dialekt).run();
    return out;
}

// ---- FindFirst criteria -------------------------------------------------

struct Criteria::Node {
    enum class Op { Or, And, Not, Compare, IsNull } op;
    std::unique_ptr<Node> left, right;
    QString field;
    QString comparison;  // "=", "<>", ...
    Variant value;
};

namespace {

class CriteriaParser {
public:
    explicit CriteriaParser(const std::vector<Token>& t) : t_(t) {}

    std::unique_ptr<Criteria::Node> parse() {
        auto n = orExpr();
        if (pos_ != t_.size()) syntaxError(QStringLiteral("unexpected '%1' in criteria").arg(t_[pos_].text));
        return n;
    }

private:
    using Node = Criteria::Node;
    const std::vector<Token>& t_;
    std::size_t pos_ = 0;

    const Token* peek() const { return pos_ < t_.size() ? &t_[pos_] : nullptr; }
    const Token& take() {
        if (pos_ >= t_.size()) syntaxError(QStringLiteral("criteria ends too early"));
        return t_[pos_++];
    }
    void expectSym(QStringView s) {
        if (!take().isSym(s)) syntaxError(QStringLiteral("'%1' expected in criteria").arg(s));
    }

    std::unique_ptr<Node> binary(Node::Op op, std::unique_ptr<Node> l, std::unique_ptr<Node> r) {
        auto n = std::make_unique<Node>();
        n->op = op;
        n->left = std::move(l);
        n->right = std::move(r);
        return n;
    }

    std::unique_ptr<Node> orExpr() {
        auto l = andExpr();
        while (peek() && peek()->isName(u"OR")) {
            ++pos_;
            l = binary(Node::Op::Or, std::move(l), andExpr());
        }
        return l;
    }
    std::unique_ptr<Node> andExpr() {
        auto l = notExpr();
        while (peek() && peek()->isName(u"AND")) {
            ++pos_;
            l = binary(Node::Op::And, std::move(l), notExpr());
        }
        return l;
    }
    std::unique_ptr<Node> notExpr() {
        if (peek() && peek()->isName(u"NOT")) {
            ++pos_;
            return binary(Node::Op::Not, notExpr(), nullptr);
        }
        return primary();
    }

    QString field() {
        const Token& a = take();
        if (!a.isColumnLike()) syntaxError(QStringLiteral("field name expected in criteria"));
        if (peek() && peek()->isSym(u".")) {
            ++pos_;
            const Token& b = take();
            if (!b.isColumnLike()) syntaxError(QStringLiteral("field name expected in criteria"));
            return b.name().toString();
        }
        return a.name().toString();
    }

    Variant literal() {
        const Token& t = take();
        if (t.isSym(u"-")) {
            const Token& z = take();
            if (z.kind != Kind::Number) syntaxError(QStringLiteral("number expected in criteria"));
            const SqlValue v = numberValue(z.text);
            if (const auto* i = std::get_if<std::int64_t>(&v)) return Variant::dbl(-static_cast<double>(*i));
            return Variant::dbl(-std::get<double>(v));
        }
        switch (t.kind) {
        case Kind::Number: {
            const SqlValue v = numberValue(t.text);
            if (const auto* i = std::get_if<std::int64_t>(&v)) return Variant::dbl(static_cast<double>(*i));
            return Variant::dbl(std::get<double>(v));
        }
        case Kind::String: return Variant::string(unquote(t.text));
        case Kind::DateLit: return Variant::date(parseDateLiteral(t.text));
        case Kind::Name:
            if (t.isName(u"datevalue")) {
                expectSym(u"(");
                const Token& s = take();
                if (s.kind != Kind::String) syntaxError(QStringLiteral("datevalue expects one date text"));
                expectSym(u")");
                return Variant::date(parseDateText(unquote(s.text)));
            }
            break;
        default: break;
        }
        syntaxError(QStringLiteral("value expected in criteria"));
    }

    std::unique_ptr<Node> primary() {
        const Token* p = peek();
        if (!p) syntaxError(QStringLiteral("criteria ends too early"));
        if (p->isSym(u"(")) {
            ++pos_;
            auto n = orExpr();
            expectSym(u")");
            return n;
        }
        auto n = std::make_unique<Node>();
        if (p->isName(u"isnull") && pos_ + 1 < t_.size() && t_[pos_ + 1].isSym(u"(")) {
            pos_ += 2;
            n->op = Node::Op::IsNull;
            n->field = field();
            expectSym(u")");
            return n;
        }
        n->field = field();
        const Token& op = take();
        if (op.isName(u"IS")) {
            n->op = Node::Op::IsNull;
            if (peek() && peek()->isName(u"NOT")) {
                ++pos_;
                if (!take().isName(u"NULL")) syntaxError(QStringLiteral("NULL expected in criteria"));
                return binary(Node::Op::Not, std::move(n), nullptr);
            }
            if (!take().isName(u"NULL")) syntaxError(QStringLiteral("NULL expected in criteria"));
            return n;
        }
        if (!isComparison(op)) syntaxError(QStringLiteral("comparison expected in criteria"));
        n->op = Node::Op::Compare;
        n->comparison = op.text == u"!=" ? QStringLiteral("<>") : op.text.toString();
        n->value = literal();
        return n;
    }
};

bool isNumber(const Variant& v) {
    switch (v.typ()) {
    case VarTyp::Boolean: case VarTyp::Integer: case VarTyp::Long: case VarTyp::Double: case VarTyp::Currency: return true;
    default: return false;
    }
}

// -1, 0, 1; nullopt when the two cannot be compared (Null, mixed kinds).
std::optional<int> compareValues(const Variant& f, const Variant& lit) {
    auto sign = [](auto a, auto b) { return a < b ? -1 : (a > b ? 1 : 0); };
    if (f.istNull() || f.istEmpty()) return std::nullopt;
    if (lit.typ() == VarTyp::Double) {
        if (isNumber(f)) {
            if (f.typ() == VarTyp::Currency)
                return sign(f.toCurrency(), Currency::fromDouble(lit.toDouble()));
            return sign(f.toDouble(), lit.toDouble());
        }
        if (f.typ() == VarTyp::Date) return sign(datumZuSerial(f.toDate()), lit.toDouble());
        if (f.istNumerisch()) return sign(f.toDouble(), lit.toDouble());
        return std::nullopt;
    }
    if (lit.typ() == VarTyp::Date) {
        if (f.typ() != VarTyp::Date) return std::nullopt;
        return sign(f.toDate(), lit.toDate());
    }
    if (f.typ() == VarTyp::Date) {
        const auto d = datumAusText(lit.toString());
        if (!d) return std::nullopt;
        return sign(f.toDate(), *d);
    }
    return QString::compare(f.toString(), lit.toString(), Qt::CaseInsensitive) < 0
               ? -1
               : (QString::compare(f.toString(), lit.toString(), Qt::CaseInsensitive) > 0 ? 1 : 0);
}

// Three-valued: nullopt is "unknown" (a comparison with Null).
std::optional<bool> evaluate(const Criteria::Node& n, const Criteria::FieldReader& field) {
    using Op = Criteria::Node::Op;
    switch (n.op) {
    case Op::Or: {
        const auto l = evaluate(*n.left, field);
        if (l == true) return true;
        const auto r = evaluate(*n.right, field);
        if (r == true) return true;
        if (!l || !r) return std::nullopt;
        return false;
    }
    case Op::And: {
        const auto l = evaluate(*n.left, field);
        if (l == false) return false;
        const auto r = evaluate(*n.right, field);
        if (r == false) return false;
        if (!l || !r) return std::nullopt;
        return true;
    }
    case Op::Not: {
        const auto l = evaluate(*n.left, field);
        if (!l) return std::nullopt;
        return !*l;
    }
    case Op::IsNull: return field(n.field).istNull();
    case Op::Compare: {
        const auto c = compareValues(field(n.field), n.value);
        if (!c) return std::nullopt;
        const QString& o = n.comparison;
        if (o == u"=") return *c == 0;
        if (o == u"<>") return *c != 0;
        if (o == u"<") return *c < 0;
        if (o == u">") return *c > 0;
        if (o == u"<=") return *c <= 0;
        return *c >= 0;
    }
    }
    return std::nullopt;
}

}  // namespace

Criteria::Criteria(QStringView text) {
    const auto tokens = tokenize(text);
    if (tokens.empty()) syntaxError(QStringLiteral("empty criteria"));
    root_ = CriteriaParser(tokens).parse();
}

Criteria::~Criteria() = default;
Criteria::Criteria(Criteria&&) noexcept = default;

bool Criteria::matches(const FieldReader& field) const { return evaluate(*root_, field).value_or(false); }

}  // namespace hmz::db
