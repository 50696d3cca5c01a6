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
inline constexpr long Ueberlauf = 6;
inline constexpr long Index = 9;
inline constexpr long Division = 11;
inline constexpr long Typ = 13;
inline constexpr long ObjektFehlt = 91;
inline constexpr long UngueltigNull = 94;
inline constexpr long KeineKomponente = 429;  // component can't be created
// The database server cannot be reached or the connection was lost: no
// later step of a run can succeed, so the run ends instead of going on.
inline constexpr long VerbindungVerloren = 3151;
}  // namespace fehlernr

// Their texts, in the words a German installation of the classic runtime used.
namespace fehlertext {
inline const QString Ueberlauf = QStringLiteral("Überlauf");
inline const QString Index = QStringLiteral("Index außerhalb des gültigen Bereichs");
inline const QString Division = QStringLiteral("Division durch Null");
inline const QString Typ = QStringLiteral("Typen unverträglich");
inline const QString ObjektFehlt = QStringLiteral("Objektvariable oder With-Blockvariable nicht festgelegt");
inline const QString UngueltigNull = QStringLiteral("Unzulässige Verwendung von Null");
}  // namespace fehlertext

[[noreturn]] void wirfUeberlauf();
[[noreturn]] void wirfTypFehler();
[[noreturn]] void wirfIndexFehler();

}  // namespace hmz
