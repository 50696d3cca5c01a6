// The CSV reader of the master-data import: whatever it accepts, written
// back by the export's writer, reads again as the same records; every field
// goes through the value rules of each column type.
#include "masterdata/csv.h"
#include "masterdata/stammdaten.h"

#include <QBuffer>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace hmz::stamm;

namespace {

std::vector<std::vector<CsvFeld>> lesen(const QByteArray& daten) {
    QBuffer b;
    b.setData(daten);
    b.open(QIODevice::ReadOnly);
    CsvLeser l(b);
    std::vector<std::vector<CsvFeld>> zeilen;
    for (std::vector<CsvFeld> f; l.naechste(f) && zeilen.size() < 1000;) zeilen.push_back(f);
    return zeilen;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::vector<CsvFeld>> zeilen;
    try {
        zeilen = lesen(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    } catch (const CsvFehler& f) {
        if (f.zeile < 1 || f.grund.isEmpty()) std::abort();
        return 0;
    }
    QBuffer aus;
    aus.open(QIODevice::WriteOnly);
    CsvSchreiber s(aus);
    for (const auto& z : zeilen) {
        std::vector<std::optional<QString>> felder;
        for (const CsvFeld& f : z) {
            felder.push_back(f.text.isEmpty() && !f.zitiert ? std::nullopt : std::optional<QString>(f.text));
            for (Typ t : {Typ::Ganz, Typ::Text, Typ::Geld, Typ::Datum})
                for (bool punkt : {false, true}) {
                    QString grund;
                    if (const auto v = wertLesen(t, f.text, f.zitiert, punkt, grund)) (void)wertText(t, *v);
                    else if (grund.isEmpty()) std::abort();
                }
        }
        s.zeile(felder);
    }
    // The separator comes from the header line: only a ';' there makes the comparison fair.
    const QByteArray geschrieben = aus.data();
    if (!geschrieben.left(geschrieben.indexOf('\n')).contains(';')) return 0;
    const auto wieder = lesen(geschrieben);
    if (wieder.size() != zeilen.size()) std::abort();
    for (std::size_t i = 0; i < zeilen.size(); ++i) {
        if (wieder[i].size() != zeilen[i].size()) std::abort();
        for (std::size_t j = 0; j < zeilen[i].size(); ++j)
            if (wieder[i][j].text != zeilen[i][j].text || (wieder[i][j].text.isEmpty() && wieder[i][j].zitiert != zeilen[i][j].zitiert))
                std::abort();
    }
    return 0;
}
