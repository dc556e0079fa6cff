#pragma once
// How the editor runs its dialogs modally. The program runs them with exec(); tests
// install a runner that shows the dialog, works it through its slots and returns its
// result, so that no test ever waits in a modal loop.

#include <functional>

class QDialog;

using ModalRunner = std::function<int(QDialog&)>;

/// Runs `dlg` modally and returns its result (QDialog::Accepted or QDialog::Rejected).
int RunModal(QDialog& dlg);

/// Makes `runner` run every later RunModal; an empty runner restores exec().
void SetModalRunner(ModalRunner runner);
