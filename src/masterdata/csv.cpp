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

void CsvLeser::feldAbschliessen(std::vector<CsvFeld>& felder, QByteArray& roh, bool zitiert) {
    const bool ascii = std::all_of(roh.cbegin(), roh.cend(), [](char ch) { return (ch & 0x80) == 0; });
    QString text = ascii ? QString::fromLatin1(roh) : utf8_(roh);
    if (!ascii && utf8_.hasError()) throw CsvFehler{beginn_, QStringLiteral("die Datei ist nicht in UTF-8 geschrieben (als UTF-8 speichern)")};
    felder.push_back({std::move(text), zitiert});
    roh.resize(0);
}

bool CsvLeser::naechste(std::vector<CsvFeld>& felder) {
    if (erste_) {
        erste_ = false;
        if (vorschau() == 0xEF && puffer_.mid(pos_, 3) == QByteArrayLiteral("\xEF\xBB\xBF")) pos_ += 3;
        trennerErkennen();
    }
    for (;;) {
        felder.clear();
        beginn_ = zeile_;
        if (vorschau() < 0) return false;
        QByteArray roh;
        bool zitiert = false, zeilenende = false;
        while (!zeilenende) {
            int c = zeichen();
            if (c < 0 || c == '\n' || c == '\r') {
                if (c == '\r' && vorschau() == '\n') zeichen();
                if (c >= 0) ++zeile_;
                feldAbschliessen(felder, roh, zitiert);
                zeilenende = true;
            } else if (c == trenner_) {
                feldAbschliessen(felder, roh, zitiert);
                zitiert = false;
            } else if (c == '"' && roh.isEmpty() && !zitiert) {
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
                    roh.append(static_cast<char>(c));
                }
                const int n = vorschau();
                if (n >= 0 && n != trenner_ && n != '\r' && n != '\n')
                    throw CsvFehler{zeile_, QStringLiteral("nach einem schließenden Anführungszeichen folgt '%1' statt des Trennzeichens")
                                                .arg(QChar(n))};
            } else {
                // The rest of an unquoted field in the buffer at once.
                const char* d = puffer_.constData();
                qsizetype bis = pos_;
                while (bis < puffer_.size() && d[bis] != trenner_ && d[bis] != '\n' && d[bis] != '\r') ++bis;
                roh.append(d + pos_ - 1, bis - pos_ + 1);
                pos_ = bis;
            }
        }
        if (felder.size() == 1 && !felder.front().zitiert && felder.front().text.isEmpty()) continue;
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
