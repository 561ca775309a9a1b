#pragma once
// The result window: one row per result of a run (key "SpoolerName:JobId"), the messages of the
// clicked job, and saving one or all results to a log file. Its position, outer size and column
// widths are kept in the settings when it closes (unless it is minimized), and fitted to the
// screen when it opens.

#include <QDialog>
#include <QSizeF>
#include <string>

#include "diag/diagnosis.h"
#include "run/result_collection.h"
#include "ui/ui_rules.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace stallscan::ui {

class ResultWindow : public QDialog {
    Q_OBJECT
  public:
    explicit ResultWindow(QWidget* parent = nullptr);
    ~ResultWindow() override;

    // Fills the window with `results` and shows it modally; returns once it has been closed.
    void ShowResults(const run::ResultCollection& results);
    // The filling alone, without showing. The window keeps a reference to `results`, which must
    // outlive it.
    void Fill(const run::ResultCollection& results);

  public slots:
    void done(int result) override;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // A click on a row (`row`) or, with nullptr, on empty list space.
    void ClickList(QTreeWidgetItem* row);
    void SortByColumn(int column);
    // Asks for a file name and writes the result of `key`, or all results for the empty key.
    // A write failure is reported in a critical message box.
    void SaveResults(const std::string& key);
    void ShowMessages(const diag::Diagnosis* diagnosis);
    void LayoutControls();
    // Sizes the window for a frame of `frame` pixels around it: the minimum and, unless the window
    // was resized, the outer size it is opened with.
    void ApplyFrame(QSize frame);
    void SaveSettings();

    QTreeWidget* jobs_list_ = nullptr;
    QLabel* messages_label_ = nullptr;
    QPlainTextEdit* messages_ = nullptr;
    QPushButton* save_button_ = nullptr;
    QPushButton* save_all_button_ = nullptr;
    QPushButton* close_button_ = nullptr;

    const run::ResultCollection* results_ = nullptr;
    SortMarks sort_marks_{};
    QSizeF stored_outer_;  // the outer size opened with, in twips, as written back unchanged
    QSize outer_size_;     // the same in pixels
    QSize client_size_;    // the size given to the window for it
};

}  // namespace stallscan::ui
