#include "importer/accessfile.h"

#include "core/currency.h"
#include "store/datenzugriff.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstring>

// glib first: mdbtools.h relies on it and is not C++-clean on its own.
#include <glib.h>
#include <mdbtools.h>

// Exported by libmdb but missing from its header: the next page of a usage map.
extern "C" gint32 mdb_map_find_next(MdbHandle* mdb, unsigned char* map, unsigned int map_sz, guint32 start_pg);

namespace hmz::importer {

namespace {

constexpr guint32 InlineValue = 0x80000000u;  // long value kept in the row itself
constexpr guint32 LengthMask = 0x3fffffffu;

struct GFree {
    void operator()(char* p) const { g_free(p); }
};
using GText = std::unique_ptr<char, GFree>;

QString typeName(int t) {
    switch (t) {
    case MDB_BOOL: return QStringLiteral("Yes/No");
    case MDB_BYTE: return QStringLiteral("Byte");
    case MDB_INT: return QStringLiteral("Integer");
    case MDB_LONGINT: return QStringLiteral("Long Integer");
    case MDB_MONEY: return QStringLiteral("Currency");
    case MDB_FLOAT: return QStringLiteral("Single");
    case MDB_DOUBLE: return QStringLiteral("Double");
    case MDB_DATETIME: return QStringLiteral("Date/Time");
    case MDB_BINARY: return QStringLiteral("Binary");
    case MDB_TEXT: return QStringLiteral("Text");
    case MDB_OLE: return QStringLiteral("OLE Object");
    case MDB_MEMO: return QStringLiteral("Memo");
    case MDB_REPID: return QStringLiteral("Replication ID");
    case MDB_NUMERIC: return QStringLiteral("Decimal");
    case MDB_COMPLEX: return QStringLiteral("Attachment/Multi-value");
    default: return QStringLiteral("type 0x%1").arg(t, 2, 16, QLatin1Char('0'));
    }
}

ColumnKind kindOfMdbType(int t) {
    switch (t) {
    case MDB_BOOL:
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
    case MDB_COMPLEX: return ColumnKind::Integer;
    case MDB_MONEY: return ColumnKind::Currency;
    case MDB_FLOAT:
    case MDB_DOUBLE: return ColumnKind::Real;
    case MDB_NUMERIC: return ColumnKind::Numeric;
    case MDB_DATETIME: return ColumnKind::DateTime;
    case MDB_TEXT:
    case MDB_MEMO:
    case MDB_REPID: return ColumnKind::Text;
    default: return ColumnKind::Blob;
    }
}

[[noreturn]] void damaged(const QString& file, const QString& what) {
    throw Fehler(db::nr::KeineDatenbank, QStringLiteral("Die Datei '%1' ist beschädigt: %2.").arg(file, what));
}

quint32 le16(const QByteArray& b, qsizetype at) {
    return static_cast<quint8>(b[at]) | static_cast<quint32>(static_cast<quint8>(b[at + 1])) << 8;
}

// Whether libmdb can parse these object properties (the catalog's "LvProp")
// without running in a circle or past their end: every record must have a
// length that moves on, stay inside its block and name a known property.
bool propertiesReadable(const QByteArray& b) {
    if (b.size() < 4) return false;
    // libmdb leaves properties of another format alone.
    if (std::memcmp(b.constData(), "KKD", 4) != 0 && std::memcmp(b.constData(), "MR2", 4) != 0) return true;
    qsizetype namen = -1;  // entries of the last list of names
    for (qsizetype pos = 4; pos < b.size();) {
        if (b.size() - pos < 6) return false;
        const quint32 laenge = le16(b, pos) | le16(b, pos + 2) << 16;
        const quint32 art = le16(b, pos + 4);
        if (laenge < 6 || laenge > static_cast<quint64>(b.size() - pos)) return false;
        const QByteArray block = b.mid(pos + 6, laenge - 6);
        pos += laenge;
        if (art == 0x80) {
            namen = 0;
            for (qsizetype p = 0; p < block.size(); ++namen) {
                if (block.size() - p < 2) return false;
                p += 2 + le16(block, p);
                if (p > block.size()) return false;
            }
        } else if (art <= 0x02 && namen >= 0) {  // a block of values; libmdb skips other records
            if (block.size() < 6) return false;
            qsizetype p = 6 + le16(block, 4);
            if (p > block.size()) return false;
            // A name given twice makes libmdb drop (and leak) the first value.
            std::vector<bool> genannt(static_cast<std::size_t>(namen), false);
            while (p < block.size()) {
                if (block.size() - p < 8) return false;
                const quint32 satz = le16(block, p), name = le16(block, p + 4);
                if (satz < 8 || name >= namen || genannt[name] || p + 8 + le16(block, p + 6) > block.size()) return false;
                genannt[name] = true;
                p += satz;
            }
        }
    }
    return true;
}

}  // namespace

struct AccessTable::Impl {
    MdbHandle* mdb = nullptr;
    MdbTableDef* table = nullptr;
    QString file;
    qint64 pages = 0;
    std::vector<MdbField> fields;
    std::vector<char> longValue;  // libmdb copies long values page by page through the column's buffer
    long rowsRead = 0;
    bool finished = false;

    ~Impl() {
        if (table) mdb_free_tabledef(table);
    }

    MdbColumn* column(std::size_t i) const {
        return static_cast<MdbColumn*>(g_ptr_array_index(table->columns, static_cast<guint>(i)));
    }
    QString tableName() const { return QString::fromUtf8(table->name); }

    void checkLongValuePage(MdbColumn* col) const {
        const guint32 pgRow = static_cast<guint32>(mdb_get_int32(mdb->pg_buf, col->cur_value_start + 4));
        if ((pgRow >> 8) >= static_cast<quint64>(pages))
            damaged(file, QStringLiteral("Tabelle '%1', Spalte '%2' zeigt hinter das Dateiende")
                              .arg(tableName(), QString::fromUtf8(col->name)));
    }

    // The raw bytes of a memo or OLE value, however many pages it spans. A
    // damaged chain of pages can run in a circle: a value is never longer
    // than it says, nor than the file, and visits no more pages than the file has.
    QByteArray readLongValue(MdbColumn* col, QString& problem) {
        if (col->cur_value_len < MDB_MEMO_OVERHEAD) {
            problem = QStringLiteral("Kopf eines langen Werts nicht lesbar");
            return {};
        }
        const guint32 head = static_cast<guint32>(mdb_get_int32(mdb->pg_buf, col->cur_value_start));
        const qint64 declared = head & LengthMask;
        if (declared > pages * mdb->fmt->pg_size) {
            problem = QStringLiteral("er nennt %1 Bytes, mehr als die Datei enthält").arg(declared);
            return {};
        }
        if (!(head & InlineValue)) checkLongValuePage(col);
        // One piece never exceeds a page.
        longValue.resize(static_cast<std::size_t>(mdb->fmt->pg_size) * 2);
        char ole[MDB_MEMO_OVERHEAD];
        std::memcpy(ole, mdb->pg_buf + col->cur_value_start, MDB_MEMO_OVERHEAD);
        col->bind_ptr = longValue.data();
        QByteArray bytes;
        std::size_t n = mdb_ole_read(mdb, col, ole, longValue.size());
        for (qint64 gelesen = 0; n > 0; ++gelesen) {
            bytes.append(longValue.data(), static_cast<qsizetype>(n));
            if (bytes.size() > declared || gelesen > pages) break;
            n = mdb_ole_read_next(mdb, col, ole);
        }
        col->bind_ptr = nullptr;
        if (bytes.size() != declared)
            problem = bytes.size() > declared ? QStringLiteral("seine Seiten enthalten mehr als die genannten %1 Bytes").arg(declared)
                                              : QStringLiteral("nur %1 von %2 Bytes lesbar").arg(bytes.size()).arg(declared);
        return bytes;
    }

    // Text as Access stores it (UCS-2, perhaps compressed) as UTF-8.
    SourceValue ofStoredText(const void* bytes, qsizetype length) const {
        // At most three UTF-8 bytes per stored byte.
        QByteArray text(length * 3 + 16, Qt::Uninitialized);
        const int n = mdb_unicode2ascii(mdb, static_cast<const char*>(bytes), static_cast<std::size_t>(length), text.data(),
                                        static_cast<std::size_t>(text.size()));
        text.truncate(std::clamp<qsizetype>(n, 0, text.size() - 1));
        return SourceValue::ofText(text);
    }

    SourceValue readMemo(MdbColumn* col, QString& problem) {
        const QByteArray raw = readLongValue(col, problem);
        return problem.isEmpty() ? ofStoredText(raw.constData(), raw.size()) : SourceValue::null();
    }

    SourceValue readValue(std::size_t i, bool isNull, QString& problem) {
        MdbColumn* col = column(i);
        const unsigned char* buf = mdb->pg_buf;
        const int start = col->cur_value_start;
        // A Yes/No value lives in the null mask: "null" there means No.
        if (col->col_type == MDB_BOOL) return SourceValue::ofInteger(col->cur_value_len == 0 ? 1 : 0);
        if (isNull) return SourceValue::null();
        // libmdb takes position and length from the row as they are.
        if (start < 0 || col->cur_value_len < 0 || start + col->cur_value_len > mdb->fmt->pg_size) {
            problem = QStringLiteral("der Wert liegt außerhalb seiner Seite");
            return SourceValue::null();
        }
        switch (col->col_type) {
        case MDB_BYTE: return SourceValue::ofInteger(buf[start]);
        case MDB_INT: return SourceValue::ofInteger(static_cast<qint16>(mdb_get_int16(mdb->pg_buf, start)));
        case MDB_LONGINT:
        case MDB_COMPLEX: return SourceValue::ofInteger(static_cast<qint32>(mdb_get_int32(mdb->pg_buf, start)));
        case MDB_MONEY: {
            GText t(mdb_money_to_string(mdb, start));
            if (auto c = Currency::parse(t.get())) return SourceValue::ofMoney(c->raw());
            problem = QStringLiteral("currency value '%1' unreadable").arg(QString::fromLatin1(t.get()));
            return SourceValue::null();
        }
        case MDB_FLOAT:
            // A Single keeps the digits it was entered with (0.15, not 0.150000006).
            return SourceValue::ofReal(std::strtod(shortestText(mdb_get_single(mdb->pg_buf, start)).constData(), nullptr));
        case MDB_DOUBLE: return SourceValue::ofReal(mdb_get_double(mdb->pg_buf, start));
        case MDB_DATETIME: return SourceValue::ofDateTime(mdb_get_double(mdb->pg_buf, start));
        case MDB_NUMERIC: {
            GText t(mdb_numeric_to_string(mdb, start, col->col_scale, col->col_prec));
            return SourceValue::ofDecimal(QByteArray(t.get()));
        }
        case MDB_TEXT: return ofStoredText(buf + start, col->cur_value_len);
        case MDB_REPID: {
            GText t(mdb_uuid_to_string(mdb->pg_buf, start));
            return SourceValue::ofText(QByteArray(t.get()));
        }
        case MDB_MEMO: return readMemo(col, problem);
        case MDB_OLE: {
            QByteArray b = readLongValue(col, problem);
            return problem.isEmpty() ? SourceValue::ofBlob(std::move(b)) : SourceValue::null();
        }
        case MDB_BINARY:
            return SourceValue::ofBlob(QByteArray(reinterpret_cast<const char*>(buf + start), col->cur_value_len));
        default:
            problem = QStringLiteral("Spaltentyp %1 unbekannt; die Rohbytes wurden behalten").arg(typeName(col->col_type));
            return SourceValue::ofBlob(QByteArray(reinterpret_cast<const char*>(buf + start), col->cur_value_len));
        }
    }

    // A table that ended early ran into pages libmdb could not read.
    void checkComplete() const {
        if (mdb_map_find_next(mdb, table->usage_map, static_cast<unsigned int>(table->map_sz), table->cur_phys_pg) > 0)
            damaged(file, QStringLiteral("Tabelle '%1' hat unlesbare Seiten").arg(tableName()));
        if (rowsRead != static_cast<long>(table->num_rows))
            damaged(file, QStringLiteral("Tabelle '%1' nennt %2 Zeilen, %3 waren lesbar")
                              .arg(tableName())
                              .arg(table->num_rows)
                              .arg(rowsRead));
    }
};

AccessTable::AccessTable(std::unique_ptr<Impl> impl) : d_(std::move(impl)) {
    d_->fields.resize(d_->table->num_cols);
    for (unsigned i = 0; i < d_->table->num_cols; ++i) {
        const MdbColumn* col = d_->column(i);
        columns_.push_back({QString::fromUtf8(col->name), col->col_type, kindOfMdbType(col->col_type),
                            typeName(col->col_type)});
    }
}

AccessTable::~AccessTable() = default;

QString AccessTable::name() const { return d_->tableName(); }

long AccessTable::declaredRows() const { return static_cast<long>(d_->table->num_rows); }

bool AccessTable::next(std::vector<SourceValue>& values, std::vector<QString>& problems) {
    if (d_->finished) return false;
    if (!mdb_fetch_row(d_->table)) {
        d_->finished = true;
        d_->checkComplete();
        return false;
    }
    // A damaged page can repeat rows without end: no table holds more rows than it states.
    if (++d_->rowsRead > static_cast<long>(d_->table->num_rows))
        damaged(d_->file, QStringLiteral("table '%1' states %2 rows, more could be read")
                              .arg(d_->tableName())
                              .arg(d_->table->num_rows));
    const std::size_t n = columns_.size();
    values.assign(n, SourceValue{});
    problems.assign(n, QString{});

    // libmdb reports an empty text and a Null alike (no bytes); the row's
    // null mask tells them apart.
    std::vector<bool> isNull(n, false);
    bool mehrdeutig = false;
    for (std::size_t i = 0; i < n; ++i) {
        const MdbColumn* col = d_->column(i);
        if (col->col_type != MDB_BOOL && col->cur_value_len == 0) {
            isNull[i] = true;
            if (!col->is_fixed) mehrdeutig = true;
        }
    }
    if (mehrdeutig) {
        int start = 0;
        std::size_t len = 0;
        // A row libmdb cannot split yields 0 fields: the null mask then stays as read.
        if (mdb_find_row(d_->mdb, static_cast<int>(d_->table->cur_row) - 1, &start, &len) == 0 &&
            mdb_crack_row(d_->table, start & 0x1fff, len, d_->fields.data()) > 0) {
            for (std::size_t k = 0; k < n; ++k) {
                const auto c = static_cast<std::size_t>(d_->fields[k].colnum);
                if (c < n && isNull[c]) isNull[c] = d_->fields[k].is_null != 0;
            }
        }
    }
    for (std::size_t i = 0; i < n; ++i) values[i] = d_->readValue(i, isNull[i], problems[i]);
    return true;
}

struct AccessFile::Impl {
    MdbHandle* mdb = nullptr;
    QString file;
    qint64 pages = 0;

    ~Impl() {
        if (mdb) mdb_close(mdb);
    }

    MdbCatalogEntry* entry(const QString& name) const {
        for (unsigned i = 0; i < mdb->num_catalog; ++i) {
            auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
            if (e->object_type == MDB_TABLE && QString::fromUtf8(e->object_name) == name) return e;
        }
        return nullptr;
    }

    // libmdb reads the catalog, a table itself, without limits: read it
    // through first, within the limits of the file, and check the properties
    // of the tables, which libmdb parses as it goes.
    void checkCatalog() const {
        MdbCatalogEntry katalog{};
        katalog.mdb = mdb;
        katalog.object_type = MDB_TABLE;
        katalog.table_pg = 2;
        std::strcpy(katalog.object_name, "MSysObjects");
        const auto t = open(&katalog);
        const auto spalte = [&](const char* name) {
            const auto& s = t->columns();
            const auto it = std::find_if(s.begin(), s.end(), [&](const AccessColumn& c) { return c.name == QLatin1String(name); });
            if (it == s.end()) damaged(file, QStringLiteral("ihre Tabellenliste ist nicht lesbar"));
            return static_cast<std::size_t>(it - s.begin());
        };
        const std::size_t typ = spalte("Type"), props = spalte("LvProp");
        // libmdb reads these of every row.
        const std::size_t gebunden[] = {spalte("Id"), spalte("Name"), typ, spalte("Flags")};
        std::vector<SourceValue> werte;
        std::vector<QString> probleme;
        while (t->next(werte, probleme)) {
            for (const std::size_t k : gebunden)
                if (!probleme[k].isEmpty()) damaged(file, QStringLiteral("ihre Tabellenliste ist nicht lesbar"));
            if (werte[typ].kind != SourceKind::Integer || werte[typ].integer != MDB_TABLE) continue;
            if (!probleme[props].isEmpty() || (werte[props].kind != SourceKind::Null && !propertiesReadable(werte[props].bytes)))
                damaged(file, QStringLiteral("die Eigenschaften in ihrer Tabellenliste sind nicht lesbar"));
        }
    }

    std::unique_ptr<AccessTable> open(MdbCatalogEntry* e) const {
        auto impl = std::make_unique<AccessTable::Impl>();
        impl->mdb = mdb;
        impl->file = file;
        impl->pages = pages;
        impl->table = mdb_read_table(e);
        // Without a usage map libmdb would read through a null pointer.
        if (!impl->table || !impl->table->usage_map || impl->table->map_sz == 0 || !mdb_read_columns(impl->table))
            damaged(file, QStringLiteral("die Definition der Tabelle '%1' ist nicht lesbar").arg(QString::fromUtf8(e->object_name)));
        mdb_rewind_table(impl->table);
        return std::make_unique<AccessTable>(std::move(impl));
    }
};

AccessFile::AccessFile(const QString& path) : d_(std::make_unique<Impl>()) {
    d_->file = path;
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        throw Fehler(db::nr::DateiNichtGefunden, QStringLiteral("Die Datei '%1' wurde nicht gefunden.").arg(path));
    d_->mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    if (!d_->mdb) throw Fehler(db::nr::KeineDatenbank, QStringLiteral("Unbekanntes Datenbankformat '%1'.").arg(path));
    const qint64 seite = d_->mdb->fmt->pg_size;
    if (info.size() % seite != 0) damaged(path, QStringLiteral("sie endet mitten in einer Seite"));
    d_->pages = info.size() / seite;
    d_->checkCatalog();
    if (!mdb_read_catalog(d_->mdb, MDB_TABLE) || !d_->entry(QStringLiteral("MSysObjects")))
        damaged(path, QStringLiteral("ihre Tabellenliste ist nicht lesbar"));

    for (unsigned i = 0; i < d_->mdb->num_catalog; ++i) {
        auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(d_->mdb->catalog, i));
        if (e->object_type == MDB_TABLE && mdb_is_user_table(e)) tables_.append(QString::fromUtf8(e->object_name));
    }
}

AccessFile::~AccessFile() = default;

std::unique_ptr<AccessTable> AccessFile::open(const QString& table) const {
    MdbCatalogEntry* e = d_->entry(table);
    if (!e) throw Fehler(db::nr::TabelleFehlt, QStringLiteral("Keine Tabelle '%1' in '%2'.").arg(table, d_->file));
    return d_->open(e);
}

}  // namespace hmz::importer
