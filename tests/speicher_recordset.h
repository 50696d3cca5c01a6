// An in-memory recordset for tests of code that reads records through
// db::Recordset: rows of named values, the first row current.
#pragma once

#include "store/datenzugriff.h"

#include <QMap>
#include <vector>

namespace hmz::test {

class SpeicherRecordset : public db::Recordset {
public:
    using Zeile = QMap<QString, Variant>;
    explicit SpeicherRecordset(std::vector<Zeile> zeilen = {}) : zeilen_(std::move(zeilen)) {}

    void setze(const QString& name, const Variant& wert) { zeilen_.at(pos_)[name] = wert; }

    long RecordCount() const override { return static_cast<long>(zeilen_.size()); }
    bool Eof() const override { return pos_ >= zeilen_.size(); }
    bool Bof() const override { return zeilen_.empty(); }
    void MoveFirst() override { pos_ = 0; }
    void MoveNext() override { ++pos_; }
    void MoveLast() override { pos_ = zeilen_.empty() ? 0 : zeilen_.size() - 1; }
    Variant Fields(const QString& name) const override {
        if (Eof()) throw Fehler(db::nr::KeinAktuellerDatensatz, QStringLiteral("No current record."));
        const auto& z = zeilen_.at(pos_);
        if (!z.contains(name)) throw Fehler(db::nr::FeldFehlt, QStringLiteral("Item not found in this collection."));
        return z.value(name);
    }
    void FindFirst(const QString&) override { nichtDa(); }
    bool NoMatch() const override { return true; }
    void AddNew() override { nichtDa(); }
    void Edit() override { nichtDa(); }
    void SetField(const QString& name, const Variant& wert) override { setze(name, wert); }
    void Update() override {}
    void Close() override {}

private:
    [[noreturn]] static void nichtDa() { throw Fehler(5, QStringLiteral("not supported by the test recordset")); }
    std::vector<Zeile> zeilen_;
    std::size_t pos_ = 0;
};

}  // namespace hmz::test
