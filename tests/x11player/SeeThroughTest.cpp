// The choice between a shaped and a translucent show window from what the X server
// reports.

#include "player/x11/SeeThrough.h"

#include <gtest/gtest.h>

using x11show::SeeThrough;
using x11show::ServerFacts;

TEST(SeeThroughChoice, TranslucentOnlyWhereSomethingCompositesAndAnArgbVisualExists) {
    struct Row {
        const char* name;
        ServerFacts facts;
        SeeThrough expected;
    };
    // Fields: shape extension, compositing manager, XWayland, 32-bit visual.
    const Row rows[] = {
        {"plain X server", {true, false, false, true}, SeeThrough::Shaped},
        {"compositing manager", {true, true, false, true}, SeeThrough::Translucent},
        {"XWayland without a compositing selection",
         {true, false, true, true},
         SeeThrough::Translucent},
        {"XWayland with one", {true, true, true, true}, SeeThrough::Translucent},
        {"compositing, no 32-bit visual", {true, true, false, false}, SeeThrough::Shaped},
        {"XWayland, no 32-bit visual", {true, false, true, false}, SeeThrough::Shaped},
        {"nothing composites, no 32-bit visual", {true, false, false, false}, SeeThrough::Shaped},
    };
    for (const Row& r : rows)
        EXPECT_EQ(x11show::ChooseSeeThrough(r.facts), r.expected) << r.name;
}
