// The one error type of the component. It carries what the classic error
// object carried (number, description, source), so that every failure, from
// the money type up to the database engine, can be reported the same way.
#pragma once

#include <QString>
#include <stdexcept>

namespace hmz {

class Fehler : public std::runtime_error {
public:
    Fehler(long nummer, const QString& beschreibung, const QString& quelle = {})
        : std::runtime_error(beschreibung.toStdString()), nummer_(nummer),
          beschreibung_(beschreibung), quelle_(quelle) {}

    long Nummer() const { return nummer_; }
    const QString& Beschreibung() const { return beschreibung_; }
    const QString& Quelle() const { return quelle_; }

private:
    long nummer_;
    QString beschreibung_;
    QString quelle_;
};

// Classic runtime error numbers used across the component.
namespace fehlernr {
inline constexpr long Ueberlauf = 6;          // "Overflow"
inline constexpr long Index = 9;              // "Subscript out of range"
inline constexpr long Division = 11;          // "Division by zero"
inline constexpr long Typ = 13;               // "Type mismatch"
inline constexpr long UngueltigNull = 94;     // "Invalid use of Null"
inline constexpr long KeineKomponente = 429;  // component can't be created
// The database server cannot be reached or the connection was lost: no
// later step of a run can succeed, so the run ends instead of going on.
inline constexpr long VerbindungVerloren = 3151;
}  // namespace fehlernr

[[noreturn]] void wirfUeberlauf();
[[noreturn]] void wirfTypFehler();
[[noreturn]] void wirfIndexFehler();

}  // namespace hmz
