#include "demo/qt/QtDemoDialog.h"

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
#include <iterator>
#include <limits>
#include <vector>

#include "demo/qt/DialogTemplateData.h"
#include "demo/qt/HoldButton.h"
#include "ports/PortList.h"

namespace Demo {

namespace {

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
    QRect rect(const TemplateRect& r) const {
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
    font.setFamilies({QString::fromUtf8(DIALOG_TEMPLATE.font),
                      QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Arial"), font.family()});
    font.setPointSize(DIALOG_TEMPLATE.fontPoints);
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
          std::make_unique<DemoDialog>(static_cast<DialogView&>(*this), Ports::portNameLimit())) {
    setWindowTitle(QString::fromUtf8(DIALOG_TEMPLATE.caption));
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
    setFixedSize(units.x(DIALOG_TEMPLATE.width), units.y(DIALOG_TEMPLATE.height));

    const auto isHoldButton = [](int id) {
        return std::find(std::begin(DemoDialog::HOLD_BUTTONS), std::end(DemoDialog::HOLD_BUTTONS),
                         id) != std::end(DemoDialog::HOLD_BUTTONS);
    };
    const std::size_t count = std::size(TEMPLATE_CONTROLS);
    for (std::size_t row = 0; row < count; ++row) {
        const TemplateControl& placement = TEMPLATE_CONTROLS[row];
        const int id = placement.id;
        const QString text = QString::fromUtf8(placement.text);
        QRect geometry = units.rect(placement.rect);
        QWidget* widget = nullptr;
        switch (placement.kind) {
            case TemplateKind::ComboBox: {
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
            case TemplateKind::PushButton:
            case TemplateKind::DefaultPushButton: {
                QPushButton* button = nullptr;
                if (isHoldButton(id)) {
                    button = new HoldButton(
                        text, this, [this, id] { behaviour->OnHoldButtonDown(id); },
                        [this, id] { behaviour->OnHoldButtonUp(id); });
                } else {
                    button = new QPushButton(text, this);
                }
                button->setDefault(placement.kind == TemplateKind::DefaultPushButton);
                if (id == IdExit) {
                    QObject::connect(button, &QPushButton::clicked, this, &QDialog::reject);
                } else {
                    QObject::connect(button, &QPushButton::clicked, this,
                                     [this, id] { behaviour->OnClicked(id); });
                }
                widget = button;
                break;
            }
            case TemplateKind::CheckBox: {
                auto* box = new QCheckBox(text, this);
                // clicked comes after the box toggled itself, from the mouse and the keyboard.
                QObject::connect(box, &QCheckBox::clicked, this,
                                 [this, id] { behaviour->OnClicked(id); });
                widget = box;
                break;
            }
            case TemplateKind::Edit:
                widget = new SpeedBox(this);
                // The up-down control that follows the edit is the spin box's own arrows: one
                // widget spans both.
                if (row + 1 < count && TEMPLATE_CONTROLS[row + 1].kind == TemplateKind::UpDown) {
                    const TemplateControl& upDown = TEMPLATE_CONTROLS[row + 1];
                    geometry.setRight(units.x(upDown.rect.x + upDown.rect.width) - 1);
                    editOfSpin[upDown.id] = id;
                }
                break;
            case TemplateKind::UpDown:
                // Part of the edit before it.
                continue;
            case TemplateKind::GroupBox:
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
            case TemplateKind::Label:
                widget = new QLabel(text, this);
                break;
        }
        widget->setGeometry(geometry);
        if (id != 0) {
            widget->setObjectName(QString::number(id));
            controls[id] = widget;
        }
        if (placement.kind == TemplateKind::GroupBox) {
            // Frames are drawn under the controls they surround.
            widget->lower();
        }
    }
}

QWidget* QtDemoDialog::control(int id) const {
    const auto spin = editOfSpin.find(id);
    const auto found = controls.find(spin == editOfSpin.end() ? id : spin->second);
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
