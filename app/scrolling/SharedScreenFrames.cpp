#include "app/scrolling/SharedScreenFrames.h"

#include <QCoreApplication>

#include <unistd.h>

#include <chrono>

#include <QtConcurrent/QtConcurrentRun>
#include <qcoro/qcorofuture.h>
#include <qcoro/qcorotimer.h>

#include "kit/Error.h"

namespace {

using namespace std::chrono_literals;
// The compositor sends the first picture once the stream runs; a still screen sends no more.
constexpr auto firstPictureLimit = 3s;

} // namespace

SharedScreenFrames::SharedScreenFrames(std::unique_ptr<platform::wayland::ScreenCastPortal> portal, QRect display)
    : portal_(std::move(portal)), display_(display) {}

SharedScreenFrames::~SharedScreenFrames() {
    if (pictures_) pictures_->stop();
}

QCoro::Task<void> SharedScreenFrames::open(QRect rootArea) {
    const platform::wayland::ScreenCastPortal::Grant grant = co_await portal_->open();
    const QRect shared = grant.area.isEmpty() ? display_ : grant.area;
    if (!shared.contains(rootArea)) {
        ::close(grant.fd);
        throw kit::Error(QCoreApplication::translate("ScrollCaptureController", "The shared screen doesn't show the selected area. Share the screen it is on.").toStdString());
    }
    pictures_ = RecordingModule::load().watchSharedScreen({grant.fd, grant.node, shared}, rootArea);
    ScreenPictures& pictures = *pictures_;
    QObject* inbox = &inbox_;
    // The stream may wait seconds for the compositor: not on the main thread.
    std::exception_ptr failure = co_await QtConcurrent::run([&pictures, inbox, this]() -> std::exception_ptr {
        try {
            pictures.start(
                [inbox, this](QImage picture) {
                    QMetaObject::invokeMethod(inbox, [this, picture = std::move(picture)] { received(picture); },
                                              Qt::QueuedConnection);
                },
                [inbox, this](const std::string& error) {
                    QMetaObject::invokeMethod(inbox, [this, error] { stopped_ = error; }, Qt::QueuedConnection);
                });
        } catch (...) {
            return std::current_exception();
        }
        return nullptr;
    });
    if (failure) std::rethrow_exception(failure);
    const auto deadline = std::chrono::steady_clock::now() + firstPictureLimit;
    while (latest_.isNull() && stopped_.empty() && std::chrono::steady_clock::now() < deadline)
        co_await QCoro::sleepFor(10ms);
    if (!stopped_.empty()) throw kit::Error(stopped_);
    if (latest_.isNull()) throw kit::Error(QCoreApplication::translate("ScrollCaptureController", "The shared screen sent nothing.").toStdString());
}

void SharedScreenFrames::received(QImage picture) { latest_ = std::move(picture); }

QCoro::Task<bool> SharedScreenFrames::changed() {
    if (!stopped_.empty()) throw kit::Error(stopped_);
    // The stream sends whatever changed on the whole screen: only the area counts.
    const bool differs = latest_ != lookedAt_;
    lookedAt_ = latest_;
    co_return differs;
}

QCoro::Task<QImage> SharedScreenFrames::grab() {
    if (!stopped_.empty()) throw kit::Error(stopped_);
    co_return QImage(latest_);
}
