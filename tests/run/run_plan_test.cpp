#include "run/run_plan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fake_source.h"

namespace {

using stallscan::listing::Lister;
using stallscan::listing::Status;
using stallscan::model::ObjectClass;
using stallscan::run::MakeRunPlan;
using stallscan::run::PlanRequest;
using stallscan::run::RunPlan;

class RunPlans : public ::testing::Test {
  protected:
    RunPlan Plan(std::vector<std::string> specs, bool expand = true) {
        return MakeRunPlan(lister_, {std::move(specs), expand, " D1 ", [this] {
                                         ++default_asked_;
                                         return std::string(" home ");
                                     }});
    }
    // "server:job" of each item, "!" marking a repeated key.
    static std::vector<std::string> Items(const RunPlan& plan) {
        std::vector<std::string> items;
        for (const auto& item : plan.items) {
            items.push_back(item.server + ":" + item.job + (item.repeated_key ? "!" : ""));
        }
        return items;
    }

    fake::FakeSource source_;
    Lister lister_{source_};
    int default_asked_ = 0;
};

using Strings = std::vector<std::string>;

TEST_F(RunPlans, ServersExpandInPlaceAndRepeatedItemsMoveToTheEnd) {
    source_.AddJobList("S1", {"S1:9", "S1:10"});
    const RunPlan plan = Plan({"S2:7", "S1:", "12", "S2:7", " S3 : 4 ", "S1:9"});
    EXPECT_EQ(Items(plan), (Strings{"S1:10", "home:12", "S2:7", "S3:4", "S1:9"}));
    EXPECT_EQ(default_asked_, 1);
    EXPECT_EQ(source_.Calls(), (Strings{"4:S1:|job-identifier"}));
    EXPECT_TRUE(plan.empty_servers.empty());

    EXPECT_EQ(Items(Plan({"S1:1", "s1:1", "S1:1 "})), (Strings{"S1:1", "s1:1!", "S1:1!"}));
    EXPECT_EQ(default_asked_, 1);  // asked only when an item names no server
}

TEST_F(RunPlans, ServersWithoutJobsAreReportedWithTheirListing) {
    source_.Fail(ObjectClass::kJob, "S2:", Status::kToolError, "down");
    const RunPlan plan = Plan({"S1:", "S2:", "S9:1"});
    EXPECT_EQ(Items(plan), (Strings{"S9:1"}));
    ASSERT_EQ(plan.empty_servers.size(), 2u);
    EXPECT_EQ(plan.empty_servers[0].server, "S1");
    EXPECT_EQ(plan.empty_servers[0].status, Status::kNoEntries);
    EXPECT_EQ(plan.empty_servers[1].status, Status::kToolError);
}

TEST_F(RunPlans, TypedJobsAreNeverExpanded) {
    EXPECT_EQ(Items(Plan({"12", "S1:", "12"}, false)), (Strings{"S1:", "home:12"}));
    EXPECT_TRUE(source_.Calls().empty());
}

}  // namespace
