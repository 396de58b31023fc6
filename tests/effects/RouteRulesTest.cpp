// The route module over the routing pool: which endpoints tracks get, how
// many users each endpoint counts, and which cable the next route reuses.
#include "ModuleRulesFixture.h"

#include "timeline/SourceDestPool.h"

namespace {

bool onScreen(const Track& t) {
    return t.destination() && !t.destination()->isOffscreen();
}

}  // namespace

TEST_F(ModuleRules, ConcurrentRoutesGetTheirOwnCablesAndFreedCablesAreReusedInOrder) {
    ASSERT_TRUE(command("r1", "route", "start", {{"source", "s1"}, {"destination", "d1"}}));
    ASSERT_TRUE(command("r2", "route", "start", {{"source", "s2"}, {"destination", "d2"}}));
    PoolEntry* c1 = track("s1").destination();
    PoolEntry* c2 = track("s2").destination();
    ASSERT_NE(c1, c2);
    EXPECT_TRUE(c1->isOffscreen());
    EXPECT_EQ(track("d1").source(), c1);
    EXPECT_EQ(track("d2").source(), c2);
    EXPECT_EQ(c1->useCount(), 2) << "the source's destination and the destination's source";
    EXPECT_EQ(dependency("s1", "d1"), 1);

    ASSERT_TRUE(command("r2", "route", "stop"));
    ASSERT_TRUE(command("r1", "route", "stop"));
    EXPECT_EQ(c1->useCount(), 0);
    EXPECT_EQ(c2->useCount(), 0);
    EXPECT_TRUE(onScreen(track("s1")));
    EXPECT_EQ(track("d1").source(), nullptr);
    EXPECT_EQ(dependency("s1", "d1"), 0);
    EXPECT_EQ(selected("r1"), nullptr);

    // The next route, of any module, takes the earliest free cable. The
    // pool is process-wide, so earlier free cables may exist: the next one
    // handed out is never created after c1.
    PoolEntry* firstFree = SourceDestPool::instance().freeEndpoint("PatchCable");
    command("r3", "route", "start", {{"source", "s3"}, {"destination", "d3"}});
    EXPECT_EQ(track("s3").destination(), firstFree);
    command("r4", "route", "start", {{"source", "s4"}, {"destination", "d4"}});
    if (firstFree == c1) {
        EXPECT_EQ(track("s4").destination(), c2);
    }
}

TEST_F(ModuleRules, RouteOntoItselfDrawsIntoTheCableItReads) {
    command("r", "route", "start", {{"source", "loop"}, {"destination", "loop"}});
    PoolEntry* cable = track("loop").destination();
    EXPECT_TRUE(cable->isOffscreen());
    EXPECT_EQ(track("loop").source(), cable);
    EXPECT_EQ(cable->useCount(), 2);
    command("r", "route", "stop");
    EXPECT_EQ(cable->useCount(), 0);
    EXPECT_TRUE(onScreen(track("loop")));
}

TEST_F(ModuleRules, UnknownWordsChangeNothingAndSecondStartReleasesTheFirstRoute) {
    command("r", "route", "start", {{"source", "a"}, {"destination", "b"}});
    PoolEntry* first = track("a").destination();
    setScriptErrorFlag(false);
    EXPECT_TRUE(command("r", "route", "setParam", {{"source", "c"}}));
    EXPECT_TRUE(scriptErrorFlag()) << "reported as an error";
    EXPECT_EQ(track("a").destination(), first);
    EXPECT_EQ(track("c").destination()->isOffscreen(), false);
    setScriptErrorFlag(false);

    // Started again on other tracks: the first source draws on screen again
    // and its cable, free at once, carries the new route; only the new pair
    // is ordered.
    command("r", "route", "start", {{"source", "c"}, {"destination", "d"}});
    EXPECT_TRUE(onScreen(track("a")));
    EXPECT_EQ(track("b").source(), nullptr);
    EXPECT_EQ(track("c").destination(), first);
    EXPECT_EQ(track("d").source(), first);
    EXPECT_EQ(first->useCount(), 2);
    EXPECT_EQ(dependency("a", "b"), 0);
    EXPECT_EQ(dependency("c", "d"), 1);
}

TEST_F(ModuleRules, DeselectedRouteDropsItsOrderButKeepsTheCable) {
    command("r", "route", "start", {{"source", "a"}, {"destination", "b"}});
    PoolEntry* cable = track("a").destination();
    command("r", "dummyModule", "start");
    EXPECT_EQ(dependency("a", "b"), 0);
    EXPECT_EQ(track("a").destination(), cable);
    EXPECT_EQ(track("b").source(), cable);
}

TEST_F(ModuleRules, RouteStopBeforeStartAborts) {
    EXPECT_EXIT(command("r", "route", "stop"), testing::ExitedWithCode(23),
                "FxModule - stop called without tracks set, aborting\n");
}
