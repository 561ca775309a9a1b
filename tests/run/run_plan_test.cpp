#include "run/run_plan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fake_source.h"

namespace {

using Strings = std::vector<std::string>;

// "server:job" of each item, "!" marking a repeated key.
Strings Items(const stallscan::run::RunPlan& plan) {
    Strings items;
    for (const auto& item : plan.items) {
        items.push_back(item.server + ":" + item.job + (item.repeated_key ? "!" : ""));
    }
    return items;
}

// Servers expand in place, a repeated item moves to its last place, blanks around the parts go,
// and the default server is asked for once, only when an item names none. Typed jobs are never
// expanded. (Servers without jobs, and the plans of the demo: tests/e2e.)
TEST(RunPlans, ServersExpandInPlaceAndRepeatedItemsMoveToTheEnd) {
    fake::FakeSource source;
    stallscan::listing::Lister lister{source};
    int default_asked = 0;
    const auto plan = [&](Strings specs, bool expand) {
        return stallscan::run::MakeRunPlan(lister, {std::move(specs), expand, " D1 ", [&] {
                                                        ++default_asked;
                                                        return std::string(" home ");
                                                    }});
    };
    source.AddJobList("S1", {"S1:9", "S1:10"});
    EXPECT_EQ(Items(plan({"S2:7", "S1:", "12", "S2:7", " S3 : 4 ", "S1:9", "13"}, true)),
              (Strings{"S1:10", "home:12", "S2:7", "S3:4", "S1:9", "home:13"}));
    EXPECT_EQ(source.Calls(), (Strings{"4:S1:|job-identifier"}));
    EXPECT_EQ(Items(plan({"S1:1", "s1:1", "S1:1 "}, true)), (Strings{"S1:1", "s1:1!", "S1:1!"}));
    EXPECT_EQ(default_asked, 1);
    EXPECT_EQ(Items(plan({"12", "S1:", "12"}, false)), (Strings{"S1:", "home:12"}));
    EXPECT_EQ(source.Calls().size(), 1u);
}

// Every front end's rule for the default server and the SPECs: a source of one server (CUPS) is
// the server of the items without one, and all its waiting jobs when no SPEC is given; otherwise
// the default printer's "associated-server", listed only when an item needs it.
TEST(RunPlans, ASourceOfOneServerOrTheDefaultPrintersServer) {
    struct OneServer : fake::FakeSource {
        std::string OnlyServer() const override { return "cups1"; }
    } one;
    one.AddJobList("cups1", {"cups1:3"});
    stallscan::listing::Lister over_one{one};
    EXPECT_EQ(Items(stallscan::run::PlanForSource(over_one, {}, "", "P1")), (Strings{"cups1:3"}));
    EXPECT_EQ(Items(stallscan::run::PlanForSource(over_one, {"5"}, "", "P1")), (Strings{"cups1:5"}));
    EXPECT_EQ(one.Runs(fake::ObjectClass::kPrinter, "P1"), 0);

    fake::FakeSource tool;
    tool.Add(fake::ObjectClass::kPrinter, "P1", {{"associated-server", "S9"}});
    stallscan::listing::Lister over_tool{tool};
    EXPECT_EQ(Items(stallscan::run::PlanForSource(over_tool, {"S1:4"}, "", "P1")),
              (Strings{"S1:4"}));
    EXPECT_EQ(tool.Runs(fake::ObjectClass::kPrinter, "P1"), 0);
    EXPECT_EQ(Items(stallscan::run::PlanForSource(over_tool, {"S1:4", "12"}, "", "P1")),
              (Strings{"S1:4", "S9:12"}));
    EXPECT_EQ(stallscan::run::DefaultServer(over_tool, ""), "");
    EXPECT_EQ(stallscan::run::KnownDefaultServer("", "P1"), std::nullopt);
}

}  // namespace
