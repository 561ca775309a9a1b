#include "ui/form_texts.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QTabBar>
#include <QToolBar>
#include <QTreeWidget>
#include <QWidget>
#include <cstdint>
#include <optional>

#include "app/catalog.h"
#include "app/text_functions.h"
#include "ui/window_support.h"

namespace ui {

namespace {

// The whole text as a 16-bit identifier; nullopt when it is not one.
std::optional<int16_t> WholeId(const QString& text) {
    bool ok = false;
    const short id = text.trimmed().toShort(&ok);
    return ok ? std::optional<int16_t>(id) : std::nullopt;
}

// The catalogue text of an identifier read straight from the catalogue (no cache).
std::optional<QString> Lookup(std::optional<int32_t> id) {
    std::string text;
    if (!id || !basCommon::LookupCatalogText(*id, text)) {
        return std::nullopt;
    }
    return Q(text);
}

std::optional<QString> LookupWhole(const QString& idText) {
    const auto id = WholeId(idText);
    return id ? Lookup(*id) : std::nullopt;
}

// The leading number of a text (0 when it has none) as a positive identifier, else nullopt.
std::optional<int32_t> LeadingId(const QString& text) {
    const int32_t n = basCommon::RoundToInt32(basCommon::NumericValue(S(text)));
    return n > 0 ? std::optional<int32_t>(n) : std::nullopt;
}

QString TagOf(const QObject* object) {
    return object->property("Tag").toString();
}

void LoadMenu(QMenu* menu) {
    for (QAction* action : menu->actions()) {
        if (const auto text = LookupWhole(action->text())) {
            action->setText(*text);
        }
    }
}

void LoadTabs(QTabBar* tabs) {
    for (int i = 0; i < tabs->count(); ++i) {
        if (const auto text = LookupWhole(tabs->tabData(i).toString())) {
            tabs->setTabText(i, *text);
        }
        if (const auto tip = LookupWhole(tabs->tabToolTip(i))) {
            tabs->setTabToolTip(i, *tip);
        }
    }
}

void LoadToolbar(QToolBar* bar) {
    for (QAction* action : bar->actions()) {
        if (const auto tip = LookupWhole(action->toolTip())) {
            action->setToolTip(*tip);
        }
    }
}

void LoadHeaders(QTreeWidget* list) {
    QTreeWidgetItem* header = list->headerItem();
    for (int c = 0; c < list->columnCount(); ++c) {
        if (const auto text = LookupWhole(header->data(c, Qt::UserRole).toString())) {
            header->setText(c, *text);
        }
    }
}

// Any other kind: the caption and the tool tip by the leading numbers of their identifiers.
void LoadOther(QWidget* control) {
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

void LoadControl(QWidget* control) {
    if (auto* label = qobject_cast<QLabel*>(control)) {
        if (const auto text = LookupWhole(TagOf(label))) {
            label->setText(*text);
        }
    } else if (auto* menu = qobject_cast<QMenu*>(control)) {
        LoadMenu(menu);
    } else if (auto* tabs = qobject_cast<QTabBar*>(control)) {
        LoadTabs(tabs);
    } else if (auto* bar = qobject_cast<QToolBar*>(control)) {
        LoadToolbar(bar);
    } else if (auto* list = qobject_cast<QTreeWidget*>(control)) {
        LoadHeaders(list);
    } else {
        LoadOther(control);
    }
}

}  // namespace

void LoadFormTexts(QWidget* form) {
    if (const auto caption = LookupWhole(TagOf(form))) {
        form->setWindowTitle(*caption);
    }
    // The font: family from text 20, point size from text 21, each step on its own.
    QFont font = form->font();
    if (const auto family = Lookup(20)) {
        font.setFamily(*family);
    }
    if (const auto sizeText = Lookup(21)) {
        if (const auto points = WholeId(*sizeText); points && *points > 0) {
            font.setPointSize(*points);
        }
    }
    form->setFont(font);
    // Controls: child widgets in creation order. Timers and other objects without a font or a
    // caption are passed over.
    for (QWidget* control : form->findChildren<QWidget*>()) {
        if (control->isWindow() && !qobject_cast<QMenu*>(control)) {
            continue;  // another window (a dialog parented to this one) has its own texts
        }
        control->setFont(form->font());
        LoadControl(control);
    }
}

}  // namespace ui
