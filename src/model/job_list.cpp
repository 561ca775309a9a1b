#include "model/job_list.h"

#include <algorithm>
#include <limits>

#include "app/text_functions.h"
#include "listing/child_runner.h"
#include "listing/kv_output.h"
#include "listing/listing_query.h"
#include "model/listing_parser.h"

namespace {

const std::string kJobIdentifier = "job-identifier";

// Result codes travel as 16-bit values here; a code outside that range (a child's exit code)
// saturates instead of wrapping, so that a failure never reads as success.
int16_t ToInt16(int32_t code) {
    return static_cast<int16_t>(std::clamp<int32_t>(code, std::numeric_limits<int16_t>::min(),
                                                    std::numeric_limits<int16_t>::max()));
}

// True when the object name is a job: a ":" followed by a non-zero number.
bool IsJobName(const std::string& name) {
    const size_t colon = name.find(':');
    if (colon == std::string::npos) {
        return false;
    }
    return basCommon::NumericValue(std::string_view(name).substr(colon + 1)) != 0.0;
}

}  // namespace

int32_t clsJobList::Init(const std::string& in_srvName, const std::string& in_domName) {
    m_address.Init(kClassJob, in_srvName + ":", in_domName);
    return Update();
}

int16_t clsJobList::Update() {
    if (m_address.ObjectName().empty()) {
        return static_cast<int16_t>(basPosixCtl::kAddressRefused);
    }
    m_jobIds.Clear();
    clsKvOutput out;
    clsKvOutput err;
    const int32_t result =
        basPosixCtl::RunListingQuery(m_address, kJobIdentifier, out, err, kWaitingJobFilter);
    if (result != 0) {
        return ToInt16(result);
    }
    clsStringList entries;
    std::string objName;
    while (true) {
        entries.Clear();
        const int32_t parsed = basPosixCtl::ParseListing(out, objName, entries);
        // No attribute line left: the listing is done. An object that gave no entry (all its
        // values empty) is skipped like any object without a job identifier, so that the jobs
        // listed after it are not lost.
        if (parsed != 0 && objName.empty()) {
            return 0;
        }
        if (parsed == 0 && !entries.Item(kJobIdentifier).empty() && IsJobName(objName)) {
            m_jobIds.Add(objName);
        }
    }
}
