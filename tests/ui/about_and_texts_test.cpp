// The About box and the loading of window texts from the catalogue.

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "ui/form_texts.h"
#include "ui/frm_about.h"
#include "ui/window_support.h"

namespace ui {
namespace {

std::vector<bool> Visible(const frmAbout& about) {
    return {about.picAppIcon[0]->isVisibleTo(&about), about.picAppIcon[1]->isVisibleTo(&about),
            about.picAppIcon[2]->isVisibleTo(&about)};
}

TEST(AboutTest, VersionLineAndIconAnimation) {
    frmAbout about;
    EXPECT_EQ(about.windowTitle(), "About stallscan");
    EXPECT_EQ(about.lblProductVersion->text(), "Orvinet Version 1.2-03");
    EXPECT_TRUE(about.cmdOK->isDefault());
    EXPECT_TRUE(about.timAppIcon->isActive());
    EXPECT_EQ(about.timAppIcon->interval(), 1000);
    EXPECT_EQ(Visible(about), (std::vector<bool>{true, false, false}));
    about.timAppIcon_Timer();
    EXPECT_EQ(Visible(about), (std::vector<bool>{false, true, false}));
    about.timAppIcon_Timer();
    about.timAppIcon_Timer();
    EXPECT_EQ(Visible(about), (std::vector<bool>{true, false, false}));
    EXPECT_EQ(about.IconFrameShown(), 0);
    // A second box starts from its design text again.
    frmAbout second;
    EXPECT_EQ(second.lblProductVersion->text(), "Orvinet Version 1.2-03");
}

TEST(AboutTest, IconFramesDifferAndFrameZeroIsTheAppIcon) {
    const QImage frames[3] = {IconFrame(0).toImage(), IconFrame(1).toImage(),
                              IconFrame(2).toImage()};
    for (const QImage& frame : frames) {
        EXPECT_EQ(frame.size(), QSize(32, 32));
    }
    EXPECT_NE(frames[0], frames[1]);
    EXPECT_NE(frames[1], frames[2]);
    EXPECT_EQ(AppIcon().pixmap(32, 32).toImage().convertToFormat(frames[0].format()), frames[0]);
}

TEST(AboutTest, EscapeAndEnterClose) {
    for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
        frmAbout about;
        about.show();
        about.cmdOK->setFocus();
        QTest::keyClick(about.cmdOK, key);
        EXPECT_FALSE(about.isVisible()) << key;
    }
}

TEST(FormTextsTest, TagsNameCatalogueTexts) {
    QWidget form;
    form.setWindowTitle("designed");
    form.setProperty("Tag", "main");
    auto* idLabel = new QLabel("x", &form);
    idLabel->setProperty("Tag", "1100");
    auto* plainLabel = new QLabel("keep", &form);
    auto* badLabel = new QLabel("keep too", &form);
    badLabel->setProperty("Tag", "11x");
    auto* zeroButton = new QPushButton("zero", &form);
    zeroButton->setProperty("Tag", "0");
    auto* button = new QPushButton("b", &form);
    button->setProperty("Tag", "104");
    button->setToolTip("1000 tip");
    auto* group = new QGroupBox("g", &form);
    group->setProperty("Tag", "1102");
    auto* timer = new QTimer(&form);
    timer->setProperty("Tag", "1100");
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
    EXPECT_EQ(plainLabel->text(), "keep");
    EXPECT_EQ(badLabel->text(), "keep too");
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
}

TEST(FormTextsTest, NumericWindowTagSetsTheTitle) {
    QWidget form;
    form.setProperty("Tag", "1000");
    LoadFormTexts(&form);
    EXPECT_EQ(form.windowTitle(), "stallscan");
}

}  // namespace
}  // namespace ui
