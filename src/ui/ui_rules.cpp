#include "ui/ui_rules.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "text/text_functions.h"

namespace stallscan::ui {

int TwipsToPixels(double twips, double dpi) {
    return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}

double PixelsToTwips(int pixels, double dpi) {
    return pixels * kTwipsPerInch / dpi;
}

bool CanStartRun(bool default_server_chosen, const std::string& typed_server, bool all_jobs_chosen,
                 const std::string& typed_jobs) {
    return (default_server_chosen || !typed_server.empty()) &&
           (all_jobs_chosen || !typed_jobs.empty());
}

ResultLayout LayoutResultControls(int width, int height, int min_messages_height) {
    constexpr int kButtonWidth = 1275;
    constexpr int kButtonHeight = 315;
    constexpr int kMargin = 60;
    constexpr int kTextGap = 285;     // from the list's bottom to the messages box
    constexpr int kTextBottom = 480;  // from the messages box's bottom to the client area's
    ResultLayout layout;
    layout.close = {width - 1490, height - 375, kButtonWidth, kButtonHeight};
    layout.save_all = {width - 2810, height - 375, kButtonWidth, kButtonHeight};
    layout.save = {width - 4130, height - 375, kButtonWidth, kButtonHeight};
    const int half = static_cast<int>(std::floor(height * 0.5));
    const int leaving_min = height - kTextBottom - kTextGap - kMargin - min_messages_height;
    layout.jobs = {kMargin, kMargin, width - 120, std::max(0, std::min(half, leaving_min))};
    const int list_bottom = layout.jobs.top + layout.jobs.height;
    layout.messages_label = {kMargin, list_bottom + 45, width - 120, 240};
    const int text_top = list_bottom + kTextGap;
    layout.messages = {kMargin, text_top, width - 120, height - 480 - text_top};
    return layout;
}

std::string ProposedFileName(const std::string& key, const std::string& app_name,
                             const std::string& extension) {
    const size_t colon = key.find(':');
    if (colon != std::string::npos) {
        return app_name + key.substr(colon + 1) + extension;
    }
    return app_name + extension;
}

std::vector<std::string> DialogNameFilters(const std::string& catalog_filter) {
    std::vector<std::string> pieces;
    size_t start = 0;
    while (start < catalog_filter.size()) {
        size_t bar = catalog_filter.find('|', start);
        if (bar == std::string::npos) {
            bar = catalog_filter.size();
        }
        pieces.push_back(catalog_filter.substr(start, bar - start));
        start = bar + 1;
    }
    std::vector<std::string> filters;
    for (size_t i = 0; i + 1 < pieces.size(); i += 2) {
        const std::string& description = pieces[i];
        const std::string& pattern = pieces[i + 1];
        if (pattern.empty()) {
            continue;
        }
        if (description.find("(" + pattern + ")") != std::string::npos) {
            filters.push_back(description);
        } else {
            filters.push_back(description + " (" + pattern + ")");
        }
    }
    return filters;
}

std::optional<double> ParseStoredNumber(const std::string& text) {
    const std::string_view trimmed = text::TrimSpaces(text);
    if (trimmed.empty()) {
        return std::nullopt;
    }
    const char* first = trimmed.data();
    const char* last = first + trimmed.size();
    if (*first == '+') {
        ++first;  // from_chars does not take a plus sign
    }
    double value = 0;
    const auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
    if (error != std::errc() || end != last || !std::isfinite(value) || std::fabs(value) > 1e7) {
        return std::nullopt;
    }
    return value;
}

std::string FormatStoredNumber(double value) {
    const float single = static_cast<float>(value);
    char buffer[64];
    for (int decimals = 0; decimals <= 9; ++decimals) {
        std::snprintf(buffer, sizeof buffer, "%.*f", decimals, static_cast<double>(single));
        if (std::strtof(buffer, nullptr) == single) {
            break;
        }
    }
    return buffer;
}

int ColumnClick(SortMarks& marks, int column) {
    if (column < 0 || column >= kResultColumns) {
        return 0;
    }
    const int order = marks[column];
    marks.fill(0);
    marks[column] = order ^ 1;
    return order;
}

std::string RowKey(const diag::Diagnosis& diagnosis) {
    return diagnosis.SpoolerName() + ":" + diagnosis.JobId();
}

std::string PrintersColumn(const diag::Diagnosis& diagnosis) {
    return diagnosis.PrintersRequested().empty() ? diagnosis.PrintersSupported()
                                                 : diagnosis.PrintersRequested();
}

}  // namespace stallscan::ui
