#pragma once

// The dialog template as data, for a view that lays the controls out itself. The rows are read
// from the resource script that Demo.exe is built from (DialogTemplate.cmake writes them into
// DialogTemplateData.h), so the two views show one template.

#include "demo/DialogView.h"

namespace Demo {

// Dialog units: a horizontal unit is a quarter of the dialog font's average character width, a
// vertical unit an eighth of its height.
struct TemplateRect {
    int x;
    int y;
    int width;
    int height;
};

// The resource statements the template uses. An up-down control belongs to the edit just
// before it in tab order.
enum class TemplateKind {
    ComboBox,
    PushButton,
    DefaultPushButton,
    CheckBox,
    Edit,
    UpDown,
    GroupBox,
    Label
};

struct TemplateControl {
    TemplateKind kind;
    int id;  // a ControlId; 0 for the static controls, which have none
    const char* text;
    TemplateRect rect;
};

struct DialogTemplate {
    const char* caption;
    const char* font;
    int fontPoints;
    int width;
    int height;
};

}  // namespace Demo
