// Glimpo's entry point: one running instance per user session, living in the tray. A later
// launch hands its command line's request to the running one and leaves.

#include <QApplication>

#include <malloc.h>

#include <cstdio>

#include "app/core/AppDelegate.h"
#include "app/core/CommandLine.h"
#include "app/core/PlatformLoader.h"
#include "app/core/SingleInstance.h"
#include "app/markup/MarkupEditors.h"
#include "app/platform/Session.h"

int main(int argc, char** argv) {
    // Before Qt: --help and a wrong option need no display.
    const CommandLine::Parsed command = CommandLine::parse(argc, argv);
    if (command.output) std::fputs(command.output->c_str(), stdout);
    if (command.error) std::fputs(command.error->c_str(), stderr);
    if (command.finished()) return command.exitStatus;

    // Screen pictures are megabytes each and come and go with every capture. A fixed threshold
    // keeps them in their own mappings, which go back to the system when freed, instead of
    // glibc's adaptive one moving them into the heap, where freed pages stay with the process.
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
    // Glimpo's windows are placed by absolute position, which only X allows: in a Wayland
    // session they run on Xwayland.
    if (platform::Session::isWayland() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    QApplication::setApplicationName("Glimpo");
    QApplication::setApplicationVersion(GLIMPO_VERSION);
    QApplication::setOrganizationDomain("glimpo.org");
    QApplication::setDesktopFileName("org.glimpo.Glimpo");
    QApplication::setQuitOnLastWindowClosed(false);

    // A picture that can't be edited is said here, by the launch the user ran.
    if (command.file) {
        if (const auto refusal = MarkupEditors::refusal(*command.file)) {
            std::fprintf(stderr, "glimpo: %s\n", refusal->c_str());
            return 2;
        }
    }

    SingleInstance instance;
    if (!instance.tryBecomePrimary()) {
        // Another Glimpo runs: it carries the request out, this one leaves.
        if (instance.notifyPrimary(QString::fromStdString(CommandLine::message(command)))) return 0;
        std::fputs("glimpo: the running Glimpo did not answer.\n", stderr);
        return 1;
    }
    if (command.request == CommandLine::Request::quit) {
        std::fputs("glimpo: Glimpo isn't running.\n", stderr);
        return 0;
    }

    AppDelegate delegate(PlatformLoader::load());
    QObject::connect(&instance, &SingleInstance::requested, &delegate, [&delegate](const QString& word) {
        const auto request = CommandLine::fromMessage(word.toStdString());
        if (!request) return;
        if (request->file) {
            delegate.edit(*request->file);
        } else {
            delegate.handle(request->request);
        }
    });
    delegate.applicationDidFinishLaunching();
    // The action this launch was started for, once the tray and shortcuts are up.
    if (command.file) {
        QMetaObject::invokeMethod(&delegate, [&delegate, file = *command.file] { delegate.edit(file); }, Qt::QueuedConnection);
    } else if (command.request != CommandLine::Request::reopen) {
        QMetaObject::invokeMethod(&delegate, [&delegate, request = command.request] { delegate.handle(request); },
                                  Qt::QueuedConnection);
    }
    return QApplication::exec();
}
