#include "dialogs/ModalRunner.h"

#include <QDialog>

namespace {
ModalRunner& runnerSlot() {
    static ModalRunner runner;
    return runner;
}
} // namespace

int RunModal(QDialog& dlg) {
    if (runnerSlot())
        return runnerSlot()(dlg);
    return dlg.exec();
}

void SetModalRunner(ModalRunner runner) {
    runnerSlot() = std::move(runner);
}
