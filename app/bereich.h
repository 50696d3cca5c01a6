// "A-B" of --objects and --period into its two halves, as typed; the run's
// checks judge the values, so print and export refuse alike.
#pragma once

#include <QString>

inline bool bereich(const QString& text, QString& von, QString& bis) {
    const qsizetype strich = text.indexOf(QLatin1Char('-'));
    if (strich < 0) return false;
    von = text.left(strich).trimmed();
    bis = text.mid(strich + 1).trimmed();
    return !von.isEmpty() && !bis.isEmpty();
}
