#include "ui/ui_rules.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "diag/diag_result.h"

namespace ui {

int TwipsToPixels(double twips, double dpi) {
    return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}

double PixelsToTwips(int pixels, double dpi) {
    return pixels * kTwipsPerInch / dpi;
}

bool CanStartDiag(bool defaultServerChosen, const std::string& userServer, bool allJobsChosen,
                  const std::string& userJobs) {
    const bool serverChosen = defaultServerChosen || !userServer.empty();
    const bool jobsChosen = allJobsChosen || !userJobs.empty();
    return serverChosen && jobsChosen;
}

ResultLayout LayoutResultControls(int w, int h) {
    constexpr int kButtonWidth = 1275;
    constexpr int kButtonHeight = 315;
    constexpr int kMargin = 60;
    ResultLayout l;
    l.cmdClose = {w - 1490, h - 375, kButtonWidth, kButtonHeight};
    l.cmdSaveAll = {w - 2810, h - 375, kButtonWidth, kButtonHeight};
    l.cmdSave = {w - 4130, h - 375, kButtonWidth, kButtonHeight};
    l.lvwJobs = {kMargin, kMargin, w - 120, static_cast<int>(std::floor(h * 0.5))};
    const int listBottom = l.lvwJobs.top + l.lvwJobs.height;
    l.lblDiagMessages = {kMargin, listBottom + 45, w - 120, 240};
    const int textTop = listBottom + 285;
    l.txtDiagMessages = {kMargin, textTop, w - 120, h - 480 - textTop};
    return l;
}

std::string ProposedFileName(const std::string& key, const std::string& appName,
                             const std::string& extension) {
    const size_t colon = key.find(':');
    if (!key.empty() && colon != std::string::npos) {
        return appName + key.substr(colon + 1) + extension;
    }
    return appName + extension;
}

std::vector<std::string> DialogNameFilters(const std::string& catalogueFilter) {
    std::vector<std::string> pieces;
    size_t start = 0;
    while (start < catalogueFilter.size()) {
        size_t bar = catalogueFilter.find('|', start);
        if (bar == std::string::npos) {
            bar = catalogueFilter.size();
        }
        pieces.push_back(catalogueFilter.substr(start, bar - start));
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
    const std::string trimmed = TrimBlanks(text);
    if (trimmed.empty()) {
        return std::nullopt;
    }
    const char* first = trimmed.data();
    const char* last = first + trimmed.size();
    if (*first == '+') {
        ++first;  // from_chars does not take a plus sign
    }
    double value = 0;
    const auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec != std::errc() || ptr != last || !std::isfinite(value) || std::fabs(value) > 1e7) {
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
    const int next = order ^ 1;
    marks.fill(0);
    marks[column] = next;
    return order;
}

std::string RowKey(const clsDiagResult& result) {
    return result.SpoolerName() + ":" + result.JobId();
}

std::string PrintersColumn(const clsDiagResult& result) {
    return result.PhyPrintersReq().empty() ? result.PhyPrintersSup() : result.PhyPrintersReq();
}

std::pair<std::string, std::string> SplitJobItem(const std::string& item,
                                                 const std::string& defaultServer) {
    const size_t colon = item.find(':');
    if (colon == std::string::npos) {
        return {defaultServer, item};
    }
    return {TrimBlanks(item.substr(0, colon)), TrimBlanks(item.substr(colon + 1))};
}

std::string TrimBlanks(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    const size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

}  // namespace ui
