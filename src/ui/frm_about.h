#pragma once
// The About box: program name, the version line and the animated application icon. Modal; closes
// on "OK", Enter (default button), Escape or the close box.

#include <QDialog>

class QLabel;
class QPushButton;
class QTimer;

namespace ui {

class frmAbout : public QDialog {
    Q_OBJECT
  public:
    explicit frmAbout(QWidget* parent = nullptr);
    ~frmAbout() override;

    // Advances the animation by one frame (what each tick of timAppIcon does).
    void timAppIcon_Timer();
    int IconFrameShown() const { return m_nIconFrame; }

    QLabel* picAppIcon[3] = {};
    QLabel* lblProductVersion = nullptr;
    QPushButton* cmdOK = nullptr;
    QTimer* timAppIcon = nullptr;

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    int m_nIconFrame = 0;
};

}  // namespace ui
