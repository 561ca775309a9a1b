// The About box and the loading of window texts from the catalogue.

#include "ui_test_support.h"

namespace stallscan::ui {
namespace {

using uitest::Find;

TEST(AboutTest, VersionLineAndIconAnimation) {
    AboutBox about;
    EXPECT_EQ(Find<QLabel>(&about, "lblProductVersion")->text(), "Orvinet Version 1.2-03");
    auto* animation = Find<QTimer>(&about, "timAppIcon");
    EXPECT_TRUE(animation->isActive());
    EXPECT_EQ(animation->interval(), 1000);
    const QLabel* frames[] = {Find<QLabel>(&about, "picAppIcon0"),
                              Find<QLabel>(&about, "picAppIcon1"),
                              Find<QLabel>(&about, "picAppIcon2")};
    for (int tick = 0; tick < 4; ++tick) {  // frames 0, 1, 2, then 0 again
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(frames[i]->isVisibleTo(&about), i == tick % 3) << tick;
            EXPECT_EQ(frames[i]->pixmap().toImage(), IconFrame(i).toImage());
        }
        QTimerEvent event(animation->timerId());
        QCoreApplication::sendEvent(animation, &event);
    }
    EXPECT_NE(IconFrame(1).toImage(), IconFrame(2).toImage());
    const QImage icon = IconFrame(0).toImage();
    EXPECT_EQ(AppIcon().pixmap(32, 32).toImage().convertToFormat(icon.format()), icon);
}

TEST(FormTextsTest, TagsNameCatalogueTexts) {
    QWidget form;
    form.setWindowTitle("designed");
    form.setProperty("Tag", "main");
    QDialog child_window(&form);
    // Control, its tag and tool tip, then its text and tool tip once loaded.
    const std::tuple<QWidget*, const char*, const char*, const char*, const char*> rows[] = {
        {new QLabel("x", &form), "1100", "1000", "ID", "1000"},  // labels take no tool tip
        {new QLabel("plain", &form), "", "", "plain", ""},
        {new QLabel("keep", &form), "1100 x", "", "keep", ""},  // a label's tag is the whole id
        {new QPushButton("zero", &form), "0", "", "zero", ""},
        {new QPushButton("b", &form), "104 x", "1000 tip", "Unable to access server \"%1\".\r\n",
         "stallscan"},
        {new QRadioButton("r", &form), "9999", "tip", "r", "tip"},  // not in the catalogue
        {new QGroupBox("g", &form), "1102", "", "Job status", ""},
        {new QLabel("other window", &child_window), "1100", "", "other window", ""},
    };
    for (const auto& [control, tag, tip, text, loaded_tip] : rows) {
        control->setProperty("Tag", tag);
        control->setToolTip(tip);
    }
    LoadFormTexts(&form);
    EXPECT_EQ(form.windowTitle(), "designed");
    for (const auto& [control, tag, tip, text, loaded_tip] : rows) {
        const char* shown = qobject_cast<QGroupBox*>(control) ? "title" : "text";
        EXPECT_EQ(control->property(shown).toString(), text) << tag;
        EXPECT_EQ(control->toolTip(), loaded_tip) << tag;
    }
    form.setProperty("Tag", "1000");  // a numeric window tag gives the title
    LoadFormTexts(&form);
    EXPECT_EQ(form.windowTitle(), "stallscan");
}

}  // namespace
}  // namespace stallscan::ui
