#include "sim/view/CameraView.h"

#include <QAction>
#include <QFontDatabase>
#include <QGridLayout>
#include <QMenuBar>
#include <QPainter>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>

#include "sim/view/Overlay.h"

namespace Camsim::View {

namespace {

// Everything the picture depends on; the overlay is compared as text.
std::vector<int> pictureKey(const CameraState& s, QSize size, QTime clock) {
    return {s.power,
            s.pan,
            s.tilt,
            s.zoom,
            s.digitalZoom,
            s.autoFocus,
            s.focus,
            s.wbMode,
            s.rGain,
            s.bGain,
            s.aeMode,
            s.shutter,
            s.iris,
            s.gain,
            s.bright,
            s.expCompOn,
            s.expComp,
            s.backlight,
            s.aperture,
            s.wideMode,
            s.lrReverse,
            s.freeze,
            s.pictureEffect,
            s.digitalEffect,
            s.digitalEffectLevel,
            s.dataScreen,
            size.width(),
            size.height(),
            clock.hour() * 60 + clock.minute()};
}

// Panes in rows of up to three; four and more in two rows (seven in rows of four and three).
int columnsFor(int panes) { return panes <= 3 ? panes : (panes + 1) / 2; }

QSize pictureSizeFor(int panes) {
    if (panes <= 2) return QSize(480, 360);
    if (panes <= 4) return QSize(400, 300);
    return QSize(320, 240);
}

}  // namespace

CameraPane::CameraPane(int position, QSize size, QWidget* parent)
    : QWidget(parent), panePosition(position), pictureSize(size) {
    setObjectName(QStringLiteral("camera%1").arg(position));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(160, 120 + captionHeight());
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

int CameraPane::captionHeight() const { return fontMetrics().height() + 6; }

QSize CameraPane::sizeHint() const {
    return QSize(pictureSize.width(), pictureSize.height() + captionHeight());
}

QRect CameraPane::pictureRect() const {
    const QRect area(0, captionHeight(), width(), std::max(0, height() - captionHeight()));
    // A 4:3 picture, as large as fits.
    QSize size(4, 3);
    size.scale(area.size(), Qt::KeepAspectRatio);
    QRect r(QPoint(0, 0), size);
    r.moveCenter(area.center());
    return r;
}

bool CameraPane::refresh(const CameraState& state, const Bytes& lastCommand, TimePoint now,
                         QTime clock) {
    const QString caption =
        state.address >= 1
            ? QStringLiteral("Camera %1 \u00b7 address %2").arg(panePosition).arg(state.address)
            : QStringLiteral("Camera %1 \u00b7 no address").arg(panePosition);
    const QStringList overlay = overlayLines(state, lastCommand);
    const bool moving = state.panTiltMoving || state.zoomMoving || state.focusMoving;
    const QSize size = pictureRect().size();
    std::vector<int> key = pictureKey(state, size, clock);

    bool changed = caption != captionText || (overlayShown && overlay != shownOverlay);
    captionText = caption;
    shownOverlay = overlay;
    if (!size.isEmpty() && (!drawnKey || *drawnKey != key || moving || stream.settling())) {
        currentPicture = stream.next(state, size, clock, now);
        drawnKey = std::move(key);
        changed = true;
    }
    if (changed) update();
    return moving || stream.settling();
}

void CameraPane::setOverlayShown(bool shown) {
    overlayShown = shown;
    update();
}

void CameraPane::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(36, 37, 42));
    p.setPen(QColor(225, 228, 235));
    p.drawText(QRect(8, 0, width() - 16, captionHeight()), Qt::AlignLeft | Qt::AlignVCenter,
               captionText);

    const QRect target = pictureRect();
    if (!currentPicture.isNull()) p.drawImage(target, currentPicture);
    if (!overlayShown || shownOverlay.isEmpty()) return;

    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(std::clamp(target.height() / 34, 8, 12));
    p.setFont(font);
    const QFontMetrics metrics(font);
    int textWidth = 0;
    for (const QString& line : shownOverlay) {
        textWidth = std::max(textWidth, metrics.horizontalAdvance(line));
    }
    const int lineHeight = metrics.height();
    // At the bottom, where the ground is, so that the middle of the picture stays clear.
    const int boxHeight = std::min(target.height() - 12, lineHeight * int(shownOverlay.size()) + 8);
    const QRect box(target.left() + 6, target.bottom() - 5 - boxHeight,
                    std::min(target.width() - 12, textWidth + 12), boxHeight);
    p.fillRect(box, QColor(0, 0, 0, 120));
    p.setClipRect(box);
    p.setPen(QColor(235, 240, 245));
    int y = box.top() + 4 + metrics.ascent();
    for (const QString& line : shownOverlay) {
        p.drawText(box.left() + 6, y, line);
        y += lineHeight;
    }
}

void CameraPane::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (resized) resized();
}

CameraViewWindow::CameraViewWindow(PtyServer& watched, QWidget* parent)
    : QMainWindow(parent), server(watched) {
    const int count = server.cameraCount();
    setWindowTitle(QStringLiteral("quorvin-camsim: %1 camera%2 on %3")
                       .arg(count)
                       .arg(count == 1 ? QString() : QStringLiteral("s"))
                       .arg(QString::fromStdString(server.devicePath())));

    auto* central = new QWidget(this);
    auto* grid = new QGridLayout(central);
    grid->setContentsMargins(2, 2, 2, 2);
    grid->setSpacing(2);
    const int columns = columnsFor(count);
    for (int i = 0; i < count; ++i) {
        auto* pane = new CameraPane(i + 1, pictureSizeFor(count), central);
        pane->setResized([this] { scheduleRefresh(); });
        grid->addWidget(pane, i / columns, i % columns);
        panes.push_back(pane);
    }
    setCentralWidget(central);

    QMenu* menu = menuBar()->addMenu(QStringLiteral("&View"));
    overlayToggle = menu->addAction(QStringLiteral("&Overlay"));
    overlayToggle->setCheckable(true);
    overlayToggle->setChecked(true);
    overlayToggle->setShortcut(QKeySequence(Qt::Key_O));
    connect(overlayToggle, &QAction::toggled, this, [this](bool shown) {
        for (CameraPane* pane : panes) pane->setOverlayShown(shown);
    });
    menu->addSeparator();
    QAction* quit = menu->addAction(QStringLiteral("&Quit"));
    quit->setShortcut(QKeySequence::Quit);
    connect(quit, &QAction::triggered, this, &QWidget::close);

    frameTimer.setSingleShot(true);
    connect(&frameTimer, &QTimer::timeout, this, [this] { refresh(); });
    minuteTimer.setSingleShot(true);
    connect(&minuteTimer, &QTimer::timeout, this, [this] {
        scheduleRefresh();
        armMinuteTimer();
    });
    armMinuteTimer();

    // Many frames may arrive before the window gets round to them: one posted look is enough.
    server.setChangeListener([this] {
        if (!changePosted.exchange(true)) {
            QMetaObject::invokeMethod(
                this,
                [this] {
                    changePosted = false;
                    scheduleRefresh();
                },
                Qt::QueuedConnection);
        }
    });
    refresh();
}

CameraViewWindow::~CameraViewWindow() {
    // Waits for a notification in progress; none comes after this.
    server.setChangeListener({});
}

void CameraViewWindow::armMinuteTimer() {
    const QTime now = QTime::currentTime();
    const int intoMinute = now.second() * 1000 + now.msec();
    minuteTimer.start(60000 - intoMinute + 20);
}

void CameraViewWindow::scheduleRefresh() {
    if (frameTimer.isActive()) return;  // a frame is due anyway
    using std::chrono::duration_cast;
    using std::chrono::milliseconds;
    milliseconds wait{0};
    if (lastRefresh) {
        const auto since = duration_cast<milliseconds>(Clock::now() - *lastRefresh);
        wait = std::max(milliseconds(0), FRAME_INTERVAL - since);
    }
    frameTimer.start(wait);
}

void CameraViewWindow::refresh() {
    const TimePoint now = Clock::now();
    const QTime clock = QTime::currentTime();
    bool more = false;
    for (CameraPane* pane : panes) {
        const int position = pane->position();
        more = pane->refresh(server.camera(position), server.lastCommand(position), now, clock) ||
               more;
    }
    lastRefresh = now;
    if (more) {
        frameTimer.start(FRAME_INTERVAL);
    } else {
        frameTimer.stop();
    }
}

}  // namespace Camsim::View
