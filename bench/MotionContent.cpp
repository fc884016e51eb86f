// A program that repaints its window at 60 Hz with moving text and shapes, so a recording
// has something that changes in every frame. Arguments: x y width height [--noise] (noise adds
// a block of fresh random pixels per frame, content no encoder can squeeze).

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QRandomGenerator>
#include <QTimer>
#include <QWidget>

#include <cmath>

class MotionWindow : public QWidget {
public:
    MotionWindow(bool noise) : noise_(noise) {
        setWindowFlags(Qt::X11BypassWindowManagerHint | Qt::FramelessWindowHint);
        setAttribute(Qt::WA_OpaquePaintEvent);
        timer_.setTimerType(Qt::PreciseTimer);
        connect(&timer_, &QTimer::timeout, this, [this] { update(); });
        timer_.start(16);
        clock_.start();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        const double t = clock_.elapsed() / 1000.0;
        QPainter p(this);
        p.fillRect(rect(), QColor::fromHsv(int(t * 40) % 360, 80, 60));
        for (int i = 0; i < 12; ++i) {
            const double phase = t * (0.7 + i * 0.13) + i;
            const int x = int((std::sin(phase) * 0.45 + 0.5) * width());
            const int y = int((std::cos(phase * 1.3) * 0.45 + 0.5) * height());
            p.setBrush(QColor::fromHsv((i * 30 + int(t * 90)) % 360, 200, 230));
            p.setPen(Qt::NoPen);
            if (i % 2) p.drawEllipse(QPoint(x, y), 60 + i * 4, 40 + i * 3);
            else p.drawRect(x - 50, y - 50, 100 + i * 5, 100);
        }
        QFont font = p.font();
        font.setPixelSize(48);
        p.setFont(font);
        p.setPen(Qt::white);
        for (int line = 0; line < 6; ++line) {
            const int x = int(std::fmod(t * 300 + line * 250, width() + 600)) - 600;
            p.drawText(x, 120 + line * 150, QString("Glimpo frame %1 line %2").arg(frame_).arg(line));
        }
        if (noise_) {
            QImage block(width() / 4, height() / 4, QImage::Format_RGB32);
            QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(block.bits()), block.sizeInBytes() / 4);
            p.drawImage(rect(), block);
        }
        ++frame_;
    }

private:
    bool noise_;
    QTimer timer_;
    QElapsedTimer clock_;
    long frame_ = 0;
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 5) return 2;
    MotionWindow window(args.contains("--noise"));
    window.setGeometry(args[1].toInt(), args[2].toInt(), args[3].toInt(), args[4].toInt());
    window.show();
    return app.exec();
}
