#pragma once
// The waiting (pending, paused, held) jobs of one server, listed with one run of the tool.

#include <cstdint>
#include <string>

#include "model/object_addr.h"
#include "model/string_list.h"

// The filter that selects the waiting jobs.
inline const std::string kWaitingJobFilter =
    "(current-job-state==pending) || (current-job-state==paused) || (current-job-state==held)";

class clsJobList {
public:
    int32_t Init(const std::string& in_srvName, const std::string& in_domName);
    // 0 listed (possibly no job); 2006 before any Init; any other code from the listing query.
    int16_t Update();
    int32_t Count() const { return m_jobIds.Count(); }
    // The identifiers ("srv1:12") joined by single blanks.
    std::string GetJobIdString() const { return m_jobIds.GetAllItems(" ", false); }
    clsStringList& GetJobIdList() { return m_jobIds; }

private:
    clsObjectAddr m_address;
    clsStringList m_jobIds;
};
