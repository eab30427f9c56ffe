#include "timelinebench.h"

#include "appsetup.h"
#include "threadclock.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QQuickItem>
#include <QQuickWindow>
#include <QRandomGenerator>

#include <functional>
#include <stdexcept>

namespace TimelineBench {

bool waitUntil(const std::function<bool()>& done, int milliseconds)
{
    QDeadlineTimer deadline(milliseconds);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        // The application's own loop deletes rows that left the list as soon as it gets back
        // control; a loop nested in a handler, as here, does not, so it is asked to.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

namespace {

// A photograph-like picture: gradients, shapes and grain, so that decoding has work to do.
QByteArray photograph(int seed, int width, int height, const char* format)
{
    QRandomGenerator random{quint32(seed)};
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient light(0, 0, width, height);
    light.setColorAt(0, QColor::fromHsv(random.bounded(360), 120, 240));
    light.setColorAt(1, QColor::fromHsv(random.bounded(360), 180, 90));
    painter.fillRect(image.rect(), light);
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 40; ++i) {
        painter.setBrush(QColor::fromHsv(random.bounded(360), 150, 200, 120));
        painter.drawEllipse(QPointF(random.bounded(width), random.bounded(height)),
                            random.bounded(20, 300), random.bounded(20, 300));
    }
    painter.end();
    for (int y = 0; y < height; y += 3) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; x += 3)
            line[x] ^= random.bounded(0x000f0f0f);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

struct Visible
{
    int rows = 0;
    int pictures = 0;
    bool complete = false;
};

// The memo rows inside the list's viewport and whether their pictures are all decoded.
Visible visibleRows(QQuickItem* list)
{
    Visible visible;
    if (!list)
        return visible;
    auto* content = list->property("contentItem").value<QQuickItem*>();
    const qreal top = list->property("contentY").toReal();
    const qreal bottom = top + list->height();
    bool loading = false;
    for (QQuickItem* slot : content->childItems()) {
        if (!slot->isVisible() || slot->y() + slot->height() <= top || slot->y() >= bottom)
            continue;
        QList<QQuickItem*> pending{slot};
        bool isRow = false;
        while (!pending.isEmpty()) {
            QQuickItem* next = pending.takeLast();
            isRow = isRow || next->objectName().startsWith(QLatin1String("memoRow:"));
            if (qstrcmp(next->metaObject()->className(), "QQuickImage") == 0 &&
                !next->property("source").toUrl().isEmpty()) {
                // 1 is Image.Ready, 2 Image.Loading.
                const int status = next->property("status").toInt();
                loading = loading || status == 2;
                visible.pictures += status == 1 ? 1 : 0;
            }
            pending.append(next->childItems());
        }
        visible.rows += isRow ? 1 : 0;
    }
    visible.complete = visible.rows > 0 && !loading;
    return visible;
}

} // namespace

void makePicturesDecodable(const QString& vault)
{
    // A few distinct photographs, reused: the timeline decodes each file anyway.
    QList<QByteArray> jpegs;
    QList<QByteArray> pngs;
    for (int i = 0; i < 6; ++i) {
        const bool landscape = i % 3 != 2;
        const int width = landscape ? 1600 : 1000;
        const int height = landscape ? 1200 : 1400;
        jpegs.append(photograph(i, width, height, "JPG"));
        pngs.append(photograph(i + 100, width / 2, height / 2, "PNG"));
    }
    QDirIterator files(vault + QStringLiteral("/Attachments"), QDir::Files);
    int index = 0;
    while (files.hasNext()) {
        const QString path = files.next();
        const QList<QByteArray>& pictures = path.endsWith(QLatin1String(".png")) ? pngs : jpegs;
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw std::runtime_error("cannot rewrite " + path.toStdString());
        file.write(pictures.at(index++ % pictures.size()));
    }
}

qint64 residentKib()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

FrameClock::FrameClock(QQuickWindow* window) : m_window(window)
{
    QObject::connect(window, &QQuickWindow::frameSwapped, window, [this]() { ++m_frames; });
}

bool FrameClock::nextFrame()
{
    const int seen = m_frames;
    m_window->requestUpdate();
    return waitUntil([&] { return m_frames > seen; }, 10000);
}

namespace {

// Frame by frame, until a frame shows every row in view with its pictures (checked as each
// frame reaches the screen). The time is taken from `since`, or else from the first frame that
// shows the timeline.
FirstScreen untilComplete(QQuickWindow* window, const QElapsedTimer* since = nullptr)
{
    QElapsedTimer timer;
    if (since)
        timer = *since;
    FirstScreen result;
    bool running = since != nullptr;
    bool done = false;
    const QMetaObject::Connection watch =
        QObject::connect(window, &QQuickWindow::frameSwapped, window, [&]() {
            QQuickItem* list = findItemIn(window->contentItem(), QStringLiteral("timelineList"));
            if (!list || done)
                return;
            if (!running) {
                running = true;
                timer.start();
            }
            const Visible visible = visibleRows(list);
            if (visible.complete) {
                done = true;
                result = {double(timer.nsecsElapsed()) / 1e6, visible.rows, visible.pictures};
            }
        });
    window->requestUpdate();
    const bool finished = waitUntil(
        [&] {
            if (running && !done)
                window->requestUpdate();
            return done;
        },
        600000);
    QObject::disconnect(watch);
    if (!finished)
        throw std::runtime_error("the timeline's screen did not complete");
    return result;
}

} // namespace

FirstScreen timeFirstScreen(QQuickWindow* window)
{
    return untilComplete(window);
}

FirstScreen timeScreenWithPictures(QQuickWindow* window, FrameClock& clock)
{
    QQuickItem* list = findItemIn(window->contentItem(), QStringLiteral("timelineList"));
    auto* model = list ? list->property("model").value<QObject*>() : nullptr;
    if (!model)
        throw std::runtime_error("no timeline");
    const int count = model->property("count").toInt();
    int target = -1;
    // Half way down, so that none of it was decoded before.
    for (int row = count / 2; row < count && target < 0; ++row) {
        QVariant images;
        QMetaObject::invokeMethod(model, "valueAt", Q_RETURN_ARG(QVariant, images), Q_ARG(int, row),
                                  Q_ARG(QString, QStringLiteral("images")));
        if (images.toList().size() >= 2)
            target = row;
    }
    if (target < 0)
        throw std::runtime_error("no memo with pictures");
    clock.nextFrame();
    QElapsedTimer since;
    since.start();
    // ListView.Beginning
    QMetaObject::invokeMethod(list, "positionViewAtIndex", Q_ARG(int, target), Q_ARG(int, 1));
    return untilComplete(window, &since);
}

QList<double> redrawFloor(QQuickWindow* window, FrameClock& clock, int frames)
{
    QQuickItem* list = findItemIn(window->contentItem(), QStringLiteral("timelineList"));
    if (!list)
        throw std::runtime_error("no timeline");
    QList<double> samples;
    for (int frame = 0; frame < frames; ++frame) {
        QElapsedTimer timer;
        timer.start();
        // One pixel down and back: every row in view is drawn again, none is made.
        list->setProperty("contentY", list->property("contentY").toReal() + (frame % 2 ? -1 : 1));
        if (!clock.nextFrame())
            throw std::runtime_error("no frame while redrawing");
        samples.append(double(timer.nsecsElapsed()) / 1e6);
    }
    return samples;
}

Scroll scrollStream(QQuickWindow* window, FrameClock& clock, double step, int maxFrames)
{
    QQuickItem* list = findItemIn(window->contentItem(), QStringLiteral("timelineList"));
    if (!list)
        throw std::runtime_error("no timeline");
    QMetaObject::invokeMethod(list, "positionViewAtBeginning");
    clock.nextFrame();
    Scroll scroll;
    const int count = list->property("count").toInt();
    int quarter = 1;
    while (!list->property("atYEnd").toBool() &&
           (maxFrames < 0 || scroll.frameMilliseconds.size() < maxFrames)) {
        const int frames = clock.frames();
        QElapsedTimer timer;
        timer.start();
        const double cpuStart = threadCpuMs();
        list->setProperty("contentY", list->property("contentY").toReal() + step);
        window->requestUpdate();
        if (!waitUntil([&] { return clock.frames() > frames; }, 10000))
            throw std::runtime_error("no frame while scrolling");
        scroll.frameMilliseconds.append(double(timer.nsecsElapsed()) / 1e6);
        scroll.cpuMilliseconds.append(threadCpuMs() - cpuStart);
        int top = -1;
        QMetaObject::invokeMethod(list, "indexAt", Q_RETURN_ARG(int, top), Q_ARG(qreal, 1),
                                  Q_ARG(qreal, list->property("contentY").toReal() + 1));
        scroll.rowsPassed = std::max(scroll.rowsPassed, top + 1);
        while (quarter <= 4 && scroll.rowsPassed * 4 >= quarter * count) {
            scroll.residentKib.append(residentKib());
            ++quarter;
        }
    }
    while (scroll.residentKib.size() < 4)
        scroll.residentKib.append(residentKib());
    return scroll;
}

} // namespace TimelineBench
