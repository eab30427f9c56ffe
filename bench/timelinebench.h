#pragma once

#include <QList>
#include <QString>

#include <functional>

class QQuickItem;
class QQuickWindow;

// The memo timeline's figures on a window that shows it: how long the first screen takes to be
// complete, frame times while scrolling, and memory as the stream goes by.
namespace TimelineBench {

// Replaces the generated vault's placeholder pictures (random bytes behind an image header) with
// real photographs of the same names, so that the timeline decodes what it shows.
void makePicturesDecodable(const QString& vault);

// Runs the event loop until `done` holds; false when `milliseconds` passed first.
bool waitUntil(const std::function<bool()>& done, int milliseconds);

// The resident memory of this process, in KiB.
qint64 residentKib();

struct FirstScreen
{
    double milliseconds = 0; // from the timeline's first frame to the frame that completes it
    int rows = 0;            // memo rows on that screen
    int pictures = 0;        // pictures decoded for them
};

struct Scroll
{
    QList<double> frameMilliseconds;
    // The interface thread's CPU time in each of those frames (it also draws them): what a
    // frame costs whatever else the machine runs.
    QList<double> cpuMilliseconds;
    // Resident memory after each quarter of the stream, in KiB.
    QList<qint64> residentKib;
    int rowsPassed = 0;
};

// Counts the window's frames for the functions below; make it before the window first shows.
class FrameClock
{
public:
    explicit FrameClock(QQuickWindow* window);
    int frames() const { return m_frames; }
    // Asks for a frame and waits for it; false when none comes within ten seconds.
    bool nextFrame();

private:
    QQuickWindow* m_window;
    int m_frames = 0;
};

// From the first frame showing the timeline until every row in view and every picture in
// those rows are on screen. Call before the timeline first shows.
FirstScreen timeFirstScreen(QQuickWindow* window);
// The same after jumping to a memo with pictures half way down the stream.
FirstScreen timeScreenWithPictures(QQuickWindow* window, FrameClock& clock);
// Frame times of drawing the rows in view again without making any: what the renderer alone
// costs, the floor of the scrolling figures.
QList<double> redrawFloor(QQuickWindow* window, FrameClock& clock, int frames);
// Scrolls the timeline from the top to the bottom, `step` pixels a frame (all of it, or
// `maxFrames`).
Scroll scrollStream(QQuickWindow* window, FrameClock& clock, double step, int maxFrames = -1);

} // namespace TimelineBench
