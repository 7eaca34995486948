#pragma once

// A screen for the dialog's behaviour that keeps every control's state in memory and records
// the message boxes and the wait cursor, so a test reads exactly what a user would see.

#include <cstddef>
#include <functional>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "demo/DialogView.h"

namespace DemoTest {

class FakeView : public Demo::DialogView {
  public:
    struct Control {
        std::string text;
        bool checked = false;
        bool enabled = true;
        int lowest = 0;
        int highest = 0;
        std::size_t textLimit = std::numeric_limits<std::size_t>::max();
    };
    struct Box {
        std::string text;
        std::string caption;
        int waitDepth;  // wait cursors open while the box was up
    };

    FakeView() {
        using namespace Demo;
        for (int id : {IdExit, IdPort, IdLeft, IdRight, IdUp, IdDown, IdIn, IdOut, IdPowerOn,
                       IdAutoFocus, IdDigitalZoom, IdConnect, IdHome, IdZoomSpeed, IdZoomSpin,
                       IdPanSpeed, IdPanSpin, IdTiltSpeed, IdTiltSpin}) {
            controls[id];
        }
    }

    std::string text(int id) const override { return at(id).text; }
    void setText(int id, const std::string& text) override { at(id).text = text; }
    void setTextLimit(int id, std::size_t maxChars) override { at(id).textLimit = maxChars; }
    bool isChecked(int id) const override { return at(id).checked; }
    void setChecked(int id, bool checked) override { at(id).checked = checked; }
    void setEnabled(int id, bool enabled) override { at(id).enabled = enabled; }
    void setRange(int id, int lowest, int highest) override {
        at(id).lowest = lowest;
        at(id).highest = highest;
    }
    void messageBox(const std::string& text, const std::string& caption) override {
        boxes.push_back({text, caption, waitDepth});
        if (onMessageBox) {
            onMessageBox();
        }
    }
    void beginWaitCursor() override {
        ++waitDepth;
        ++waitCursors;
    }
    void endWaitCursor() override { --waitDepth; }

    // What the user does to a control before the dialog hears of it.
    void type(int id, const std::string& text) { at(id).text = text; }
    void toggle(int id) { at(id).checked = !at(id).checked; }

    bool enabled(int id) const { return at(id).enabled; }
    bool checked(int id) const { return at(id).checked; }
    const Control& control(int id) const { return at(id); }

    std::vector<Box> boxes;
    int waitDepth = 0;
    int waitCursors = 0;
    std::function<void()> onMessageBox;

  private:
    Control& at(int id) { return controls.at(id); }
    const Control& at(int id) const { return controls.at(id); }

    std::map<int, Control> controls;
};

}  // namespace DemoTest
