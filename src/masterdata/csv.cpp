#include "masterdata/csv.h"

#include <algorithm>

namespace hmz::stamm {

namespace {
constexpr qint64 Block = 1 << 16;
}

int CsvLeser::zeichen() {
    const int c = vorschau();
    if (c >= 0) ++pos_;
    return c;
}

int CsvLeser::vorschau() {
    if (pos_ >= puffer_.size()) {
        if (ende_) return -1;
        puffer_ = quelle_.read(Block);
        pos_ = 0;
        if (puffer_.isEmpty()) {
            ende_ = true;
            return -1;
        }
    }
    return static_cast<unsigned char>(puffer_.at(pos_));
}

// Only the header line is looked at: ';' wins, as export writes it.
void CsvLeser::trennerErkennen() {
    if (vorschau() < 0) return;
    const QByteArray rest = puffer_.mid(pos_);
    qsizetype ende = rest.indexOf('\n');
    const QByteArray kopf = ende < 0 ? rest : rest.left(ende);
    trenner_ = kopf.contains(';') ? ';' : kopf.contains('\t') ? '\t' : kopf.contains(',') ? ',' : ';';
}

void CsvLeser::feldAbschliessen(std::vector<CsvFeld>& felder, std::size_t& n, QByteArrayView roh, bool zitiert) {
    if (n == felder.size()) felder.emplace_back();
    CsvFeld& f = felder[n++];
    f.zitiert = zitiert;
    if (!std::all_of(roh.begin(), roh.end(), [](char ch) { return (ch & 0x80) == 0; })) {
        f.text = utf8_(roh);
        if (utf8_.hasError()) throw CsvFehler{beginn_, QStringLiteral("die Datei ist nicht in UTF-8 geschrieben (als UTF-8 speichern)")};
        return;
    }
    // The field of the same place in the last record lends its buffer when
    // nobody else holds it: most fields of a file are short numbers.
    if (!f.text.isDetached() || f.text.capacity() < roh.size()) {
        f.text = QString::fromLatin1(roh);
        return;
    }
    f.text.resize(roh.size());
    std::copy(roh.begin(), roh.end(), reinterpret_cast<char16_t*>(f.text.data()));
}

bool CsvLeser::naechste(std::vector<CsvFeld>& felder) {
    if (erste_) {
        erste_ = false;
        if (vorschau() == 0xEF && puffer_.mid(pos_, 3) == QByteArrayLiteral("\xEF\xBB\xBF")) pos_ += 3;
        trennerErkennen();
    }
    for (;;) {
        std::size_t n = 0;
        roh_.resize(0);
        beginn_ = zeile_;
        if (vorschau() < 0) {
            felder.clear();
            return false;
        }
        bool zitiert = false, zeilenende = false;
        while (!zeilenende) {
            int c = zeichen();
            if (c < 0 || c == '\n' || c == '\r') {
                if (c == '\r' && vorschau() == '\n') zeichen();
                if (c >= 0) ++zeile_;
                feldAbschliessen(felder, n, roh_, zitiert);
                roh_.resize(0);
                zeilenende = true;
            } else if (c == trenner_) {
                feldAbschliessen(felder, n, roh_, zitiert);
                roh_.resize(0);
                zitiert = false;
            } else if (c == '"' && roh_.isEmpty() && !zitiert) {
                zitiert = true;
                for (;;) {
                    c = zeichen();
                    if (c < 0)
                        throw CsvFehler{beginn_, QStringLiteral("ein Anführungszeichen ist bis zum Dateiende nicht geschlossen")};
                    if (c == '"') {
                        if (vorschau() != '"') break;
                        zeichen();
                    } else if (c == '\n') {
                        ++zeile_;
                    }
                    roh_.append(static_cast<char>(c));
                }
                const int k = vorschau();
                if (k >= 0 && k != trenner_ && k != '\r' && k != '\n')
                    throw CsvFehler{zeile_, QStringLiteral("nach einem schließenden Anführungszeichen folgt '%1' statt des Trennzeichens")
                                                .arg(QChar(k))};
            } else {
                // The rest of an unquoted field in the buffer at once; one
                // that ends in the buffer is taken from there without a copy.
                const char* d = puffer_.constData();
                qsizetype bis = pos_;
                while (bis < puffer_.size() && d[bis] != trenner_ && d[bis] != '\n' && d[bis] != '\r') ++bis;
                if (roh_.isEmpty() && bis < puffer_.size()) {
                    feldAbschliessen(felder, n, QByteArrayView(d + pos_ - 1, bis - pos_ + 1), false);
                    pos_ = bis;
                    c = zeichen();
                    if (c == '\r' && vorschau() == '\n') zeichen();
                    if (c != trenner_) {
                        ++zeile_;
                        zeilenende = true;
                    }
                    continue;
                }
                roh_.append(d + pos_ - 1, bis - pos_ + 1);
                pos_ = bis;
            }
        }
        felder.resize(n);
        if (n == 1 && !felder.front().zitiert && felder.front().text.isEmpty()) continue;
        return true;
    }
}

void CsvSchreiber::zeile(const std::vector<std::optional<QString>>& felder) {
    zeile_.clear();
    if (erste_) zeile_ = QByteArrayLiteral("\xEF\xBB\xBF");
    erste_ = false;
    bool erstes = true;
    for (const auto& f : felder) {
        if (!erstes) zeile_.append(';');
        erstes = false;
        if (!f) continue;
        const QByteArray t = f->toUtf8();
        if (t.isEmpty() || t.contains(';') || t.contains('"') || t.contains('\n') || t.contains('\r')) {
            zeile_.append('"');
            for (char c : t) {
                if (c == '"') zeile_.append('"');
                zeile_.append(c);
            }
            zeile_.append('"');
        } else {
            zeile_.append(t);
        }
    }
    zeile_.append("\r\n");
    if (ok_ && ziel_.write(zeile_) != zeile_.size()) ok_ = false;
}

}  // namespace hmz::stamm
