// glimpo-recognize IMAGE...: prints the text Glimpo's recognition service reads in each image,
// exactly as a text capture would put it on the clipboard, followed by a line feed. With more
// than one image each text is headed by "==> IMAGE <==". Exit status 1 when an image could not
// be read.

#include <QCoreApplication>
#include <QImageReader>
#include <QTimer>
#include <qcoro/qcorotask.h>

#include <cstdio>
#include <exception>
#include <string>

#include "app/text/ScreenTextRecognitionService.h"
#include "kit/Error.h"

namespace {

QCoro::Task<int> recognizeAll(const QStringList& files) {
    ScreenTextRecognitionService service;
    int status = 0;
    for (const QString& file : files) {
        const std::string name = file.toStdString();
        QImageReader reader(file);
        const QImage image = reader.read();
        if (image.isNull()) {
            std::fprintf(stderr, "glimpo-recognize: %s: %s\n", name.c_str(), reader.errorString().toStdString().c_str());
            status = 1;
            continue;
        }
        try {
            const std::string text = co_await service.recognize(image);
            if (files.size() > 1) std::printf("==> %s <==\n", name.c_str());
            std::printf("%s\n", text.c_str());
            std::fflush(stdout);
        } catch (const std::exception& error) {
            std::fprintf(stderr, "glimpo-recognize: %s: %s\n", name.c_str(), kit::describe(error).c_str());
            status = 1;
        }
    }
    co_return status;
}

QCoro::Task<void> recognizeAndQuit(QStringList files, int* status) {
    *status = co_await recognizeAll(files);
    QCoreApplication::exit(0);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList files = QCoreApplication::arguments().mid(1);
    if (files.isEmpty()) {
        std::fprintf(stderr, "usage: glimpo-recognize IMAGE...\n");
        return 2;
    }
    int status = 0;
    QTimer::singleShot(0, [&] { recognizeAndQuit(files, &status); });
    app.exec();
    return status;
}
