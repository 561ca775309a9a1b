#include <string>
#include <vector>

#include "app/catalog.h"
#include "app/text_functions.h"
#include "diag/diagnose_job.h"
#include "model/string_list.h"

namespace basDiagJobs {

namespace {

// Beyond this many missing document numbers the listing's highest number is not believed: only
// the documents that the listing holds are checked, so that one absurd number cannot produce
// millions of messages.
constexpr int64_t kMaxAbsentDocuments = 10000;

// The documents to examine: 1..n, or only those present when n is absurd.
std::vector<int32_t> DocumentsToCheck(const clsObjectAttrs& job, int32_t n) {
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

void CheckEmptyDocuments(clsDiagResult& result, const clsObjectAttrs& job) {
    const int32_t n =
        basCommon::RoundToInt32(basCommon::NumericValue(job.GetSingleValue("number-of-documents")));
    if (n < 1) {
        return;
    }
    for (int32_t d : DocumentsToCheck(job, n)) {
        if (basCommon::NumericValue(job.GetSingleValue("octet-count", d)) > 0) {
            continue;
        }
        std::string name = job.GetSingleValueInWinPath("document-file-name", d);
        if (name.empty()) {
            name = job.GetSingleValueInWinPath("document-name", d);
        }
        result.PrintF(msg::ReasonDocumentEmpty, {std::to_string(d), name});
    }
}

void CheckNativeDocFormats(clsDiagResult& result, const std::string& printerName,
                           const clsObjectAttrs& printer, const clsObjectAttrs& job) {
    clsStringList formats;
    if (formats.Init(job.GetMultiValues("document-format")) == 0) {
        return;
    }
    clsStringList native;
    native.Init(printer.GetMultiValues("native-document-formats-ready"));
    const bool pclPrinter = native.FindFirst("PCL", true) > 0;

    for (int32_t i = 1; i <= formats.Count(); ++i) {
        const std::string format = formats.Item(i);
        if (native.Find(format) == 0 && format == "simple-text" && pclPrinter) {
            result.PrintF(msg::WarningNotNativeFormat, {format, printerName});
        }
    }
}

}  // namespace basDiagJobs
