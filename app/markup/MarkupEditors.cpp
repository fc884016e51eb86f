#include "app/markup/MarkupEditors.h"

#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>

#include <system_error>
#include <utility>

#include "kit/Error.h"
#include "kit/MarkupStyle.h"

namespace {

QString qtPath(const std::filesystem::path& file) {
    return QFile::decodeName(file.native().c_str());
}

} // namespace

MarkupEditors::MarkupEditors(CaptureLibrary& library, SettingsStore& store, TextRecognitionService& recognizer, QObject* parent)
    : QObject(parent), library_(library), store_(store), recognizer_(recognizer) {}

MarkupEditors::~MarkupEditors() {
    for (auto& [file, window] : std::exchange(windows_, {})) delete window.data();
}

std::optional<std::string> MarkupEditors::refusal(const std::filesystem::path& file) {
    const QString name = qtPath(file.filename());
    std::error_code error;
    if (!std::filesystem::exists(file, error)) return tr("The file %1 doesn't exist.").arg(name).toStdString();
    if (!std::filesystem::is_regular_file(file, error)) return tr("%1 isn't a file.").arg(name).toStdString();
    QImageReader reader(qtPath(file));
    const QByteArray format = reader.format();
    if (format.isEmpty() && !QFile(qtPath(file)).open(QIODevice::ReadOnly)) {
        return tr("Glimpo can't read %1.").arg(name).toStdString();
    }
    if (format != "png" && format != "jpeg") return tr("%1 isn't a PNG or JPEG picture.").arg(name).toStdString();
    return std::nullopt;
}

MarkupWindow::Picture MarkupEditors::load(const std::filesystem::path& file) {
    if (const auto reason = refusal(file)) throw kit::Error(*reason);
    QImageReader reader(qtPath(file));
    reader.setAutoTransform(true);
    QImage image = reader.read();
    if (image.isNull()) {
        throw kit::Error(tr("%1 couldn't be read: %2").arg(qtPath(file.filename()), reader.errorString()).toStdString());
    }
    // A capture records the scale of its screen as its resolution.
    const double density = kit::MarkupStyle::pixelDensity(image.dotsPerMeterX() * 0.0254);
    return {std::move(image), density, QString::fromStdString(file.filename().string())};
}

MarkupWindow* MarkupEditors::open(const std::filesystem::path& file, const CapturedImage& captured) {
    std::error_code ignored;
    const std::filesystem::path key = std::filesystem::weakly_canonical(file, ignored);
    if (auto found = windows_.find(key); found != windows_.end() && found->second) {
        found->second->raise();
        found->second->activateWindow();
        return found->second;
    }
    QElapsedTimer clock;
    clock.start();
    MarkupWindow::Picture picture;
    try {
        if (captured.image.isNull()) {
            picture = load(file);
        } else {
            // As the file records it: the screen's scale as its resolution.
            const double density = kit::MarkupStyle::pixelDensity(captured.image.width() * 72.0 / captured.pointSize.width);
            picture = {captured.image, density, QString::fromStdString(file.filename().string())};
        }
    } catch (const std::exception& e) {
        log_.error("editor not opened file={} error={}", file.string(), kit::describe(e));
        emit failed(kit::describe(e));
        return nullptr;
    }
    const QSize size = picture.image.size();
    const double density = picture.density;
    auto* window = new MarkupWindow(std::move(picture), library_, store_, recognizer_);
    windows_[key] = window;
    connect(window, &QObject::destroyed, this, [this, key] { windows_.erase(key); });
    window->show();
    window->raise();
    window->activateWindow();
    log_.info("editor opened file={} width={} height={} scale={} from={} ms={}", file.filename().string(), size.width(),
              size.height(), density, captured.image.isNull() ? "file" : "memory", clock.elapsed());
    return window;
}
