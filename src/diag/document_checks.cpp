#include <string>
#include <vector>

#include "text/text_functions.h"
#include "diag/diagnose.h"
#include "model/string_list.h"

namespace stallscan::diag {

namespace {

// Beyond this many missing document numbers the listing's highest number is not believed: only
// the documents that the listing holds are checked, so that one absurd number cannot produce
// millions of messages.
constexpr int64_t kMaxAbsentDocuments = 10000;

// The documents to examine: 1..n, or only those present when n is absurd.
std::vector<int32_t> DocumentsToCheck(const listing::ObjectAttributes& job, int32_t n) {
    const std::vector<int32_t>& present = job.DocumentNumbers();
    if (static_cast<int64_t>(n) > static_cast<int64_t>(present.size()) + kMaxAbsentDocuments) {
        return present;
    }
    std::vector<int32_t> all;
    all.reserve(static_cast<size_t>(n));
    for (int32_t d = 1; d <= n; ++d) {
        all.push_back(d);
    }
    return all;
}

}  // namespace

void CheckEmptyDocuments(Diagnosis& diagnosis, const listing::ObjectAttributes& job) {
    const int32_t n =
        text::RoundToInt32(text::NumericValue(job.SingleValue("number-of-documents")));
    if (n < 1) {
        return;
    }
    for (int32_t d : DocumentsToCheck(job, n)) {
        if (text::NumericValue(job.SingleValue("octet-count", d)) > 0) {
            continue;
        }
        std::string name = job.PathValue("document-file-name", d);
        if (name.empty()) {
            name = job.PathValue("document-name", d);
        }
        diagnosis.Add(text::Msg::kReasonDocumentEmpty, {std::to_string(d), name});
    }
}

void CheckNativeDocFormats(Diagnosis& diagnosis, const std::string& printer_name,
                           const listing::ObjectAttributes& printer, const listing::ObjectAttributes& job) {
    const model::StringList formats(job.MultiValues("document-format"));
    if (formats.Count() == 0) {
        return;
    }
    model::StringList native(printer.MultiValues("native-document-formats-ready"));
    const bool pcl_printer = native.FindFirst("PCL", true) > 0;

    for (int32_t i = 1; i <= formats.Count(); ++i) {
        const std::string format = formats.Item(i);
        if (native.Find(format) == 0 && format == "simple-text" && pcl_printer) {
            diagnosis.Add(text::Msg::kWarningNotNativeFormat, {format, printer_name});
        }
    }
}

}  // namespace stallscan::diag
