#include "run/startup_values.h"

#include "listing/canned_source.h"
#include "listing/tool_source.h"

namespace stallscan::run {

std::unique_ptr<listing::ListingSource> MakeSource(const StartupValues& values) {
    if (values.PseudoMode()) {
        return std::make_unique<listing::CannedSource>(values.pseudo_dir);
    }
    return std::make_unique<listing::ToolSource>(values.tool_path);
}

}  // namespace stallscan::run
