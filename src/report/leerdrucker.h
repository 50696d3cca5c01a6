// A printer that measures and keeps the position like every printer here but
// draws nothing and hands nothing over: for runs that only want the figures.
#pragma once

#include "report/druckerbasis.h"

namespace hmz {

class LeerDrucker : public DruckerBasis {
public:
    QString DeviceName() const override { return QStringLiteral("-"); }

protected:
    void auftragStarten() override {}
    void seiteNeu() override {}
    void textAusgeben(double, double, const QString&) override {}
    void linieAusgeben(double, double, double, double) override {}
    void auftragBeenden() override {}
    void auftragVerwerfen() override {}
};

}  // namespace hmz
