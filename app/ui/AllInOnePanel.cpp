#include "app/ui/AllInOnePanel.h"

AllInOnePanel::AllInOnePanel() : FloatingPanel(FloatingPanel::Options{.title = QStringLiteral("Glimpo All-in-One")}) {
    // Unmanaged, so that it comes up exactly where it is put every time it opens (a window
    // manager places a managed window anew at each mapping); it takes the keyboard itself.
    setWindowFlag(Qt::X11BypassWindowManagerHint, true);
    setWindowFlag(Qt::WindowDoesNotAcceptFocus, false);
    setAttribute(Qt::WA_ShowWithoutActivating, false);
}

void AllInOnePanel::orderFrontAndMakeKey() {
    showInFront();
    activateWindow();
}
