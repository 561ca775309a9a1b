#include "ui/frm_about.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "app/catalog.h"
#include "ui/window_support.h"

namespace ui {

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About ") + Catalog(msg::AppName));
    setWindowIcon(AppIcon());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(PxX(this, 3780), PxY(this, 1260));

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    PlaceTw(cmdOK, {2520, 900, 1215, 315});
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);

    for (int i = 0; i < 3; ++i) {
        picAppIcon[i] = new QLabel(this);
        picAppIcon[i]->setObjectName(QStringLiteral("picAppIcon%1").arg(i));
        picAppIcon[i]->setPixmap(IconFrame(i));
        picAppIcon[i]->setAlignment(Qt::AlignCenter);
        PlaceTw(picAppIcon[i], {60, 120, 495, 495});
        picAppIcon[i]->setVisible(i == 0);
    }

    // The product line: its design text completed with the version.
    lblProductVersion = new QLabel(QStringLiteral("Orvinet Version "), this);
    lblProductVersion->setObjectName(QStringLiteral("lblProductVersion"));
    lblProductVersion->setText(lblProductVersion->text() + Catalog(msg::VersionMajor) +
                               QStringLiteral("-") + Catalog(msg::VersionMinor));
    PlaceTw(lblProductVersion, {660, 60, 3015, 195});
    lblProductVersion->setMinimumHeight(lblProductVersion->sizeHint().height());

    auto* lblProgram = new QLabel(Catalog(msg::AppName), this);
    lblProgram->setObjectName(QStringLiteral("lblProgram"));
    PlaceTw(lblProgram, {660, 60 + 255, 3015, 195});
    lblProgram->setMinimumHeight(lblProgram->sizeHint().height());

    timAppIcon = new QTimer(this);
    timAppIcon->setObjectName(QStringLiteral("timAppIcon"));
    timAppIcon->setInterval(1000);
    connect(timAppIcon, &QTimer::timeout, this, &frmAbout::timAppIcon_Timer);
    m_nIconFrame = 0;
    timAppIcon->start();

    cmdOK->setFocus();
    RegisterWindow(this);
}

frmAbout::~frmAbout() {
    UnregisterWindow(this);
}

void frmAbout::timAppIcon_Timer() {
    picAppIcon[m_nIconFrame]->setVisible(false);
    m_nIconFrame = (m_nIconFrame + 1) % 3;
    picAppIcon[m_nIconFrame]->setVisible(true);
}

void frmAbout::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        reject();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace ui
