// The camera view window: one pane per camera of a PtyServer's chain, each showing what its
// camera sees, labelled with its address, with a switchable overlay of its state.
//
// It draws only when something changed: the server reports every arrival of bytes (posted to
// the window's thread), and a frame timer runs only while a camera moves or a picture settles,
// at most FRAME_INTERVAL apart. Besides that, the scene's clock wakes the window once a minute.
#pragma once

#include <QImage>
#include <QMainWindow>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <vector>

#include "sim/PtyServer.h"
#include "sim/view/Picture.h"

class QAction;

namespace Camsim::View {

inline constexpr std::chrono::milliseconds FRAME_INTERVAL{33};

class CameraPane : public QWidget {
  public:
    CameraPane(int position, QSize size, QWidget* parent = nullptr);

    // Looks at the camera's state again and draws anew what changed. Returns true while the
    // picture needs further frames with no change reported: the camera moves, or its picture
    // settles.
    bool refresh(const CameraState& state, const Bytes& lastCommand, TimePoint now, QTime clock);

    void setOverlayShown(bool shown);
    // Called when the pane's size changes, which needs a new picture.
    void setResized(std::function<void()> onResize) { resized = std::move(onResize); }

    int position() const { return panePosition; }
    QString caption() const { return captionText; }
    const QImage& picture() const { return currentPicture; }
    const QStringList& overlay() const { return shownOverlay; }
    // Where the picture lies in the pane.
    QRect pictureRect() const;

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    int captionHeight() const;

    const int panePosition;
    const QSize pictureSize;
    PictureStream stream;
    QImage currentPicture;
    QString captionText;
    QStringList shownOverlay;
    bool overlayShown = true;
    std::optional<std::vector<int>> drawnKey;
    std::function<void()> resized;
};

class CameraViewWindow : public QMainWindow {
  public:
    explicit CameraViewWindow(PtyServer& watched, QWidget* parent = nullptr);
    ~CameraViewWindow() override;

    int paneCount() const { return static_cast<int>(panes.size()); }
    CameraPane* pane(int position) const {
        return panes.at(static_cast<std::size_t>(position - 1));
    }
    QAction* overlayAction() const { return overlayToggle; }
    // True while a frame is due because a camera moves or a picture settles.
    bool animating() const { return frameTimer.isActive(); }

    // Looks at every camera now.
    void refresh();

  private:
    void scheduleRefresh();
    void armMinuteTimer();

    PtyServer& server;
    std::vector<CameraPane*> panes;
    QAction* overlayToggle = nullptr;
    QTimer frameTimer;
    QTimer minuteTimer;
    std::optional<TimePoint> lastRefresh;
    std::atomic<bool> changePosted{false};
};

}  // namespace Camsim::View
