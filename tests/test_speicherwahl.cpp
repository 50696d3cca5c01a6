// The same client in either store: the demo client, copied there from a
// file, prints the same statements and stores the same year results; the
// copy refuses a non-empty target; server failures end with exit 4.
#include "programm.h"
#include "speicher.h"

#include "core/variant.h"
#include "entry/zustand.h"
#include "store/datenzugriff.h"

#include <QFile>
#include <QTemporaryDir>

using namespace hmz;
using namespace hmz::test;

namespace {

class SpeicherWahl : public testing::TestWithParam<Speicherart> {};

QStringList jahresErgebnisse(const QString& name) {
    auto db = db::Engine::instance().OpenDatabase(name, false, true, QStringLiteral(";pwd=") + DatenbankPasswort);
    QStringList out;
    db->Zeilen(QStringLiteral("SELECT HmzObjNr, HmzJahr, HmzHMZOhneEHB, HmzVereinnEHB FROM ObjHmzResJahresSummen "
                              "ORDER BY HmzObjNr, HmzJahr"),
               [&](const std::vector<Variant>& z) {
                   QStringList t;
                   for (const Variant& v : z)
                       t << (v.istNull() ? QStringLiteral("Null")
                             : v.typ() == VarTyp::Currency ? v.toCurrency().toPlainString()
                                                           : v.toString());
                   out << t.join(u' ');
               });
    return out;
}

}  // namespace

TEST_P(SpeicherWahl, CopiedClientPrintsAndStoresAsOnTheFile) {
    TestSpeicher ziel(GetParam());
    HMZ_SPEICHER_ODER_UEBERSPRINGEN(ziel);
    QTemporaryDir dir;
    const QString datei = dir.filePath("quelle.db");
    ASSERT_EQ(hmzres({"demo", "--db", datei, "--pdf", dir.filePath("quelle.pdf")}).status, 0);

    const auto kopie = hmzres({"copy", "--from", datei, "--to", ziel.name()});
    ASSERT_EQ(kopie.status, 0) << kopie.fehler.toStdString();
    EXPECT_EQ(jahresErgebnisse(ziel.name()), jahresErgebnisse(datei));
    // Once there, the target is refused unless replaced on purpose.
    EXPECT_EQ(hmzres({"copy", "--from", datei, "--to", ziel.name()}).status, 4);
    EXPECT_EQ(hmzres({"copy", "--from", datei, "--to", ziel.name(), "--force"}).status, 0);

    for (const QString& name : {datei, ziel.name()}) {
        const auto l = hmzres({"print", "--db", name, "--objects", "1-99", "--period", "01.03-12.03", "--pdf",
                               dir.filePath(QString::number(qHash(name)) + ".pdf")});
        ASSERT_EQ(l.status, 0) << l.fehler.toStdString();
    }
    EXPECT_EQ(pdfText(dir.filePath(QString::number(qHash(ziel.name())) + ".pdf")),
              pdfText(dir.filePath(QString::number(qHash(datei)) + ".pdf")));
    EXPECT_EQ(jahresErgebnisse(ziel.name()), jahresErgebnisse(datei));
}

INSTANTIATE_TEST_SUITE_P(Speicher, SpeicherWahl, testing::Values(Speicherart::Datei, Speicherart::Server), speicherName);

TEST(ServerFehler, EndWithTheServersReasonAndExit4) {
    TestSpeicher s(Speicherart::Server);
    HMZ_SPEICHER_ODER_UEBERSPRINGEN(s);
    QUrl url(serverUri());
    struct Fall {
        const char* was;
        QUrl uri;
        const char* grund;
    };
    QUrl falschesPasswort = url, unbekannt = url, geschlossen = url;
    falschesPasswort.setPassword("falsch");
    unbekannt.setPath("/hmz_gibt_es_nicht");
    geschlossen.setPort(1);  // nothing listens there: a stopped server
    for (const Fall& f : {Fall{"password", falschesPasswort, "password authentication failed"},
                          Fall{"database", unbekannt, "does not exist"}, Fall{"stopped", geschlossen, "Connection refused"}}) {
        SCOPED_TRACE(f.was);
        QTemporaryDir dir;
        const auto l = hmzres({"print", "--db", f.uri.toString(), "--objects", "1-99", "--period", "01.03-12.03", "--pdf",
                               dir.filePath("x.pdf")}, 20000);
        EXPECT_TRUE(l.beendet);
        EXPECT_EQ(l.status, 4);
        EXPECT_TRUE(l.fehler.contains(f.grund)) << l.fehler.toStdString();
        EXPECT_FALSE(l.fehler.contains("falsch"));  // the password is never shown
        EXPECT_FALSE(QFile::exists(dir.filePath("x.pdf")));
    }
}
