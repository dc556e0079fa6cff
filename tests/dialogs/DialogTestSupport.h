#pragma once
// Shared set-up of the dialog tests: a fresh document and settings per test, and a
// modal runner that works a dialog through a script instead of a modal loop.

#include "dialogs/ModalRunner.h"
#include "tests/support/Fixtures.h"

#include <QDialog>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override { ResetWorld(); }
    void TearDown() override {
        SetModalRunner({});
        ResetWorld();
    }

    /// Every dialog run modally from now on is shown, handed to `script` (which
    /// presses its buttons) and answers with the result it ended with; `runs` counts
    /// the dialogs run.
    template <class Dlg> void Script(std::function<void(Dlg&)> script) {
        SetModalRunner([this, script](QDialog& d) {
            ++runs;
            auto* dlg = dynamic_cast<Dlg*>(&d);
            EXPECT_NE(dlg, nullptr) << "a dialog of another class was run";
            if (!dlg)
                return int(QDialog::Rejected);
            d.setResult(-1);
            d.show();
            script(*dlg);
            EXPECT_NE(d.result(), -1) << "the script did not close the dialog";
            d.hide();
            return d.result();
        });
    }

    int runs = 0;
};

/// Shows `w` as the active window, so that its keys and shortcuts reach it.
inline void ShowActive(QWidget& w) {
    w.show();
    w.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
}
