// Glimpo's entry point: one running instance per user session, living in the tray.

#include <QApplication>

#include <malloc.h>

#include "app/core/AppDelegate.h"
#include "app/core/SingleInstance.h"

int main(int argc, char** argv) {
    // Screen pictures are megabytes each and come and go with every capture. A fixed threshold
    // keeps them in their own mappings, which go back to the system when freed, instead of
    // glibc's adaptive one moving them into the heap, where freed pages stay with the process.
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
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
