// The real stand-in listing tool failing, end to end: it crashes or writes an error text, and each
// listing still ends with the right outcome, leaving no child process and no descriptor behind.
// The core runs in this process over the built tool; the tool's environment is set here and
// inherited by every run. (Tools that hang: command_line_test and fast_scan_test; that flood:
// demo_reports_test.)

#include <gtest/gtest.h>

#include "diag/diagnose.h"
#include "e2e/e2e_support.h"
#include "listing/tool_source.h"
#include "platform/platform.h"

using e2e::kDemoData;

// A listing that fails, by a crash however much of it arrived or by an error text, makes the
// diagnosis report that its object could not be accessed: never a shorter listing taken for the
// whole.
TEST(ToolFaults, EachObjectThatCannotBeListedGivesItsAccessMessage) {
    test_os::SetEnv("KVLS_DATA", kDemoData);
    test_os::WarmUpThreads();
    const int descriptors_before = stallscan::platform::OpenDescriptorCount();
    stallscan::listing::ToolSource source(KVLS_PATH);
    const struct {
        const char* fault;
        const char* match;
        const char* job;
        std::vector<int> ids;
    } cases[] = {
        // The job (cut inside its name, which was once reported as the job's name), the queue.
        {"crash-after:60", "-cj", "10", {110}},
        {"crash-after:25", "-cq", "10", {106}},
        // The supervisor cut after its name and before "enabled = false": listed, it would pass
        // for an enabled supervisor of no type. The diagnosis stops at it instead.
        {"crash-after:32", "sup-off", "8", {320, 321, 345, 346, 104}},
        // The assigned printer of a printing job.
        {"crash-after:30", "-cp", "4", {339, 105}},
        // An error text instead of a listing. lp-jam is the second printer of q-trouble: the
        // first is still reported; "not found" ends the printer loop.
        {"stderr:x", "lp-jam", "7", {318, 329}},
        {"stderr:x", "current-job-state", "10", {333, 107}},  // the final re-check
    };
    for (const auto& c : cases) {
        test_os::SetEnv("KVLS_FAULT", c.fault);
        test_os::SetEnv("KVLS_FAULT_MATCH", c.match);
        std::vector<int> ids;
        stallscan::listing::Lister lister(source);
        const stallscan::diag::Diagnosis diagnosis =
            stallscan::diag::DiagnoseJob(lister, "demo", "", c.job);
        for (const auto& message : diagnosis.Messages()) {
            ids.push_back(static_cast<int>(message.id));
        }
        EXPECT_EQ(ids, c.ids) << c.fault << " " << c.match;
    }
    for (const char* name : {"KVLS_DATA", "KVLS_FAULT", "KVLS_FAULT_MATCH"}) {
        test_os::UnsetEnv(name);
    }
    EXPECT_EQ(stallscan::platform::OpenDescriptorCount(), descriptors_before);
    EXPECT_TRUE(test_os::NoChildLeft());
}
