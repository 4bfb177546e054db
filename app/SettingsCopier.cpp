#include "app/SettingsCopier.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>
#include <cmath>
#include <type_traits>

#include "app/DescriptionTextBox.h"
#include "imaging/ui/UISupportUi.h"
#include "platform/Numeric.h"
#include "uicore/SettingsCopyTable.h"

namespace kalvora {

namespace {

constexpr int kPercentDecimals = 2;

// The control a row names (none for a row without that name). A name the
// panel lacks is a fault of the copy table: loud in debug builds, and the
// test of the table against the real panels finds it in any build.
template <typename T>
T* control(QWidget* panel, const char* name)
{
    if (!name) return nullptr;
    T* found = panel->findChild<T*>(QString::fromLatin1(name));
    Q_ASSERT_X(found, "SettingsCopier", name);
    return found;
}

// The text box of a Text row: a one-line or a multi-line one.
QWidget* textBox(QWidget* panel, const SettingRow& row) { return control<QWidget>(panel, row.control); }

// Whether the control named exists in the panel with the type its role needs.
template <typename T>
bool resolves(QWidget* panel, const char* name)
{
    return !name || panel->findChild<T*>(QString::fromLatin1(name));
}

bool rowResolves(QWidget* panel, const SettingRow& row)
{
    bool control = true;
    switch (row.kind) {
    case SettingControl::SliderWithText: control = resolves<QSlider>(panel, row.control); break;
    case SettingControl::Check: control = resolves<QCheckBox>(panel, row.control); break;
    case SettingControl::List: control = resolves<QComboBox>(panel, row.control); break;
    case SettingControl::Text:
        control = resolves<DescriptionTextBox>(panel, row.control) || resolves<QLineEdit>(panel, row.control);
        break;
    case SettingControl::PercentWithPixels:
    case SettingControl::Percent: control = resolves<QLineEdit>(panel, row.control); break;
    }
    return control && resolves<QSlider>(panel, row.slider) && resolves<QLineEdit>(panel, row.text) &&
           resolves<QLineEdit>(panel, row.pixels);
}

// A percentage as its text box holds it; a text that is not a number (one
// still being typed) counts as the slider's value.
float percentOf(QWidget* panel, const SettingRow& row)
{
    auto* text = control<QLineEdit>(panel, row.text);
    auto* slider = control<QSlider>(panel, row.slider);
    float value = 0;
    if (text && UISupport::TextToNumber(text->text(), value)) return value;
    return slider ? static_cast<float>(slider->value() / 100.0) : 0.0f;
}

QString textOf(QWidget* panel, const SettingRow& row)
{
    QWidget* box = textBox(panel, row);
    if (auto* description = qobject_cast<DescriptionTextBox*>(box)) return description->text();
    auto* line = qobject_cast<QLineEdit*>(box);
    return line ? line->text() : QString();
}

// The control's value as the field's type.
template <typename T>
T readControl(QWidget* panel, const SettingRow& row, const T& current)
{
    if constexpr (std::is_same_v<T, std::string>) {
        return textOf(panel, row).toStdString();
    } else if constexpr (std::is_same_v<T, bool>) {
        auto* check = control<QCheckBox>(panel, row.control);
        return check ? check->checkState() != Qt::Unchecked : current;
    } else if constexpr (std::is_same_v<T, float>) {
        return percentOf(panel, row);
    } else if (row.kind == SettingControl::List) {
        auto* list = control<QComboBox>(panel, row.control);
        return list && list->currentIndex() >= 0 ? static_cast<T>(list->currentIndex()) : current;
    } else {
        auto* slider = control<QSlider>(panel, row.control);
        return slider ? static_cast<T>(slider->value()) : current;
    }
}

void setSlider(QSlider* slider, int value)
{
    const QSignalBlocker quiet(slider);
    slider->setValue(value);
}

void setText(QWidget* panel, const SettingRow& row, const std::string& value)
{
    QWidget* box = textBox(panel, row);
    if (auto* description = qobject_cast<DescriptionTextBox*>(box)) {
        description->setText(QString::fromStdString(value));
        return;
    }
    if (auto* line = qobject_cast<QLineEdit*>(box)) {
        const QSignalBlocker quiet(line);
        line->setText(QString::fromStdString(value));
    }
}

// A percentage into its text box, then the slider and the pixel box from it.
void setPercent(QWidget* panel, const SettingRow& row, float value, int32_t reference)
{
    auto* text = control<QLineEdit>(panel, row.text);
    auto* slider = control<QSlider>(panel, row.slider);
    // A value no text box can show keeps what the controls hold.
    if (!text || !slider || !std::isfinite(value)) return;
    {
        const QSignalBlocker quiet(text);
        text->setText(UISupport::NumberToText(value));
    }
    if (auto* pixels = control<QLineEdit>(panel, row.pixels))
        UISupport::PercentTextToSlider(slider, text, pixels, reference, kPercentDecimals);
    else
        UISupport::TextToSlider(text, slider, kPercentDecimals);
}

int32_t pixelsIn(QWidget* panel, const char* name)
{
    float value = 0;
    auto* box = control<QLineEdit>(panel, name);
    return box && UISupport::TextToNumber(box->text(), value) ? platform::roundToInt32(value) : 0;
}

template <typename T>
void writeControl(QWidget* panel, const SettingRow& row, const T& value, const BrickSettings& settings)
{
    if constexpr (std::is_same_v<T, std::string>) {
        setText(panel, row, value);
    } else if constexpr (std::is_same_v<T, bool>) {
        if (auto* check = control<QCheckBox>(panel, row.control)) {
            const QSignalBlocker quiet(check);
            check->setChecked(UISupport::BoolToCheckValue(value) != 0);
        }
    } else if constexpr (std::is_same_v<T, float>) {
        setPercent(panel, row, value, pixelReference(row.reference, settings, pixelsIn(panel, "BorderPxText")));
    } else if (row.kind == SettingControl::List) {
        auto* list = control<QComboBox>(panel, row.control);
        // An index the list does not have keeps the list's choice.
        if (list && static_cast<int64_t>(value) >= 0 && static_cast<int64_t>(value) < list->count()) {
            const QSignalBlocker quiet(list);
            list->setCurrentIndex(static_cast<int>(value));
        }
    } else if (auto* slider = control<QSlider>(panel, row.control)) {
        // The slider holds a value beyond its range at its nearest end.
        setSlider(slider, static_cast<int>(value));
        UISupport::SliderToText(slider, control<QLineEdit>(panel, row.text), 0);
    }
}

}  // namespace

SettingsCopier::SettingsCopier(QWidget& outputPanel, QWidget& settingsPanel)
    : m_output(outputPanel), m_settings(settingsPanel)
{
}

std::vector<std::string> SettingsCopier::unresolvedRows(QWidget& outputPanel, QWidget& settingsPanel)
{
    std::vector<std::string> fields;
    for (const SettingRow& row : settingRows()) {
        QWidget* panel = row.panel == SettingPanel::Output ? &outputPanel : &settingsPanel;
        if (!rowResolves(panel, row)) fields.emplace_back(row.field);
    }
    return fields;
}

QWidget* SettingsCopier::panelOf(int row) const
{
    return settingRows()[row].panel == SettingPanel::Output ? &m_output : &m_settings;
}

void SettingsCopier::toProject(BrickSettings& settings, bool& changed) const
{
    const auto& rows = settingRows();
    for (size_t i = 0; i < rows.size(); ++i) {
        std::visit(
            [&](auto member) {
                auto& field = settings.*member;
                const auto value = readControl(panelOf(static_cast<int>(i)), rows[i], field);
                if (value != field) changed = true;
                field = value;
            },
            rows[i].member);
    }
}

void SettingsCopier::toControls(const BrickSettings& settings) const
{
    const auto& rows = settingRows();
    for (size_t i = 0; i < rows.size(); ++i)
        std::visit([&](auto member) { writeControl(panelOf(static_cast<int>(i)), rows[i], settings.*member, settings); },
                   rows[i].member);
}

}  // namespace kalvora
