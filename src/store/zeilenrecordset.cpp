#include "store/zeilenrecordset.h"

namespace hmz::db {

namespace {

class ZeilenRecordset final : public Recordset {
public:
    ZeilenRecordset(QStringList spalten, Zeilen zeilen) : spalten_(std::move(spalten)), zeilen_(std::move(zeilen)) {}

    long RecordCount() const override { return static_cast<long>(zeilen_.size()); }
    bool Eof() const override { return zeilen_.empty() || pos_ >= zeilen_.size(); }
    bool Bof() const override { return zeilen_.empty(); }
    void MoveFirst() override { gehe(0); }
    void MoveNext() override {
        if (Eof()) keinDatensatz();
        ++pos_;
    }
    void MoveLast() override { gehe(zeilen_.empty() ? 0 : zeilen_.size() - 1); }

    Variant Fields(const QString& name) const override {
        offen();
        const qsizetype i = spalten_.indexOf(name, Qt::CaseInsensitive);
        if (i < 0) throw Fehler(nr::FeldFehlt, QStringLiteral("Element in dieser Auflistung nicht gefunden. (%1)").arg(name));
        if (Eof()) keinDatensatz();
        return zeilen_[pos_][static_cast<std::size_t>(i)];
    }

    void FindFirst(const QString&) override { nurLesen(); }
    bool NoMatch() const override { return true; }
    void AddNew() override { nurLesen(); }
    void Edit() override { nurLesen(); }
    void SetField(const QString&, const Variant&) override { nurLesen(); }
    void Update() override { nurLesen(); }
    void Close() override { geschlossen_ = true; }

private:
    QStringList spalten_;
    Zeilen zeilen_;
    std::size_t pos_ = 0;
    bool geschlossen_ = false;

    void gehe(std::size_t pos) {
        offen();
        if (zeilen_.empty()) keinDatensatz();
        pos_ = pos;
    }
    void offen() const {
        if (geschlossen_) throw Fehler(nr::ObjektUngueltig, QStringLiteral("Objekt ungültig oder nicht mehr festgelegt."));
    }
    [[noreturn]] static void keinDatensatz() { throw Fehler(nr::KeinAktuellerDatensatz, QStringLiteral("Kein aktueller Datensatz.")); }
    [[noreturn]] static void nurLesen() {
        throw Fehler(nr::NurLesen, QStringLiteral("Aktualisieren nicht möglich: die Abfrage liefert keine änderbaren Datensätze."));
    }
};

}  // namespace

std::unique_ptr<Recordset> zeilenRecordset(QStringList spalten, Zeilen zeilen) {
    return std::make_unique<ZeilenRecordset>(std::move(spalten), std::move(zeilen));
}

}  // namespace hmz::db
