#pragma once
// The images of the dialog buttons, looked up by their resource names (IDB_FD32 ...).

#include <QIcon>
#include <QString>

class QAbstractButton;

/// The artwork named `name` (":/art/<name>.svg" or ".png", the name as given or in
/// lower case); a standard icon of the same meaning when the artwork is not there.
QIcon ButtonArt(const QString& name);

/// Gives `button` the image `name`, shown `size` x `size` pixels.
void SetButtonArt(QAbstractButton* button, const QString& name, int size = 24);
