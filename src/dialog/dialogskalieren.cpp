#include "dialog/dialogskalieren.h"

#include "core/currency.h"
#include "core/fehler.h"

#include <QDir>
#include <QScreen>
#include <QSettings>
#include <QWidget>
#include <vector>

namespace hmz {

namespace {

QString iniWert(QSettings& s, const QString& schluessel) {
    const QVariant v = s.value(schluessel);
    // An unquoted comma makes QSettings return a list; the file meant one text.
    QString t = v.typeId() == QMetaType::QStringList ? v.toStringList().join(QLatin1Char(',')) : v.toString();
    return t.left(31);
}

QFont malFaktor(QFont f, double s) {
    if (f.pointSizeF() > 0)
        f.setPointSizeF(f.pointSizeF() * s);
    else if (f.pixelSize() > 0)
        f.setPixelSize(qRound(f.pixelSize() * s));
    return f;
}

QRect malFaktor(const QRect& r, double s) {
    return QRect(qRound(r.x() * s), qRound(r.y() * s), qRound(r.width() * s), qRound(r.height() * s));
}

int dezimalStellen(std::int64_t n) {
    int d = 1;
    while (n >= 10) {
        n /= 10;
        ++d;
    }
    return d;
}

}  // namespace

QString skalierIniPfad() {
    QString ordner = qEnvironmentVariable("USERPROFILE");
    if (ordner.isEmpty()) ordner = QDir::homePath();
    return QDir(ordner).filePath(QStringLiteral("KMO-Settings.ini"));
}

SkalierEinstellung IniLesen() {
    QSettings ini(skalierIniPfad(), QSettings::IniFormat);
    return {iniWert(ini, QStringLiteral("Section1/Skalieren")), iniWert(ini, QStringLiteral("Section2/SkFaktor"))};
}

std::optional<double> skalierFaktor(const SkalierEinstellung& e, int breite) {
    if (breite == 800) return std::nullopt;
    if (e.skalieren.isEmpty() || e.skalieren == QLatin1String("0")) return std::nullopt;
    if (e.skFaktor == QLatin1String("10")) return 2.0;

    const Currency k = Currency::parse(e.skFaktor.trimmed().toStdString()).value_or(Currency{});
    Currency f = k;
    try {
        if (breite == 1024)
            f = (k * 10).durchDouble(3);
        else if (breite == 1280)
            f = (k * 10).durchDouble(5);
        else if (breite > 1280)
            f = (k * 10).durchDouble(8);
    } catch (const Fehler&) {
        return 1.0;  // a step beyond any amount is no setting anyone meant
    }
    if (f == Currency::fromUnits(10)) return 2.0;
    // "1," followed by the digits of f: 5 -> 1.5, 20 -> 1.2, 15 -> 1.15.
    // A fraction or a negative step has no such reading: keep the design size.
    if (f.raw() < 0 || f.raw() % Currency::Skala != 0) return 1.0;
    const std::int64_t n = f.raw() / Currency::Skala;
    double teiler = 1;
    for (int i = dezimalStellen(n); i > 0; --i) teiler *= 10;
    return 1.0 + static_cast<double>(n) / teiler;
}

int bildschirmBreite(const QWidget* w) {
    const QScreen* s = w ? w->screen() : nullptr;
    return s ? s->geometry().width() : 0;
}

void DialogSkalieren(QWidget* dialog, bool mitGroesse, bool mitSchrift, int, int, double) {
    DialogSkalierenBei(bildschirmBreite(dialog), dialog, mitGroesse, mitSchrift);
}

void DialogSkalierenBei(int breite, QWidget* dialog, bool mitGroesse, bool mitSchrift) {
    if (!dialog) return;
    // Called from show events: a failure keeps the design size and says nothing.
    try {
        if (const auto s = skalierFaktor(IniLesen(), breite)) mitFaktorSkalieren(dialog, *s, mitGroesse, mitSchrift);
    } catch (...) {
    }
}

void mitFaktorSkalieren(QWidget* dialog, double s, bool mitGroesse, bool mitSchrift) {
    // The controls: every named child widget, in creation order (Qt's own
    // inner widgets carry no name or a "qt_" one).
    std::vector<QWidget*> controls;
    for (QWidget* w : dialog->findChildren<QWidget*>()) {
        const QString n = w->objectName();
        if (!n.isEmpty() && !n.startsWith(QLatin1String("qt_")) && !w->isWindow()) controls.push_back(w);
    }
    // Fonts are taken before the dialog's font changes, which children would inherit.
    std::vector<QFont> schriften;
    for (QWidget* w : controls) schriften.push_back(w->font());

    if (mitGroesse) {
        const QPoint p = dialog->pos();
        dialog->move(qRound(p.x() * s), qRound(p.y() * s));
        dialog->resize(qRound(dialog->width() * s), qRound(dialog->height() * s));
    }
    if (mitSchrift) {
        // Scaled through the font object and then once more through the size.
        dialog->setFont(malFaktor(malFaktor(dialog->font(), s), s));
    }
    const QString dialogSchrift = dialog->font().family();
    for (std::size_t i = 0; i < controls.size(); ++i) {
        QWidget* w = controls[i];
        w->setGeometry(malFaktor(w->geometry(), s));
        if (!mitSchrift) continue;
        QFont f = schriften[i];
        if (f.family() == QLatin1String("Small Fonts")) f.setFamily(dialogSchrift);
        w->setFont(malFaktor(f, s));
    }
}

}  // namespace hmz
