#include "importer/mdbimport.h"

#include "store/datenzugriff.h"
#include "store/ladung.h"
#include "store/schema.h"
#include "entry/zustand.h"
#include "importer/accessfile.h"
#include "importer/convert.h"

#include <QHash>
#include <QSet>
#include <QRegularExpression>
#include <algorithm>
#include <optional>

namespace hmz::importer {

namespace {

constexpr long ProgressStep = 5000;

[[noreturn]] void writeFailure(const QString& text) { throw Fehler(db::nr::Allgemein, text); }

QString bracketed(const QString& name) { return u'[' + name + u']'; }

// The store's value of a converted field; amounts go as ten-thousandths.
db::Feldwert feldwert(const StoreValue& v, ColumnKind kind) {
    using A = db::Feldwert::Art;
    switch (v.type) {
    case StoreValue::Type::Null: return {};
    case StoreValue::Type::Integer: return {kind == ColumnKind::Currency ? A::Geld : A::Ganz, v.integer, 0, {}};
    case StoreValue::Type::Real: return {A::Gleit, 0, v.real, {}};
    case StoreValue::Type::Text: return {A::Text, 0, 0, v.bytes};
    case StoreValue::Type::Blob: return {A::Bytes, 0, 0, v.bytes};
    }
    return {};
}

// A table the component reads: its fixed definition, and the statements that
// are best run once its rows are in (the bookings index).
struct FixedTable {
    QString name;
    QStringList create;
    QStringList afterRows;
};

QString createdName(const QString& createStatement) {
    static const QRegularExpression re(QStringLiteral("^CREATE TABLE (\\w+)"));
    return re.match(createStatement).captured(1);
}

std::optional<FixedTable> fixedTable(const QString& accessName) {
    for (const QString& sql : db::schemaGrundtabellen()) {
        const QString name = createdName(sql);
        if (name.compare(accessName, Qt::CaseInsensitive) == 0) return FixedTable{name, {sql}, {}};
    }
    static const QRegularExpression jahrTabelle(QStringLiteral("^ObjKanzleiBuchungen(\\d{4})$"),
                                                QRegularExpression::CaseInsensitiveOption);
    const auto m = jahrTabelle.match(accessName);
    if (!m.hasMatch()) return std::nullopt;
    const int jahr = m.captured(1).toInt();
    FixedTable t{db::buchungsTabelle(jahr), {}, {}};
    for (const QString& sql : db::schemaBuchungsjahr(jahr))
        (sql.startsWith(QLatin1String("CREATE INDEX")) ? t.afterRows : t.create).append(sql);
    return t;
}

struct TargetColumn {
    QString name;
    ColumnKind kind;
};

// Creates the table of one Access table in the store and returns where each
// Access column goes.
std::vector<TargetColumn> createTable(db::Ladung& store, const QString& name, const std::optional<FixedTable>& fixed,
                                      const std::vector<AccessColumn>& quelle) {
    std::vector<TargetColumn> ziel;
    if (!fixed) {
        QStringList spalten;
        for (const AccessColumn& c : quelle) {
            spalten << bracketed(c.name) + u' ' + declaredTypeOf(c.kind);
            ziel.push_back({c.name, c.kind});
        }
        store.Execute(QStringLiteral("CREATE TABLE %1 (%2)").arg(bracketed(name), spalten.join(QStringLiteral(", "))));
        return ziel;
    }
    for (const QString& sql : fixed->create) store.Execute(sql);
    QHash<QString, db::Spalte> vorhanden;
    for (const db::Spalte& s : store.Spalten(fixed->name)) vorhanden.insert(s.name.toLower(), s);
    for (const AccessColumn& c : quelle) {
        const auto it = vorhanden.constFind(c.name.toLower());
        if (it != vorhanden.constEnd()) {
            ziel.push_back({it->name, kindOfDeclaredType(it->typ)});
        } else {
            // Kept beside the fixed columns so that nothing of the client's data is dropped.
            store.Execute(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3")
                              .arg(bracketed(fixed->name), bracketed(c.name), declaredTypeOf(c.kind)));
            ziel.push_back({c.name, c.kind});
        }
    }
    return ziel;
}

TableResult copyTable(db::Ladung& store, TableSource& quelle, const ImportOptions& opt, QList<Problem>& problems,
                      QStringList& afterRows, QSet<QString>& fixedDone, int& zielNr, QHash<int, QString>& tabelleVon) {
    const std::optional<FixedTable> fixed = fixedTable(quelle.name());
    TableResult r;
    r.name = fixed ? fixed->name : quelle.name();
    if (fixed) {
        fixedDone.insert(fixed->name);
        afterRows += fixed->afterRows;
    }
    if (opt.progress) opt.progress(r.name, 0, false);

    const auto& spalten = quelle.columns();
    if (spalten.empty()) {
        problems.append({r.name, 0, {}, QStringLiteral("Tabelle ohne Spalten nicht übernommen")});
        return r;
    }
    const std::vector<TargetColumn> ziel = createTable(store, r.name, fixed, spalten);
    for (const AccessColumn& c : spalten)
        if (c.typeName == u"Attachment/Multi-value")
            problems.append({r.name, 0, c.name, QStringLiteral("Anlagen und mehrwertige Einträge werden nicht übernommen, "
                                                                "nur ihre Verweisnummer")});

    QStringList namen;
    for (const TargetColumn& z : ziel) namen << z.name;
    const int insert = store.Ziel(r.name, namen);
    zielNr = insert;
    tabelleVon.insert(insert, r.name);

    std::vector<SourceValue> werte;
    std::vector<db::Feldwert> zeile(ziel.size());
    std::vector<QString> leseProbleme;
    while (quelle.next(werte, leseProbleme)) {
        if (opt.cancel && opt.cancel->load(std::memory_order_relaxed))
            writeFailure(QStringLiteral("Die Übernahme wurde abgebrochen."));
        ++r.rowsRead;
        for (std::size_t i = 0; i < ziel.size(); ++i) {
            Conversion c = convert(werte[i], ziel[i].kind);
            const QString& problem = leseProbleme[i].isEmpty() ? c.problem : leseProbleme[i];
            if (!problem.isEmpty()) problems.append({r.name, r.rowsRead, ziel[i].name, problem});
            zeile[i] = feldwert(c.value, ziel[i].kind);
        }
        store.Zeile(insert, zeile);
        if (opt.progress && r.rowsRead % ProgressStep == 0) opt.progress(r.name, r.rowsRead, false);
    }
    r.rowsWritten = r.rowsRead;  // less the rows the store refuses, which it may report as late as the end
    if (opt.progress) opt.progress(r.name, r.rowsRead, true);
    return r;
}

void refuseExistingTarget(const ImportOptions& opt) {
    if (!opt.overwrite && db::Engine::instance().Vorhanden(opt.dbPath))
        writeFailure(QStringLiteral("Die Mandantendatenbank '%1' gibt es schon.").arg(opt.dbPath));
}

}  // namespace

bool ImportResult::holdsClientTables() const {
    static const QRegularExpression bookings(QStringLiteral("^ObjKanzleiBuchungen\\d{4}$"),
                                             QRegularExpression::CaseInsensitiveOption);
    if (createdEmpty.size() < db::schemaGrundtabellen().size()) return true;
    return std::any_of(tables.begin(), tables.end(), [](const TableResult& t) { return bookings.match(t.name).hasMatch(); });
}

bool discardUnfinishedStore() noexcept { return db::unfertigeDateiVerwerfen(); }

ImportResult importMdb(const ImportOptions& opt) {
    refuseExistingTarget(opt);
    const AccessFile access(opt.mdbPath);
    return importTables(access.tables(), [&access](const QString& name) -> std::unique_ptr<TableSource> {
        return access.open(name);
    }, opt);
}

ImportResult importTables(const QStringList& names, const OpenTable& open, const ImportOptions& opt) {
    refuseExistingTarget(opt);
    auto ladung = db::Engine::instance().NeuerMandant(opt.dbPath, DatenbankPasswort, opt.overwrite);
    db::Ladung& store = *ladung;

    ImportResult result;
    QStringList afterRows;
    QSet<QString> fixedDone;
    QHash<int, QString> tabelleVon;
    QHash<int, long> abgelehnt;
    store.abgelehnt = [&](int ziel, long zeile, const QString& grund) {
        ++abgelehnt[ziel];
        result.problems.append({tabelleVon.value(ziel), zeile, {}, QStringLiteral("Zeile nicht übernommen: %1").arg(grund)});
    };
    QList<int> ziele;
    for (const QString& name : names) {
        auto tabelle = open(name);
        int ziel = -1;
        result.tables.append(copyTable(store, *tabelle, opt, result.problems, afterRows, fixedDone, ziel, tabelleVon));
        ziele.append(ziel);
    }
    // The component expects its fixed tables even where the client never used them.
    for (const QString& sql : db::schemaGrundtabellen()) {
        const QString name = createdName(sql);
        if (fixedDone.contains(name)) continue;
        store.Execute(sql);
        result.createdEmpty.append(name);
    }
    for (const QString& sql : afterRows) store.Execute(sql);
    store.Fertig();
    for (qsizetype i = 0; i < result.tables.size(); ++i) result.tables[i].rowsWritten -= abgelehnt.value(ziele[i]);
    return result;
}

}  // namespace hmz::importer
