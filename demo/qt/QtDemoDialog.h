#pragma once

// The Demo dialog on Qt Widgets: the controls of the dialog template (read from Demo.exe's
// resource script) at their template positions, scaled from dialog units by the dialog font,
// each with its control identifier as its object name. All behaviour lives in DemoDialog; this
// class only maps the view calls.

#include <QDialog>
#include <QString>
#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "demo/DemoDialog.h"
#include "demo/DialogView.h"

class QComboBox;
class QSpinBox;

namespace Demo {

class QtDemoDialog : public QDialog, private DialogView {
  public:
    // `ports` fills the port list; the dialog is initialised (log file named) when this returns.
    explicit QtDemoDialog(const std::vector<std::string>& ports);
    ~QtDemoDialog() override;

    // Puts `port` into the port field, as if the user had typed it.
    void selectPort(const QString& port);
    // What a click on Connect does; for a start-up that connects at once.
    void connectCamera() { behaviour->OnConnect(); }
    bool isConnected() const { return behaviour->isConnected(); }

  private:
    std::string text(int id) const override;
    void setText(int id, const std::string& text) override;
    void setTextLimit(int id, std::size_t maxChars) override;
    bool isChecked(int id) const override;
    void setChecked(int id, bool checked) override;
    void setEnabled(int id, bool enabled) override;
    void setRange(int id, int lowest, int highest) override;
    void messageBox(const std::string& text, const std::string& caption) override;
    void beginWaitCursor() override;
    void endWaitCursor() override;

    void buildControls(const std::vector<std::string>& ports);
    QWidget* control(int id) const;
    QSpinBox* speedBox(int id) const;

    std::map<int, QWidget*> controls;
    // Each up-down control's edit: one spin box shows both.
    std::map<int, int> editOfSpin;
    QComboBox* portBox = nullptr;
    // Declared last: it is destroyed first, closing the link while the widgets still exist.
    std::unique_ptr<DemoDialog> behaviour;
};

// The program icon, drawn rather than loaded so that the program needs no files beside it.
QIcon programIcon();

}  // namespace Demo
