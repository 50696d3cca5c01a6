#include "dialog/laufdialog.h"

#include "dialog/frmhauptmzres.h"
#include "modules/eingebaut.h"

#include <QPointer>

namespace hmz {

namespace {

class QtLaufDialog : public RunDialog {
public:
    void modalZeigen() override {
        frmHauptMzRes d;
        offen_ = &d;
        d.exec();
        offen_ = nullptr;
    }
    void entladen() override {
        if (offen_) offen_->reject();
    }

private:
    QPointer<frmHauptMzRes> offen_;
};

}  // namespace

std::unique_ptr<RunDialog> qtLaufDialog() {
    eingebauteModuleRegistrieren();
    return std::make_unique<QtLaufDialog>();
}

}  // namespace hmz
