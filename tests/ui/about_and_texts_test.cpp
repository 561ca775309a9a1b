// The About box and the loading of window texts from the catalogue.

#include "ui_test_support.h"

namespace ui {
namespace {

TEST(AboutTest, VersionLineAndIconAnimation) {
    frmAbout about;
    EXPECT_EQ(about.lblProductVersion->text(), "Orvinet Version 1.2-03");
    EXPECT_EQ(frmAbout().lblProductVersion->text(), about.lblProductVersion->text());  // not twice
    EXPECT_TRUE(about.timAppIcon->isActive());
    EXPECT_EQ(about.timAppIcon->interval(), 1000);
    for (int tick = 0; tick < 4; ++tick) {  // frames 0, 1, 2, then 0 again
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(about.picAppIcon[i]->isVisibleTo(&about), i == tick % 3) << tick;
        }
        about.timAppIcon_Timer();
    }
    // Three different frames, the first of them the application icon.
    const QImage frames[3] = {IconFrame(0).toImage(), IconFrame(1).toImage(),
                              IconFrame(2).toImage()};
    EXPECT_NE(frames[0], frames[1]);
    EXPECT_NE(frames[1], frames[2]);
    EXPECT_EQ(AppIcon().pixmap(32, 32).toImage().convertToFormat(frames[0].format()), frames[0]);
}

TEST(FormTextsTest, TagsNameCatalogueTexts) {
    QWidget form;
    form.setWindowTitle("designed");
    form.setProperty("Tag", "main");
    const auto control = [&](auto* widget, const char* tag) {
        widget->setParent(&form);
        widget->setProperty("Tag", tag);
        return widget;
    };
    QLabel* idLabel = control(new QLabel("x"), "1100");
    auto* plainLabel = new QLabel("plain", &form);
    QLabel* badLabel = control(new QLabel("keep"), "11x");
    QPushButton* zeroButton = control(new QPushButton("zero"), "0");
    QPushButton* button = control(new QPushButton("b"), "104");
    button->setToolTip("1000 tip");
    QGroupBox* group = control(new QGroupBox("g"), "1102");
    QTimer* timer = control(new QTimer, "1100");
    auto* list = new QTreeWidget(&form);
    list->setColumnCount(2);
    list->headerItem()->setData(0, Qt::UserRole, "1101");
    list->headerItem()->setText(1, "second");
    auto* menu = new QMenu(&form);
    QAction* filter = menu->addAction("1003");
    QAction* word = menu->addAction("Open");

    LoadFormTexts(&form);

    EXPECT_EQ(form.windowTitle(), "designed");
    EXPECT_EQ(idLabel->text(), "ID");
    EXPECT_EQ(plainLabel->text(), "plain");
    EXPECT_EQ(badLabel->text(), "keep");
    EXPECT_EQ(zeroButton->text(), "zero");
    EXPECT_EQ(button->text(), "Unable to access server \"%1\".\r\n");
    EXPECT_EQ(button->toolTip(), "stallscan");
    EXPECT_EQ(group->title(), "Job status");
    EXPECT_FALSE(timer->isActive());
    EXPECT_EQ(list->headerItem()->text(0), "Job name");
    EXPECT_EQ(list->headerItem()->text(1), "second");
    EXPECT_EQ(filter->text(), "Log files (*.log)|*.log|All files (*.*)|*.*|");
    EXPECT_EQ(word->text(), "Open");
    EXPECT_EQ(idLabel->font(), form.font());
    EXPECT_EQ(list->font(), form.font());

    form.setProperty("Tag", "1000");  // a numeric window tag gives the title
    LoadFormTexts(&form);
    EXPECT_EQ(form.windowTitle(), "stallscan");
}

}  // namespace
}  // namespace ui
