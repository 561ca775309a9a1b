#include "run/startup_values.h"

#include "listing/canned_source.h"
#include "listing/tool_source.h"

#ifdef STALLSCAN_WITH_CUPS
#include "cups/cups_source.h"
#endif

namespace stallscan::run {

bool CupsAvailable() {
#ifdef STALLSCAN_WITH_CUPS
    return true;
#else
    return false;
#endif
}

std::unique_ptr<listing::ListingSource> MakeSource(const StartupValues& values,
                                                   std::string* error) {
    if (values.cups_server) {
#ifdef STALLSCAN_WITH_CUPS
        std::string reason;
        auto server = cups::ParseServer(*values.cups_server, &reason);
        if (!server) {
            if (error != nullptr) {
                *error = reason;
            }
            return nullptr;
        }
        return std::make_unique<cups::CupsSource>(std::move(*server));
#else
        if (error != nullptr) {
            *error = "this build of stallscan cannot ask CUPS servers";
        }
        return nullptr;
#endif
    }
    if (values.PseudoMode()) {
        return std::make_unique<listing::CannedSource>(values.pseudo_dir);
    }
    return std::make_unique<listing::ToolSource>(values.tool_path);
}

}  // namespace stallscan::run
