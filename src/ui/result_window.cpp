#include "ui/result_window.h"

#include <QEvent>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTextDocument>
#include <QTreeWidget>
#include <algorithm>
#include <array>
#include <cmath>

#include "platform/platform.h"
#include "ui/window_support.h"

namespace stallscan::ui {

namespace {

using text::Msg;

struct Column {
    Msg header;
    const char* width_key;
    int default_width;
};
constexpr std::array<Column, kResultColumns> kColumns = {{
    {Msg::kHeaderJobId, "HeaderWidthJobId", 200},
    {Msg::kHeaderJobName, "HeaderWidthJobName", 1200},
    {Msg::kHeaderJobStatus, "HeaderWidthJobStatus", 700},
    {Msg::kHeaderSpooler, "HeaderWidthSpooler", 700},
    {Msg::kHeaderQueue, "HeaderWidthQueue", 700},
    {Msg::kHeaderPrinters, "HeaderWidthPrinters", 1400},
}};

constexpr double kDefaultLeft = 2010, kDefaultTop = 735, kDefaultWidth = 6930,
                 kDefaultHeight = 5760;

const QString kMessagesHeading =
    QStringLiteral("The job is not printing for the following reason(s):");

// A row sorts by the text shown in the sort column, as text, letter case ignored.
class ResultRow : public QTreeWidgetItem {
  public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override {
        const int column = treeWidget() != nullptr ? treeWidget()->sortColumn() : 0;
        return text(column).compare(other.text(column), Qt::CaseInsensitive) < 0;
    }
};

QString KeyOf(const QTreeWidgetItem* row) {
    return row->data(0, Qt::UserRole).toString();
}

}  // namespace

ResultWindow::ResultWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmDiagResult"));
    setWindowTitle(QStringLiteral("Diagnostic Result"));
    setWindowIcon(AppIcon());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowMinMaxButtonsHint, true);
    setSizeGripEnabled(true);

    jobs_list_ = new QTreeWidget(this);
    jobs_list_->setObjectName(QStringLiteral("lvwJobs"));
    jobs_list_->setRootIsDecorated(false);
    jobs_list_->setUniformRowHeights(true);
    jobs_list_->setAllColumnsShowFocus(true);
    jobs_list_->setSelectionMode(QAbstractItemView::SingleSelection);
    jobs_list_->header()->setStretchLastSection(false);
    jobs_list_->header()->setSectionsClickable(true);
    jobs_list_->header()->setSortIndicatorShown(false);
    jobs_list_->viewport()->installEventFilter(this);
    connect(jobs_list_->header(), &QHeaderView::sectionClicked, this, &ResultWindow::SortByColumn);
    connect(jobs_list_, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem* previous) {
                // Moving the selection with the keyboard counts as clicking the row.
                if (current != nullptr && previous != nullptr && jobs_list_->hasFocus() &&
                    QGuiApplication::mouseButtons() == Qt::NoButton) {
                    ClickList(current);
                }
            });

    messages_label_ = new QLabel(kMessagesHeading, this);
    messages_label_->setObjectName(QStringLiteral("lblDiagMessages"));

    messages_ = new QPlainTextEdit(this);
    messages_->setObjectName(QStringLiteral("txtDiagMessages"));
    messages_->setLineWrapMode(QPlainTextEdit::NoWrap);
    messages_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    messages_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette palette = messages_->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    messages_->setPalette(palette);

    save_button_ = new QPushButton(QStringLiteral("&Save"), this);
    save_button_->setObjectName(QStringLiteral("cmdSave"));
    save_button_->setEnabled(false);
    save_button_->setAutoDefault(false);
    save_all_button_ = new QPushButton(QStringLiteral("Save &All"), this);
    save_all_button_->setObjectName(QStringLiteral("cmdSaveAll"));
    save_all_button_->setEnabled(false);
    save_all_button_->setDefault(true);
    close_button_ = new QPushButton(QStringLiteral("&Close"), this);
    close_button_->setObjectName(QStringLiteral("cmdClose"));
    close_button_->setAutoDefault(false);
    connect(save_button_, &QPushButton::clicked, this, [this] {
        const QList<QTreeWidgetItem*> selected = jobs_list_->selectedItems();
        if (!selected.isEmpty()) {
            SaveResults(ToStdString(KeyOf(selected.first())));
        }
    });
    connect(save_all_button_, &QPushButton::clicked, this, [this] { SaveResults({}); });
    connect(close_button_, &QPushButton::clicked, this, &QDialog::close);

    // Geometry from the settings, fitted to the screen. The stored size is the outer one, frame
    // included; until the window manager has framed the window, the frame is taken to be that of
    // the window it was opened from.
    const QSize minimum(PixelsX(this, kResultMinWidth), PixelsY(this, kResultMinHeight));
    stored_outer_ = QSizeF(ReadSetting("DiagResultWidth", kDefaultWidth),
                           ReadSetting("DiagResultHeight", kDefaultHeight));
    const QSize stored_pixels(PixelsX(this, stored_outer_.width()),
                              PixelsY(this, stored_outer_.height()));
    const QRect place = StoredPlacement(this, "DiagResultLeft", "DiagResultTop", kDefaultLeft,
                                        kDefaultTop, stored_pixels, minimum);
    outer_size_ = place.size();
    // A size that had to be fitted is written back fitted.
    if (outer_size_.width() != stored_pixels.width()) {
        stored_outer_.setWidth(TwipsX(this, outer_size_.width()));
    }
    if (outer_size_.height() != stored_pixels.height()) {
        stored_outer_.setHeight(TwipsY(this, outer_size_.height()));
    }
    move(place.topLeft());
    ApplyFrame(parent != nullptr ? FrameSize(parent->window()) : QSize(0, 0));
    LayoutControls();

    jobs_list_->setColumnCount(kResultColumns);
    QStringList headers;
    for (const Column& column : kColumns) {
        headers << CatalogText(column.header);
    }
    jobs_list_->setHeaderLabels(headers);
    // A default width is widened where its caption (with the sort mark) would not fit; a stored
    // width narrower than that (0 would hide the column) gives the default. Stored widths that
    // together are wider than the screen would push the columns after the first out of sight: then
    // every column gets its default.
    QHeaderView* header = jobs_list_->header();
    header->setMinimumSectionSize(PixelsX(this, 105));
    const int caption_extra = 2 * style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header) +
                              style()->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, header) + 4;
    std::array<int, kResultColumns> stored_widths{};
    std::array<int, kResultColumns> default_widths{};
    qint64 stored_total = 0;
    for (int c = 0; c < kResultColumns; ++c) {
        const int caption = header->fontMetrics().horizontalAdvance(headers[c]) + caption_extra;
        default_widths[c] = std::max(PixelsX(this, kColumns[c].default_width), caption);
        const int stored = PixelsX(this, ReadSetting(kColumns[c].width_key, -1));
        stored_widths[c] = stored >= caption ? stored : default_widths[c];
        stored_total += stored_widths[c];
    }
    const bool stored_fit = stored_total <= ScreenAreaUnderTitle(place).width();
    for (int c = 0; c < kResultColumns; ++c) {
        jobs_list_->setColumnWidth(c, stored_fit ? stored_widths[c] : default_widths[c]);
    }
    RegisterWindow(this);
}

ResultWindow::~ResultWindow() {
    UnregisterWindow(this);
}

void ResultWindow::ShowResults(const run::ResultCollection& results) {
    Fill(results);
    exec();
}

void ResultWindow::Fill(const run::ResultCollection& results) {
    results_ = &results;
    for (int32_t i = 1; i <= results.Count(); ++i) {
        const diag::Diagnosis& diagnosis = *results.Item(i);
        auto* row = new ResultRow(jobs_list_);
        row->setData(0, Qt::UserRole, ToQString(RowKey(diagnosis)));
        row->setText(0, ToQString(diagnosis.JobId()));
        row->setText(1, ToQString(diagnosis.JobName()));
        row->setText(2, ToQString(diagnosis.JobStatus()));
        row->setText(3, ToQString(diagnosis.SpoolerName()));
        row->setText(4, ToQString(diagnosis.QueueName()));
        row->setText(5, ToQString(PrintersColumn(diagnosis)));
    }
    if (results.Count() > 0) {
        ShowMessages(results.Item(1));
        save_all_button_->setEnabled(true);
    }
}

void ResultWindow::ShowMessages(const diag::Diagnosis* diagnosis) {
    // Catalogue texts end with CR LF; the messages box shows plain line ends.
    QString text = diagnosis != nullptr ? ToQString(diagnosis->DetailText()) : QString();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    messages_->setPlainText(text);
}

void ResultWindow::ClickList(QTreeWidgetItem* row) {
    const diag::Diagnosis* diagnosis = nullptr;
    if (row != nullptr) {
        diagnosis = results_ != nullptr ? results_->Find(ToStdString(KeyOf(row))) : nullptr;
        ShowMessages(diagnosis);
    }
    // Only a row with a result can be saved; a click on empty space leaves nothing to save.
    save_button_->setEnabled(diagnosis != nullptr);
}

void ResultWindow::SortByColumn(int column) {
    const Qt::SortOrder order =
        ColumnClick(sort_marks_, column) == 0 ? Qt::AscendingOrder : Qt::DescendingOrder;
    jobs_list_->header()->setSortIndicatorShown(true);
    jobs_list_->header()->setSortIndicator(column, order);
    jobs_list_->sortItems(column, order);
}

void ResultWindow::SaveResults(const std::string& key) {
    if (results_ == nullptr) {
        return;
    }
    std::string bytes;
    if (key.empty()) {
        for (int32_t i = 1; i <= results_->Count(); ++i) {
            bytes += results_->Item(i)->ReportText() + "\r\n";
        }
    } else if (const diag::Diagnosis* diagnosis = results_->Find(key)) {
        bytes = diagnosis->ReportText() + "\r\n";
    } else {
        return;
    }
    const std::string& extension = text::Catalog(Msg::kLogFileExtension);
    QStringList filters;
    for (const std::string& filter : DialogNameFilters(text::Catalog(Msg::kLogFileFilter))) {
        filters << ToQString(filter);
    }
    const QString suffix = ToQString(extension.starts_with('.') ? extension.substr(1) : extension);
    const QString path = AskSaveFileName(
        this, ToQString(ProposedFileName(key, text::Catalog(Msg::kAppName), extension)), filters,
        suffix);
    if (path.isEmpty()) {
        return;  // cancelled: nothing to say
    }
    const std::string native_path = QFile::encodeName(path).toStdString();
    std::string error;
    if (!platform::ReplaceFileContents(native_path, bytes, &error)) {
        if (error.starts_with(native_path + ": ")) {
            error.erase(0, native_path.size() + 2);
        }
        ShowMessage(
            this, QMessageBox::Critical,
            QStringLiteral("Unable to save the log file \"%1\".\n%2").arg(path, ToQString(error)));
    }
}

void ResultWindow::done(int result) {
    SaveSettings();
    QDialog::done(result);
}

void ResultWindow::SaveSettings() {
    if (isMinimized()) {
        return;
    }
    const QRect outer = frameGeometry();
    WriteSetting("DiagResultLeft", TwipsX(this, outer.left()));
    WriteSetting("DiagResultTop", TwipsY(this, outer.top()));
    // Unless the window was resized, the size it was opened with is written back as it was: the
    // frame may have come, or changed, after the window was sized for it.
    const bool resized = size() != client_size_;
    WriteSetting("DiagResultWidth", resized ? TwipsX(this, outer.width()) : stored_outer_.width());
    WriteSetting("DiagResultHeight",
                 resized ? TwipsY(this, outer.height()) : stored_outer_.height());
    for (int c = 0; c < kResultColumns; ++c) {
        WriteSetting(kColumns[c].width_key, std::trunc(TwipsX(this, jobs_list_->columnWidth(c))));
    }
}

void ResultWindow::ApplyFrame(QSize frame) {
    const bool resized = isVisible() && size() != client_size_;
    // The minimum, like the stored size, is the outer one.
    setMinimumSize(QSize(PixelsX(this, kResultMinWidth), PixelsY(this, kResultMinHeight)) - frame);
    if (!resized) {
        client_size_ = outer_size_ - frame;
        resize(client_size_);
    }
}

void ResultWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    WhenFramed(this, [this](QSize frame) {
        ApplyFrame(frame);
        KeepOnScreen(this);
    });
}

void ResultWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    LayoutControls();
}

void ResultWindow::LayoutControls() {
    // The messages box shows at least three lines above its horizontal scroll bar, however small
    // the window.
    const int text_lines = 3 * messages_->fontMetrics().lineSpacing() +
                           2 * static_cast<int>(messages_->document()->documentMargin()) +
                           2 * messages_->frameWidth() +
                           messages_->horizontalScrollBar()->sizeHint().height();
    const ResultLayout layout = LayoutResultControls(static_cast<int>(TwipsX(this, width())),
                                                     static_cast<int>(TwipsY(this, height())),
                                                     static_cast<int>(std::ceil(
                                                         TwipsY(this, text_lines))));
    PlaceInTwips(close_button_, layout.close);
    PlaceInTwips(save_all_button_, layout.save_all);
    PlaceInTwips(save_button_, layout.save);
    PlaceInTwips(jobs_list_, layout.jobs);
    PlaceInTwips(messages_label_, layout.messages_label);
    PlaceInTwips(messages_, layout.messages);
    // A heading too long for its place ends in "..." and shows whole as the tip.
    const QString heading = messages_label_->fontMetrics().elidedText(
        kMessagesHeading, Qt::ElideRight, messages_label_->contentsRect().width());
    messages_label_->setText(heading);
    messages_label_->setToolTip(heading != kMessagesHeading ? kMessagesHeading : QString());
}

bool ResultWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == jobs_list_->viewport() && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            ClickList(jobs_list_->itemAt(mouse->position().toPoint()));
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace stallscan::ui
