// Glimpo's entry point: one running instance per user session, living in the tray.

#include <QApplication>

#include "app/core/AppDelegate.h"
#include "app/core/SingleInstance.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Glimpo");
    QApplication::setOrganizationDomain("glimpo.org");
    QApplication::setDesktopFileName("org.glimpo.Glimpo");
    QApplication::setQuitOnLastWindowClosed(false);

    SingleInstance instance;
    if (!instance.tryBecomePrimary()) {
        // Another Glimpo runs: it reopens, this one leaves.
        return instance.notifyPrimary() ? 0 : 1;
    }

    AppDelegate delegate(AppDelegate::Environment::standard());
    QObject::connect(&instance, &SingleInstance::reopenRequested, &delegate,
                     [&delegate] { delegate.applicationShouldHandleReopen(); });
    delegate.applicationDidFinishLaunching();
    return QApplication::exec();
}
