// Runs a program for a test and gives back its exit status and output:
// the built hmzres, pdftotext, lpstat.
#pragma once

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QThread>

namespace hmz::test {

struct ProgrammLauf {
    bool beendet = false;  // false: it did not finish in time (or did not start)
    int status = -1;
    QString aus, fehler;
};

inline ProgrammLauf programm(const QString& name, const QStringList& argumente, int millisekunden = 30000,
                             const QProcessEnvironment& umgebung = QProcessEnvironment::systemEnvironment()) {
    QProcess p;
    p.setProcessEnvironment(umgebung);
    p.start(name, argumente);
    ProgrammLauf l;
    l.beendet = p.waitForFinished(millisekunden) && p.exitStatus() == QProcess::NormalExit;
    l.status = p.exitCode();
    l.aus = QString::fromUtf8(p.readAllStandardOutput());
    l.fehler = QString::fromUtf8(p.readAllStandardError());
    return l;
}

#ifdef HMZ_BINARY
inline ProgrammLauf hmzres(const QStringList& argumente, int millisekunden = 30000,
                           const QProcessEnvironment& umgebung = QProcessEnvironment::systemEnvironment()) {
    return programm(QStringLiteral(HMZ_BINARY), argumente, millisekunden, umgebung);
}
#endif

// Standard output of a short helper program (pdftotext, pdfinfo, ...).
inline QString ausgabe(const QString& name, const QStringList& argumente) {
    const ProgrammLauf l = programm(name, argumente, 10000);
    return l.beendet ? l.aus : QStringLiteral("<%1 did not finish>").arg(name);
}

// The text of a PDF as pdftotext reads it (with -layout unless told otherwise).
inline QString pdfText(const QString& pdf, bool layout = true) {
    QStringList args{pdf, QStringLiteral("-")};
    if (layout) args.prepend(QStringLiteral("-layout"));
    return ausgabe(QStringLiteral("pdftotext"), args);
}

// The PDFs the CUPS PDF queue wrote for this user so far.
inline QStringList warteschlangenPdfs() {
    QStringList r;
    const QString ordner[] = {QDir::homePath() + "/PDF", "/root/PDF", "/var/spool/cups-pdf/ANONYMOUS"};
    for (const QString& o : ordner)
        for (const QFileInfo& f : QDir(o).entryInfoList({"*.pdf"}, QDir::Files)) r << f.absoluteFilePath();
    return r;
}

// Waits (bounded: the queue renders through Ghostscript) for a PDF not in
// `vorher`; removes what arrived and says whether anything did.
inline bool neueWarteschlangenPdfsEntfernen(const QStringList& vorher) {
    QStringList neu;
    const QDateTime bis = QDateTime::currentDateTime().addSecs(10);
    while (neu.isEmpty() && QDateTime::currentDateTime() < bis) {
        QThread::msleep(100);
        for (const QString& f : warteschlangenPdfs())
            if (!vorher.contains(f) && QFileInfo(f).size() > 0) neu << f;
    }
    for (const QString& f : neu) QFile::remove(f);
    return !neu.isEmpty();
}

}  // namespace hmz::test
