#include "ui/form_texts.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QWidget>
#include <cstdint>
#include <optional>

#include "text/catalog.h"
#include "text/text_functions.h"
#include "ui/window_support.h"

namespace stallscan::ui {

namespace {

std::optional<QString> Lookup(std::optional<int32_t> id) {
    if (!id) {
        return std::nullopt;
    }
    const std::optional<std::string_view> text = text::FindCatalogText(*id);
    if (!text) {
        return std::nullopt;
    }
    return QString::fromUtf8(text->data(), static_cast<qsizetype>(text->size()));
}

// The whole text (blanks around it allowed) as a 16-bit identifier.
std::optional<int32_t> WholeId(const QString& text) {
    bool ok = false;
    const short id = text.trimmed().toShort(&ok);
    return ok ? std::optional<int32_t>(id) : std::nullopt;
}

// The leading number of a text as an identifier, when above 0.
std::optional<int32_t> LeadingId(const QString& text) {
    const int32_t id = text::RoundToInt32(text::NumericValue(ToStdString(text)));
    return id > 0 ? std::optional<int32_t>(id) : std::nullopt;
}

QString TagOf(const QWidget* widget) {
    return widget->property("Tag").toString();
}

void LoadControl(QWidget* control) {
    if (auto* label = qobject_cast<QLabel*>(control)) {
        if (const auto text = Lookup(WholeId(TagOf(label)))) {
            label->setText(*text);
        }
        return;
    }
    if (const auto caption = Lookup(LeadingId(TagOf(control)))) {
        if (auto* button = qobject_cast<QAbstractButton*>(control)) {
            button->setText(*caption);
        } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
            group->setTitle(*caption);
        }
    }
    if (const auto tip = Lookup(LeadingId(control->toolTip()))) {
        control->setToolTip(*tip);
    }
}

}  // namespace

void LoadFormTexts(QWidget* form) {
    if (const auto title = Lookup(WholeId(TagOf(form)))) {
        form->setWindowTitle(*title);
    }
    for (QWidget* control : form->findChildren<QWidget*>()) {
        if (control->window() == form) {
            LoadControl(control);
        }
    }
}

}  // namespace stallscan::ui
