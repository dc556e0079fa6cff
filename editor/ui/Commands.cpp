// Menu and key commands of the main window, and its context menu.
#include "editor/ui/P20417Dlg.h"

void CP20417Dlg::OnCommand(int id) { (void)id; }

void CP20417Dlg::TrackContextMenu(QPoint pt) { (void)pt; }
