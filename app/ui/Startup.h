#pragma once
#include <QStringList>

class QApplication;

/// Prepares a windowed run: translations, fonts, image limits, the real dialogs.
void PrepareWindowedApplication(QApplication& app);
