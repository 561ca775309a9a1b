#include "ui/frm_diag_result.h"

#include <QEvent>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <algorithm>
#include <array>

#include "app/catalog.h"
#include "platform/platform.h"
#include "ui/window_support.h"

namespace ui {

namespace {

struct ColumnSpec {
    int32_t header;
    const char* widthKey;
    int defaultWidth;
};
constexpr std::array<ColumnSpec, kResultColumns> kColumns = {{
    {msg::HeaderJobId, "HeaderWidthJobId", 200},
    {msg::HeaderJobName, "HeaderWidthJobName", 1200},
    {msg::HeaderJobStatus, "HeaderWidthJobStatus", 700},
    {msg::HeaderSpooler, "HeaderWidthSpooler", 700},
    {msg::HeaderQueue, "HeaderWidthQueue", 700},
    {msg::HeaderPrinters, "HeaderWidthPrinters", 1400},
}};

constexpr double kDefaultLeft = 2010, kDefaultTop = 735, kDefaultWidth = 6930,
                 kDefaultHeight = 5760;

// A row sorts by the text shown in the sort column, as text, letter case ignored.
class ResultRow : public QTreeWidgetItem {
  public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override {
        const int column = treeWidget() != nullptr ? treeWidget()->sortColumn() : 0;
        return text(column).compare(other.text(column), Qt::CaseInsensitive) < 0;
    }
};

// Catalogue texts end with CR LF; the messages box shows plain line ends.
QString DisplayText(const std::string& text) {
    QString shown = Q(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
}

}  // namespace

frmDiagResult::frmDiagResult(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmDiagResult"));
    setWindowTitle(QStringLiteral("Diagnostic Result"));
    setWindowIcon(AppIcon());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowMinMaxButtonsHint, true);
    setSizeGripEnabled(true);

    lvwJobs = new QTreeWidget(this);
    lvwJobs->setObjectName(QStringLiteral("lvwJobs"));
    lvwJobs->setRootIsDecorated(false);
    lvwJobs->setUniformRowHeights(true);
    lvwJobs->setAllColumnsShowFocus(true);
    lvwJobs->setSelectionMode(QAbstractItemView::SingleSelection);
    lvwJobs->header()->setStretchLastSection(false);
    lvwJobs->header()->setSectionsClickable(true);
    lvwJobs->header()->setSortIndicatorShown(false);
    lvwJobs->viewport()->installEventFilter(this);
    connect(lvwJobs->header(), &QHeaderView::sectionClicked, this,
            &frmDiagResult::lvwJobs_ColumnClick);
    connect(lvwJobs, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem* previous) {
                // Moving the selection with the keyboard counts as clicking the row.
                if (current != nullptr && previous != nullptr && lvwJobs->hasFocus() &&
                    QGuiApplication::mouseButtons() == Qt::NoButton) {
                    ClickList(current);
                }
            });

    lblDiagMessages =
        new QLabel(QStringLiteral("The job is not printing for the following reason(s):"), this);
    lblDiagMessages->setObjectName(QStringLiteral("lblDiagMessages"));

    txtDiagMessages = new QPlainTextEdit(this);
    txtDiagMessages->setObjectName(QStringLiteral("txtDiagMessages"));
    txtDiagMessages->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtDiagMessages->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtDiagMessages->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette palette = txtDiagMessages->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    txtDiagMessages->setPalette(palette);

    cmdSave = new QPushButton(QStringLiteral("&Save"), this);
    cmdSave->setObjectName(QStringLiteral("cmdSave"));
    cmdSave->setEnabled(false);
    cmdSaveAll = new QPushButton(QStringLiteral("Save &All"), this);
    cmdSaveAll->setObjectName(QStringLiteral("cmdSaveAll"));
    cmdSaveAll->setEnabled(false);
    cmdSaveAll->setDefault(true);
    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    for (QPushButton* button : {cmdSave, cmdClose}) {
        button->setAutoDefault(false);
    }
    connect(cmdSave, &QPushButton::clicked, this, &frmDiagResult::cmdSave_Click);
    connect(cmdSaveAll, &QPushButton::clicked, this, &frmDiagResult::cmdSaveAll_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::close);

    // Load: geometry from the settings, layout, columns, sort marks.
    m_outerSize = QSize(PxX(this, ReadSetting("DiagResultWidth", kDefaultWidth)),
                        PxY(this, ReadSetting("DiagResultHeight", kDefaultHeight)));
    m_outerSize =
        m_outerSize.expandedTo(QSize(PxX(this, kResultMinWidth), PxY(this, kResultMinHeight)));
    move(StoredPosition(this, "DiagResultLeft", "DiagResultTop", kDefaultLeft, kDefaultTop,
                        m_outerSize));
    ApplyMinimumSize();
    resize(m_outerSize);
    LayoutControls();

    lvwJobs->clear();
    lvwJobs->setColumnCount(kResultColumns);
    QStringList headers;
    for (const ColumnSpec& column : kColumns) {
        headers << Catalog(column.header);
    }
    lvwJobs->setHeaderLabels(headers);
    // Stored widths are kept as they are; a default width is widened where its caption (with
    // the sort mark) would not fit.
    QHeaderView* header = lvwJobs->header();
    header->setMinimumSectionSize(PxX(this, 105));
    const int captionExtra = 2 * style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header) +
                             style()->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, header) + 4;
    for (int c = 0; c < kResultColumns; ++c) {
        const int caption = header->fontMetrics().horizontalAdvance(headers[c]) + captionExtra;
        const int fallback = std::max(PxX(this, kColumns[c].defaultWidth), caption);
        const double stored = ReadSetting(kColumns[c].widthKey, -1);
        lvwJobs->setColumnWidth(c, stored >= 0 ? PxX(this, stored) : fallback);
    }
    m_marks.fill(0);
    m_bItemClicked = false;
    RegisterWindow(this);
}

frmDiagResult::~frmDiagResult() {
    UnregisterWindow(this);
}

void frmDiagResult::DisplayDiagResults(const ResultCollection& in_results) {
    FillResults(in_results);
    exec();
}

void frmDiagResult::FillResults(const ResultCollection& in_results) {
    m_colResults = &in_results;
    if (in_results.Count() < 1) {
        return;
    }
    for (int32_t i = 1; i <= in_results.Count(); ++i) {
        const clsDiagResult& result = *in_results.Item(i);
        auto* row = new ResultRow(lvwJobs);
        row->setData(0, Qt::UserRole, Q(RowKey(result)));
        row->setText(0, Q(result.JobId()));
        row->setText(1, Q(result.JobName()));
        row->setText(2, Q(result.JobStatus()));
        row->setText(3, Q(result.SpoolerName()));
        row->setText(4, Q(result.QueueName()));
        row->setText(5, Q(PrintersColumn(result)));
    }
    ShowMessages(in_results.Item(1));
    cmdSaveAll->setEnabled(true);
}

void frmDiagResult::ShowMessages(const clsDiagResult* result) {
    txtDiagMessages->setPlainText(result != nullptr ? DisplayText(result->DiagMessages())
                                                    : QString());
}

void frmDiagResult::ClickList(QTreeWidgetItem* item) {
    if (item != nullptr) {
        lvwJobs_ItemClick(item);
    }
    lvwJobs_Click();
}

void frmDiagResult::lvwJobs_ItemClick(QTreeWidgetItem* item) {
    const clsDiagResult* result =
        m_colResults != nullptr ? m_colResults->Find(S(item->data(0, Qt::UserRole).toString()))
                                : nullptr;
    ShowMessages(result);
    if (result == nullptr) {
        return;  // a row without a result cannot be saved
    }
    cmdSave->setEnabled(true);
    m_bItemClicked = true;
}

void frmDiagResult::lvwJobs_Click() {
    if (!m_bItemClicked) {
        cmdSave->setEnabled(false);
    }
    m_bItemClicked = false;
}

void frmDiagResult::lvwJobs_ColumnClick(int column) {
    const int order = ColumnClick(m_marks, column);
    const Qt::SortOrder qtOrder = order == 0 ? Qt::AscendingOrder : Qt::DescendingOrder;
    lvwJobs->header()->setSortIndicatorShown(true);
    lvwJobs->header()->setSortIndicator(column, qtOrder);
    lvwJobs->sortItems(column, qtOrder);
}

void frmDiagResult::cmdSave_Click() {
    const QList<QTreeWidgetItem*> selected = lvwJobs->selectedItems();
    if (selected.isEmpty()) {
        return;
    }
    SaveResults(S(selected.first()->data(0, Qt::UserRole).toString()));
}

void frmDiagResult::cmdSaveAll_Click() {
    SaveResults({});
}

bool frmDiagResult::SaveResults(const std::string& key) {
    if (m_colResults == nullptr) {
        return false;
    }
    std::string bytes;
    if (key.empty()) {
        for (int32_t i = 1; i <= m_colResults->Count(); ++i) {
            bytes += m_colResults->Item(i)->GetTextForSavingToFile() + "\r\n";
        }
    } else if (const clsDiagResult* result = m_colResults->Find(key)) {
        bytes = result->GetTextForSavingToFile() + "\r\n";
    } else {
        return false;
    }
    const std::string extension = basCommon::GetCatalogString(msg::LogFileExtension);
    QStringList filters;
    for (const std::string& filter :
         DialogNameFilters(basCommon::GetCatalogString(msg::LogFileFilter))) {
        filters << Q(filter);
    }
    const QString suffix =
        Q(extension).startsWith(QLatin1Char('.')) ? Q(extension).mid(1) : Q(extension);
    const QString path = AskSaveFileName(
        this, Q(ProposedFileName(key, basCommon::GetCatalogString(msg::AppName), extension)),
        filters, suffix);
    if (path.isEmpty()) {
        return false;  // cancelled: nothing to say
    }
    const std::string nativePath = QFile::encodeName(path).toStdString();
    std::string error;
    if (!platform::ReplaceFileContents(nativePath, bytes, error)) {
        std::string reason = error;
        if (reason.rfind(nativePath + ": ", 0) == 0) {
            reason.erase(0, nativePath.size() + 2);
        }
        ShowMessage(this, QMessageBox::Critical,
                    QStringLiteral("Unable to save the log file \"%1\".\n%2").arg(path, Q(reason)));
        return false;
    }
    return true;
}

void frmDiagResult::done(int result) {
    SaveSettings();
    QDialog::done(result);
}

void frmDiagResult::SaveSettings() {
    if (isMinimized()) {
        return;
    }
    const QRect outer = frameGeometry();
    WriteSetting("DiagResultLeft", TwX(this, outer.left()));
    WriteSetting("DiagResultTop", TwY(this, outer.top()));
    WriteSetting("DiagResultWidth", TwX(this, outer.width()));
    WriteSetting("DiagResultHeight", TwY(this, outer.height()));
    for (int c = 0; c < kResultColumns; ++c) {
        WriteWholeSetting(kColumns[c].widthKey, TwX(this, lvwJobs->columnWidth(c)));
    }
}

void frmDiagResult::ApplyMinimumSize() {
    const QSize frame = frameGeometry().size() - geometry().size();
    setMinimumSize(PxX(this, kResultMinWidth) - frame.width(),
                   PxY(this, kResultMinHeight) - frame.height());
}

void frmDiagResult::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Now the frame is known: the stored size is the outer size.
    const QSize frame = frameGeometry().size() - geometry().size();
    ApplyMinimumSize();
    if (frame != QSize(0, 0)) {
        resize(m_outerSize - frame);
    }
}

void frmDiagResult::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    LayoutControls();
}

void frmDiagResult::LayoutControls() {
    // Below the minimum size the controls keep the layout of the minimum size.
    const int w = std::max(static_cast<int>(TwX(this, width())), kResultMinWidth - 120);
    const int h = std::max(static_cast<int>(TwY(this, height())), kResultMinHeight - 405);
    const ResultLayout l = LayoutResultControls(w, h);
    PlaceTw(cmdClose, l.cmdClose);
    PlaceTw(cmdSaveAll, l.cmdSaveAll);
    PlaceTw(cmdSave, l.cmdSave);
    PlaceTw(lvwJobs, l.lvwJobs);
    PlaceTw(lblDiagMessages, l.lblDiagMessages);
    PlaceTw(txtDiagMessages, l.txtDiagMessages);
}

bool frmDiagResult::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lvwJobs->viewport() && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            ClickList(lvwJobs->itemAt(mouse->position().toPoint()));
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace ui
