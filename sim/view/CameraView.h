// The camera view window: one pane per camera of a PtyServer's chain, each showing what its
// camera sees, labelled with its address, with a switchable overlay of its state.
//
// It draws only when something changed: the server reports every arrival of bytes (posted to
// the window's thread), and a frame timer runs only while a camera moves or a picture settles,
// at most kFrameInterval apart. Besides that, the scene's clock wakes the window once a minute.
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

namespace camsim::view {

inline constexpr std::chrono::milliseconds kFrameInterval{33};

class CameraPane : public QWidget {
  public:
    CameraPane(int position, QSize pictureSize, QWidget* parent = nullptr);

    // Looks at the camera's state again and draws anew what changed. Returns true while the
    // picture needs further frames with no change reported: the camera moves, or its picture
    // settles.
    bool refresh(const CameraState& state, const Bytes& lastCommand, TimePoint now, QTime clock);

    void setOverlayShown(bool shown);
    // Called when the pane's size changes, which needs a new picture.
    void setResized(std::function<void()> resized) { resized_ = std::move(resized); }

    int position() const { return position_; }
    QString caption() const { return caption_; }
    const QImage& picture() const { return picture_; }
    const QStringList& overlay() const { return overlay_; }
    // Where the picture lies in the pane.
    QRect pictureRect() const;

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    int captionHeight() const;

    const int position_;
    const QSize pictureSize_;
    PictureStream stream_;
    QImage picture_;
    QString caption_;
    QStringList overlay_;
    bool overlayShown_ = true;
    std::optional<std::vector<int>> drawnKey_;
    std::function<void()> resized_;
};

class CameraViewWindow : public QMainWindow {
  public:
    explicit CameraViewWindow(PtyServer& server, QWidget* parent = nullptr);
    ~CameraViewWindow() override;

    int paneCount() const { return static_cast<int>(panes_.size()); }
    CameraPane* pane(int position) const {
        return panes_.at(static_cast<std::size_t>(position - 1));
    }
    QAction* overlayAction() const { return overlayAction_; }
    // True while a frame is due because a camera moves or a picture settles.
    bool animating() const { return frameTimer_.isActive(); }

    // Looks at every camera now.
    void refresh();

  private:
    void scheduleRefresh();
    void armMinuteTimer();

    PtyServer& server_;
    std::vector<CameraPane*> panes_;
    QAction* overlayAction_ = nullptr;
    QTimer frameTimer_;
    QTimer minuteTimer_;
    std::optional<TimePoint> lastRefresh_;
    std::atomic<bool> changePosted_{false};
};

}  // namespace camsim::view
