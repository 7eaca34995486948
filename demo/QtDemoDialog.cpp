#include "demo/QtDemoDialog.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <algorithm>
#include <limits>
#include <vector>

#include "demo/HoldButton.h"
#include "ports/PortList.h"

namespace Demo {

namespace {

// Dialog units, as the template gives them: x, y, width, height.
struct Rect {
    int x;
    int y;
    int width;
    int height;
};

constexpr int DialogWidth = 379;
constexpr int DialogHeight = 202;

enum class Kind { Combo, Button, HoldButton, CheckBox, Speed, Group, Label };

struct Placement {
    int id;  // 0 for the static controls, which have no identifier
    Kind kind;
    const char* text;
    Rect rect;
};

// In tab order. A speed edit and its up-down control are one spin box spanning both.
const Placement placements[] = {
    {IdPort, Kind::Combo, "", {51, 27, 48, 30}},
    {IdConnect, Kind::Button, "&Connect", {123, 25, 50, 14}},
    {IdPowerOn, Kind::CheckBox, "Power On", {179, 29, 48, 10}},
    {IdAutoFocus, Kind::CheckBox, "Auto Focus", {237, 29, 56, 10}},
    {IdDigitalZoom, Kind::CheckBox, "Digital Zoom", {299, 29, 64, 10}},
    {IdZoomSpeed, Kind::Speed, "", {72, 79, 103 + 11 - 72, 14}},
    {IdPanSpeed, Kind::Speed, "", {72, 103, 103 + 11 - 72, 14}},
    {IdTiltSpeed, Kind::Speed, "", {72, 127, 103 + 11 - 72, 14}},
    {IdIn, Kind::HoldButton, "&In", {151, 86, 40, 14}},
    {IdOut, Kind::HoldButton, "&Out", {151, 112, 40, 14}},
    {IdHome, Kind::Button, "&Home", {271, 98, 40, 14}},
    {IdUp, Kind::HoldButton, "&Up", {271, 70, 40, 14}},
    {IdDown, Kind::HoldButton, "&Down", {271, 130, 40, 14}},
    {IdLeft, Kind::HoldButton, "&Left", {223, 98, 40, 14}},
    {IdRight, Kind::HoldButton, "&Right", {319, 98, 40, 14}},
    {IdExit, Kind::Button, "E&xit", {319, 181, 50, 14}},
    {0, Kind::Group, "", {14, 15, 354, 31}},
    {0, Kind::Label, "Port:", {23, 29, 21, 8}},
    {0, Kind::Group, "Speed", {15, 58, 113, 96}},
    {0, Kind::Label, "Zoom Speed:", {22, 82, 45, 8}},
    {0, Kind::Label, "Pan Speed:", {22, 106, 40, 8}},
    {0, Kind::Label, "Tilt Speed:", {22, 130, 45, 8}},
    {0, Kind::Group, "Zoom", {136, 58, 70, 96}},
    {0, Kind::Group, "Move", {213, 58, 156, 96}},
};

// The up-down control of each speed edit is the spin box's own arrows.
int editOf(int id) {
    switch (id) {
        case IdZoomSpin:
            return IdZoomSpeed;
        case IdPanSpin:
            return IdPanSpeed;
        case IdTiltSpin:
            return IdTiltSpeed;
        default:
            return id;
    }
}

// Converts dialog units to pixels the way the template's platform does: a horizontal unit is a
// quarter of the font's average character width, a vertical unit an eighth of its height.
class DialogUnits {
  public:
    explicit DialogUnits(const QFont& font) {
        const QFontMetrics metrics(font);
        const QString alphabet =
            QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
        baseX = (metrics.horizontalAdvance(alphabet) / 26 + 1) / 2;
        baseY = metrics.height();
    }
    int x(int units) const { return (units * baseX + 2) / 4; }
    int y(int units) const { return (units * baseY + 4) / 8; }
    QRect rect(const Rect& r) const {
        return QRect(x(r.x), y(r.y), x(r.x + r.width) - x(r.x), y(r.y + r.height) - y(r.y));
    }

  private:
    int baseX;
    int baseY;
};

// Read-only text with working arrows and arrow keys: only the up-down part changes the value.
class SpeedBox : public QSpinBox {
  public:
    explicit SpeedBox(QWidget* parent) : QSpinBox(parent) { lineEdit()->setReadOnly(true); }
};

QFont dialogFont() {
    QFont font = QApplication::font();
    // The template's font where it exists; otherwise the metric twin of the usual Windows sans.
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), font.family()});
    font.setPointSize(9);
    return font;
}

QPixmap drawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 32.0, size / 32.0);
    // A camera head on a pan/tilt base.
    painter.setPen(QPen(QColor(30, 40, 60), 1.2));
    painter.setBrush(QColor(70, 90, 120));
    painter.drawRect(QRectF(12, 22, 8, 5));
    painter.drawRoundedRect(QRectF(6, 26, 20, 4), 1.5, 1.5);
    painter.setBrush(QColor(200, 205, 215));
    painter.drawRoundedRect(QRectF(3, 6, 22, 15), 3, 3);
    QPainterPath hood;
    hood.moveTo(25, 9);
    hood.lineTo(30, 6);
    hood.lineTo(30, 21);
    hood.lineTo(25, 18);
    hood.closeSubpath();
    painter.drawPath(hood);
    painter.setBrush(QColor(20, 30, 45));
    painter.drawEllipse(QPointF(14, 13.5), 5, 5);
    painter.setBrush(QColor(80, 160, 230));
    painter.drawEllipse(QPointF(14, 13.5), 2.5, 2.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(220, 40, 40));
    painter.drawEllipse(QPointF(7, 9), 1.3, 1.3);
    return pixmap;
}

}  // namespace

QIcon programIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128}) {
        icon.addPixmap(drawIcon(size));
    }
    return icon;
}

QtDemoDialog::QtDemoDialog(const std::vector<std::string>& ports)
    : QDialog(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                           Qt::MSWindowsFixedSizeDialogHint),
      behaviour(
          std::make_unique<DemoDialog>(static_cast<DialogView&>(*this), Quorvin::portNameLimit())) {
    setWindowTitle(QStringLiteral("Quorvin Demo"));
    setWindowIcon(programIcon());
    setFont(dialogFont());
    buildControls(ports);
    if (behaviour->OnInitDialog()) {
        portBox->setFocus();
    }
}

QtDemoDialog::~QtDemoDialog() = default;

void QtDemoDialog::buildControls(const std::vector<std::string>& ports) {
    const DialogUnits units(font());
    setFixedSize(units.x(DialogWidth), units.y(DialogHeight));

    for (const Placement& placement : placements) {
        const QString text = QString::fromUtf8(placement.text);
        QRect geometry = units.rect(placement.rect);
        QWidget* widget = nullptr;
        switch (placement.kind) {
            case Kind::Combo: {
                portBox = new QComboBox(this);
                portBox->setEditable(true);
                portBox->setInsertPolicy(QComboBox::NoInsert);
                for (const std::string& port : ports) {
                    portBox->addItem(QString::fromStdString(port));
                }
                // The template's height includes the drop-down list; the field is one line.
                geometry.setHeight(units.y(14));
                geometry.moveTop(units.y(placement.rect.y) - units.y(1));
                // Device paths are longer than the field; the open list shows them whole.
                int listWidth = geometry.width();
                const QFontMetrics metrics(font());
                for (int i = 0; i < portBox->count(); ++i) {
                    listWidth =
                        std::max(listWidth, metrics.horizontalAdvance(portBox->itemText(i)) + 32);
                }
                portBox->view()->setMinimumWidth(listWidth);
                widget = portBox;
                break;
            }
            case Kind::Button: {
                auto* button = new QPushButton(text, this);
                const int id = placement.id;
                if (id == IdExit) {
                    QObject::connect(button, &QPushButton::clicked, this, &QDialog::reject);
                } else if (id == IdConnect) {
                    QObject::connect(button, &QPushButton::clicked, this,
                                     [this] { behaviour->OnConnect(); });
                } else {
                    button->setDefault(true);
                    QObject::connect(button, &QPushButton::clicked, this,
                                     [this] { behaviour->OnHome(); });
                }
                widget = button;
                break;
            }
            case Kind::HoldButton: {
                const int id = placement.id;
                widget = new HoldButton(
                    text, this, [this, id] { behaviour->OnHoldButtonDown(id); },
                    [this, id] { behaviour->OnHoldButtonUp(id); });
                break;
            }
            case Kind::CheckBox: {
                auto* box = new QCheckBox(text, this);
                void (DemoDialog::*handler)() = placement.id == IdPowerOn ? &DemoDialog::OnPowerOn
                                                : placement.id == IdAutoFocus
                                                    ? &DemoDialog::OnAutoFocus
                                                    : &DemoDialog::OnDigitalZoom;
                // clicked comes after the box toggled itself, from the mouse and the keyboard.
                QObject::connect(box, &QCheckBox::clicked, this,
                                 [this, handler] { (behaviour.get()->*handler)(); });
                widget = box;
                break;
            }
            case Kind::Speed:
                widget = new SpeedBox(this);
                break;
            case Kind::Group:
                widget = new QGroupBox(text, this);
                // The title sits in the frame's top line, and the frame starts half a line
                // below the box's top, so the template's positions inside it keep their margins.
                widget->setStyleSheet(
                    QStringLiteral("QGroupBox { border: 1px solid palette(mid); margin-top: %1px; }"
                                   "QGroupBox::title { subcontrol-origin: margin; left: %2px;"
                                   " padding: 0 %3px; }")
                        .arg(QFontMetrics(font()).height() / 2)
                        .arg(units.x(4))
                        .arg(units.x(1)));
                break;
            case Kind::Label:
                widget = new QLabel(text, this);
                break;
        }
        widget->setGeometry(geometry);
        if (placement.id != 0) {
            widget->setObjectName(QString::number(placement.id));
            controls[placement.id] = widget;
        }
        if (placement.kind == Kind::Group) {
            // Frames are drawn under the controls they surround.
            widget->lower();
        }
    }
}

QWidget* QtDemoDialog::control(int id) const {
    const auto found = controls.find(editOf(id));
    return found == controls.end() ? nullptr : found->second;
}

QSpinBox* QtDemoDialog::speedBox(int id) const { return qobject_cast<QSpinBox*>(control(id)); }

void QtDemoDialog::selectPort(const QString& port) { portBox->setCurrentText(port); }

std::string QtDemoDialog::text(int id) const {
    QWidget* widget = control(id);
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        return combo->currentText().toStdString();
    }
    if (auto* spin = qobject_cast<QSpinBox*>(widget)) {
        return QString::number(spin->value()).toStdString();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        return button->text().toStdString();
    }
    return std::string();
}

void QtDemoDialog::setText(int id, const std::string& text) {
    QWidget* widget = control(id);
    const QString value = QString::fromStdString(text);
    if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        combo->setCurrentText(value);
    } else if (auto* spin = qobject_cast<QSpinBox*>(widget)) {
        spin->setValue(value.toInt());
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(value);
    }
}

void QtDemoDialog::setTextLimit(int id, std::size_t maxChars) {
    if (auto* combo = qobject_cast<QComboBox*>(control(id))) {
        combo->lineEdit()->setMaxLength(
            static_cast<int>(std::min<std::size_t>(maxChars, std::numeric_limits<int>::max())));
    }
}

bool QtDemoDialog::isChecked(int id) const {
    auto* button = qobject_cast<QAbstractButton*>(control(id));
    return button != nullptr && button->isChecked();
}

void QtDemoDialog::setChecked(int id, bool checked) {
    if (auto* button = qobject_cast<QAbstractButton*>(control(id))) {
        button->setChecked(checked);
    }
}

void QtDemoDialog::setEnabled(int id, bool enabled) {
    if (QWidget* widget = control(id)) {
        widget->setEnabled(enabled);
    }
}

void QtDemoDialog::setRange(int id, int lowest, int highest) {
    if (QSpinBox* spin = speedBox(id)) {
        spin->setRange(lowest, highest);
    }
}

void QtDemoDialog::messageBox(const std::string& text, const std::string& caption) {
    QMessageBox box(QMessageBox::Information, QString::fromStdString(caption),
                    QString::fromStdString(text), QMessageBox::Ok, this);
    // The wait cursor belongs to the dialog; over its message box the user needs a pointer.
    const bool waiting = QApplication::overrideCursor() != nullptr;
    if (waiting) {
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    box.exec();
    if (waiting) {
        QApplication::restoreOverrideCursor();
    }
}

void QtDemoDialog::beginWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }

void QtDemoDialog::endWaitCursor() { QApplication::restoreOverrideCursor(); }

}  // namespace Demo
