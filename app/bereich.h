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

// A property range; one number alone is the range of that property.
inline bool objektBereich(const QString& text, QString& von, QString& bis) {
    if (!text.contains(QLatin1Char('-')) && !text.trimmed().isEmpty()) {
        von = bis = text.trimmed();
        return true;
    }
    return bereich(text, von, bis);
}
