#include "app/scrolling/DamageFrames.h"

#include <QCoreApplication>

#include <algorithm>

#include "kit/Error.h"

DamageFrames::DamageFrames(std::shared_ptr<platform::CaptureBackend> backend) : backend_(std::move(backend)) {}

QCoro::Task<void> DamageFrames::open(QRect rootArea) {
    area_ = rootArea;
    watch_ = backend_->watchDamage();
    co_return;
}

QCoro::Task<bool> DamageFrames::changed() {
    if (watch_) {
        const auto drawn = watch_->takeDamage();
        co_return std::any_of(drawn.begin(), drawn.end(), [this](const QRect& r) { return r.intersects(area_); });
    }
    QImage now = co_await grab();
    const bool differs = now != lastSeen_;
    lastSeen_ = std::move(now);
    co_return differs;
}

QCoro::Task<QImage> DamageFrames::grab() {
    std::vector<QRect> areas{area_};
    std::vector<QImage> images = co_await backend_->grabAreas(std::move(areas));
    if (images.empty()) throw kit::Error(QCoreApplication::translate("ScrollCaptureController", "Glimpo can't read the screen.").toStdString());
    co_return std::move(images.front());
}
