#pragma once

#include <QMouseEvent>
#include <QPushButton>
#include <functional>
#include <utility>

namespace Demo {

// A push button that reports the press and the release of the primary mouse button, so that a
// camera motion lasts exactly as long as the button is held. The keyboard and the mnemonic only
// click it, which starts nothing: a motion without a held mouse button would never be stopped
// by the user's hand.
class HoldButton : public QPushButton {
  public:
    HoldButton(const QString& text, QWidget* parent, std::function<void()> onPress,
               std::function<void()> onRelease)
        : QPushButton(text, parent),
          pressHandler(std::move(onPress)),
          releaseHandler(std::move(onRelease)) {}

  protected:
    // The camera command goes out before the button draws itself pressed.
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) {
            pressHandler();
        }
        QPushButton::mousePressEvent(event);
    }
    // The release reaches the button that took the press wherever the pointer is by then.
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) {
            releaseHandler();
        }
        QPushButton::mouseReleaseEvent(event);
    }

  private:
    std::function<void()> pressHandler;
    std::function<void()> releaseHandler;
};

}  // namespace Demo
