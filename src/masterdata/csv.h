// CSV as spreadsheets write it: one record at a time from a stream (quoted
// fields may hold separators, quotes and line breaks), and records written
// back the way export writes them (UTF-8 with BOM, ';', CRLF).
#pragma once

#include <QByteArray>
#include <QChar>
#include <QIODevice>
#include <QString>
#include <QStringDecoder>
#include <optional>
#include <stdexcept>
#include <vector>

namespace hmz::stamm {

struct CsvFeld {
    QString text;
    bool zitiert = false;  // "" is an empty text; an empty unquoted field is Null
};

// A file that cannot be read as CSV at all; `zeile` is 1-based.
struct CsvFehler {
    long zeile;
    QString grund;
};

class CsvLeser {
public:
    explicit CsvLeser(QIODevice& quelle) : quelle_(quelle) {}
    // The next record, false at the end; blank lines are skipped. The header
    // decides the separator: ';', else TAB, else ','. Throws CsvFehler.
    bool naechste(std::vector<CsvFeld>& felder);
    long zeile() const { return beginn_; }  // where the last record began
    QChar trenner() const { return QChar(trenner_); }

private:
    int zeichen();  // the next byte, -1 at the end
    int vorschau();
    void feldAbschliessen(std::vector<CsvFeld>& felder, std::size_t& n, QByteArrayView roh, bool zitiert);
    void trennerErkennen();

    QIODevice& quelle_;
    QByteArray puffer_, roh_;  // read, the field being read
    qsizetype pos_ = 0;
    bool ende_ = false;
    bool erste_ = true;
    char trenner_ = ';';
    long zeile_ = 1, beginn_ = 0;
    // Only the file's own BOM is skipped (by the reader); one at the start of a field is text.
    QStringDecoder utf8_{QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom};
};

class CsvSchreiber {
public:
    explicit CsvSchreiber(QIODevice& ziel) : ziel_(ziel) {}
    // nullopt is Null (an empty field); an empty text is written "".
    void zeile(const std::vector<std::optional<QString>>& felder);
    bool ok() const { return ok_; }

private:
    QIODevice& ziel_;
    QByteArray zeile_;
    bool erste_ = true, ok_ = true;
};

}  // namespace hmz::stamm
