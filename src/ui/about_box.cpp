#include "ui/about_box.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "ui/window_support.h"

namespace stallscan::ui {

using text::Msg;

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About ") + CatalogText(Msg::kAppName));
    setWindowIcon(AppIcon());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(PixelsX(this, 3780), PixelsY(this, 1260));

    auto* ok_button = new QPushButton(QStringLiteral("OK"), this);
    ok_button->setObjectName(QStringLiteral("cmdOK"));
    ok_button->setDefault(true);
    PlaceInTwips(ok_button, {2520, 900, 1215, 315});
    connect(ok_button, &QPushButton::clicked, this, &QDialog::accept);

    for (int i = 0; i < 3; ++i) {
        icon_frames_[i] = new QLabel(this);
        icon_frames_[i]->setObjectName(QStringLiteral("picAppIcon%1").arg(i));
        icon_frames_[i]->setPixmap(IconFrame(i));
        icon_frames_[i]->setAlignment(Qt::AlignCenter);
        PlaceInTwips(icon_frames_[i], {60, 120, 495, 495});
        icon_frames_[i]->setVisible(i == 0);
    }

    auto* version_label =
        new QLabel(QStringLiteral("Orvinet Version ") + CatalogText(Msg::kVersionMajor) +
                       QStringLiteral("-") + CatalogText(Msg::kVersionMinor),
                   this);
    version_label->setObjectName(QStringLiteral("lblProductVersion"));
    PlaceInTwips(version_label, {660, 60, 3015, 195});
    version_label->setMinimumHeight(version_label->sizeHint().height());

    auto* program_label = new QLabel(CatalogText(Msg::kAppName), this);
    program_label->setObjectName(QStringLiteral("lblProgram"));
    PlaceInTwips(program_label, {660, 60 + 255, 3015, 195});
    program_label->setMinimumHeight(program_label->sizeHint().height());

    auto* animation = new QTimer(this);
    animation->setObjectName(QStringLiteral("timAppIcon"));
    animation->setInterval(1000);
    connect(animation, &QTimer::timeout, this, &AboutBox::ShowNextFrame);
    animation->start();

    ok_button->setFocus();
    RegisterWindow(this);
}

AboutBox::~AboutBox() {
    UnregisterWindow(this);
}

void AboutBox::ShowNextFrame() {
    icon_frames_[frame_]->setVisible(false);
    frame_ = (frame_ + 1) % 3;
    icon_frames_[frame_]->setVisible(true);
}

}  // namespace stallscan::ui
