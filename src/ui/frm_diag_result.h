#pragma once
// The result window: one row per result of a run (key "SpoolerName:JobId"), the messages of the
// clicked job, and saving one or all results to a log file. Its position, outer size and column
// widths are kept in the settings when it closes (unless it is minimized).

#include <QDialog>
#include <string>

#include "ui/result_collection.h"
#include "ui/ui_rules.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace ui {

class frmDiagResult : public QDialog {
    Q_OBJECT
  public:
    explicit frmDiagResult(QWidget* parent = nullptr);
    ~frmDiagResult() override;

    // Fills the window from `in_results` (kept by reference, not copied; it must outlive the
    // window) and shows it modally; returns when the window has been closed.
    void DisplayDiagResults(const ResultCollection& in_results);
    // The filling alone, without showing.
    void FillResults(const ResultCollection& in_results);

    // A click on a row (`item`) or, with nullptr, on empty list space.
    void ClickList(QTreeWidgetItem* item);
    void lvwJobs_ColumnClick(int column);
    void cmdSave_Click();
    void cmdSaveAll_Click();
    // Asks for a file name and writes the result of `key`, or all results for the empty key.
    // False when nothing was written (cancelled, unknown key, or a write failure, which is
    // reported in a critical message box).
    bool SaveResults(const std::string& key);

    const SortMarks& Marks() const { return m_marks; }

    QTreeWidget* lvwJobs = nullptr;
    QLabel* lblDiagMessages = nullptr;
    QPlainTextEdit* txtDiagMessages = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdSaveAll = nullptr;
    QPushButton* cmdClose = nullptr;

  public slots:
    void done(int result) override;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void lvwJobs_ItemClick(QTreeWidgetItem* item);
    void lvwJobs_Click();
    void LayoutControls();
    void ApplyMinimumSize();
    void SaveSettings();
    void ShowMessages(const clsDiagResult* result);

    const ResultCollection* m_colResults = nullptr;
    SortMarks m_marks{};
    bool m_bItemClicked = false;
    QSize m_outerSize;
};

}  // namespace ui
