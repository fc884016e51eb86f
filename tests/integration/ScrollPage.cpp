// A window for scrolling captures to be tried on: a fixed header over a scroll view of a
// generated page of numbered text lines, coloured headings and blocks, with a scroll bar. The
// wheel moves a chosen number of lines per notch, at once or smoothly. It writes the picture a
// scrolling capture of header, view and scroll bar must give (the header once, over the whole
// page, without the scroll bar) and prints that region in root pixels.
//
// scroll-page [--lines N] [--smooth] [--page-height H] [--view-height H] [--at X,Y] [--expected FILE]

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QRandomGenerator>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QVariantAnimation>
#include <QWheelEvent>

#include <cstdio>

namespace {

constexpr int lineHeight = 20, pageWidth = 760, headerHeight = 44, barWidth = 14;

QImage makePage(int height) {
    QImage page(pageWidth, height, QImage::Format_RGB32);
    page.fill(QColor(0xfb, 0xfb, 0xf8));
    QPainter painter(&page);
    QFont font("DejaVu Sans");
    font.setPixelSize(13);
    painter.setFont(font);
    QRandomGenerator random(26);
    static const char* const words[] = {"glimpo", "scroll", "capture", "page", "frame", "stitch", "header", "wheel",
                                        "pixel", "screen", "window", "line", "row", "offset", "picture", "strip",
                                        "area", "tall", "smooth", "step", "end", "bar", "text", "block"};
    int line = 0;
    for (int y = 0; y + lineHeight <= height; y += lineHeight, ++line) {
        if (line % 17 == 0) {
            // A heading on a coloured band, now and then a picture-like block below it.
            painter.fillRect(0, y, pageWidth, lineHeight, QColor::fromHsv((line * 37) % 360, 60, 235));
            painter.setPen(QColor::fromHsv((line * 37) % 360, 200, 90));
            painter.drawText(QRect(40, y, pageWidth - 60, lineHeight), Qt::AlignVCenter, QString("Section %1").arg(line / 17 + 1));
            continue;
        }
        if (line % 17 == 9 && y + 3 * lineHeight <= height) {
            QLinearGradient gradient(40, y, 40 + 300, y + 3 * lineHeight);
            gradient.setColorAt(0, QColor::fromHsv((line * 53) % 360, 150, 220));
            gradient.setColorAt(1, QColor::fromHsv((line * 53 + 90) % 360, 150, 160));
            painter.fillRect(QRect(40, y + 2, 300, 3 * lineHeight - 4), gradient);
            y += 2 * lineHeight;
            line += 2;
            continue;
        }
        painter.setPen(QColor(0x90, 0x90, 0x90));
        painter.drawText(QRect(0, y, 34, lineHeight), Qt::AlignRight | Qt::AlignVCenter, QString::number(line + 1));
        QString text;
        const int count = 4 + int(random.bounded(10));
        for (int i = 0; i < count; ++i) text += QString::fromLatin1(words[random.bounded(int(std::size(words)))]) + ' ';
        painter.setPen(QColor(0x20, 0x20, 0x28));
        painter.drawText(QRect(44, y, pageWidth - 50, lineHeight), Qt::AlignVCenter, text.trimmed());
    }
    return page;
}

QImage makeHeader(int width) {
    QImage header(width, headerHeight, QImage::Format_RGB32);
    QLinearGradient gradient(0, 0, width, headerHeight);
    gradient.setColorAt(0, QColor(0x30, 0x50, 0xa0));
    gradient.setColorAt(1, QColor(0x60, 0x30, 0x90));
    QPainter painter(&header);
    painter.fillRect(header.rect(), gradient);
    QFont font("DejaVu Sans");
    font.setPixelSize(17);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(header.rect().adjusted(16, 0, 0, 0), Qt::AlignVCenter, "A page taller than the screen");
    return header;
}

// Turns each wheel notch into an animated move of the scroll bar, as browsers do.
class SmoothWheel : public QObject {
public:
    SmoothWheel(QScrollBar& bar, QObject* parent) : QObject(parent), bar_(bar) {
        animation_.setDuration(160);
        animation_.setEasingCurve(QEasingCurve::OutCubic);
        connect(&animation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) { bar_.setValue(v.toInt()); });
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::Wheel) return false;
        const int notches = static_cast<QWheelEvent*>(event)->angleDelta().y() / 120;
        target_ = std::clamp((animation_.state() == QAbstractAnimation::Running ? target_ : bar_.value()) -
                                 notches * QApplication::wheelScrollLines() * bar_.singleStep(),
                             bar_.minimum(), bar_.maximum());
        animation_.stop();
        animation_.setStartValue(bar_.value());
        animation_.setEndValue(target_);
        animation_.start();
        return true;
    }

private:
    QScrollBar& bar_;
    QVariantAnimation animation_;
    int target_ = 0;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int lines = 3, pageHeight = 6000, viewHeight = 600;
    bool smooth = false;
    QPoint at(60, 40);
    QString expectedFile;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        const QString next = i + 1 < args.size() ? args[i + 1] : QString();
        if (args[i] == "--lines") lines = next.toInt(), ++i;
        else if (args[i] == "--smooth") smooth = true;
        else if (args[i] == "--page-height") pageHeight = next.toInt(), ++i;
        else if (args[i] == "--view-height") viewHeight = next.toInt(), ++i;
        else if (args[i] == "--at") at = QPoint(next.section(',', 0, 0).toInt(), next.section(',', 1, 1).toInt()), ++i;
        else if (args[i] == "--expected") expectedFile = next, ++i;
    }
    QApplication::setWheelScrollLines(lines);

    const QImage page = makePage(pageHeight);
    const QImage header = makeHeader(pageWidth + barWidth);
    QWidget window;
    window.setWindowTitle("Scroll Page");
    auto* column = new QVBoxLayout(&window);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* top = new QLabel(&window);
    top->setPixmap(QPixmap::fromImage(header));
    top->setFixedSize(header.size());
    column->addWidget(top);
    auto* view = new QScrollArea(&window);
    view->setFrameShape(QFrame::NoFrame);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->verticalScrollBar()->setStyleSheet(QString("QScrollBar:vertical { background: #dcdcdc; width: %1px; margin: 0; border: none; }"
                                                     "QScrollBar::handle:vertical { background: #8a8a8a; min-height: 24px; }"
                                                     "QScrollBar::add-line, QScrollBar::sub-line { height: 0; border: none; }"
                                                     "QScrollBar::add-page, QScrollBar::sub-page { background: none; }")
                                                 .arg(barWidth));
    view->verticalScrollBar()->setSingleStep(lineHeight);
    auto* content = new QLabel;
    content->setPixmap(QPixmap::fromImage(page));
    content->setFixedSize(page.size());
    view->setWidget(content);
    view->setFixedSize(pageWidth + barWidth, viewHeight);
    column->addWidget(view);
    if (smooth) view->viewport()->installEventFilter(new SmoothWheel(*view->verticalScrollBar(), &window));
    window.move(at);
    window.show();

    if (!expectedFile.isEmpty()) {
        QImage expected(pageWidth, headerHeight + pageHeight, QImage::Format_RGB32);
        QPainter painter(&expected);
        painter.drawImage(0, 0, header, 0, 0, pageWidth, headerHeight);
        painter.drawImage(0, headerHeight, page);
        painter.end();
        if (!expected.save(expectedFile)) return 1;
    }
    // Once the window manager has placed it: the region to drag over, in root pixels.
    QTimer::singleShot(300, &window, [&] {
        const QPoint origin = top->mapToGlobal(QPoint(0, 0));
        std::printf("area %d %d %d %d\n", origin.x(), origin.y(), pageWidth + barWidth, headerHeight + viewHeight);
        std::fflush(stdout);
    });
    return app.exec();
}
