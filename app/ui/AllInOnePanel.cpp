#include "app/ui/AllInOnePanel.h"

AllInOnePanel::AllInOnePanel() : FloatingPanel(FloatingPanel::Options{.title = QStringLiteral("Glimpo All-in-One")}) {
    setWindowFlag(Qt::WindowDoesNotAcceptFocus, false);
    setAttribute(Qt::WA_ShowWithoutActivating, false);
}

void AllInOnePanel::orderFrontAndMakeKey() {
    showInFront();
    activateWindow();
}
