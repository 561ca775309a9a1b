#pragma once
// The About box: program name, the version line and the animated application icon. Modal; closes
// on "OK", Enter (default button), Escape or the close box (as any dialog).

#include <QDialog>

class QLabel;

namespace stallscan::ui {

class AboutBox : public QDialog {
    Q_OBJECT
  public:
    explicit AboutBox(QWidget* parent = nullptr);
    ~AboutBox() override;

  private:
    // One tick of the animation: the next of the three icon frames.
    void ShowNextFrame();

    QLabel* icon_frames_[3] = {};
    int frame_ = 0;
};

}  // namespace stallscan::ui
