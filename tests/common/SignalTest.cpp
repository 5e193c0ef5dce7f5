#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/Signal.h"

namespace tavrilo {
namespace {

// A listener may go first or last; either way nothing dangles. Slots may come and go while the
// signal is being sent: a new one hears the next sending, a removed one is not called again.
TEST(Signal, SubscriptionsEndThemselvesWhicheverSideGoesFirst) {
    std::string heard;
    auto signal = std::make_unique<Signal<int>>();
    auto log = [&heard](const char* who) {
        return [&heard, who](int v) { heard += who + std::to_string(v) + " "; };
    };
    auto a = std::make_unique<Subscription>(signal->connect(log("a")));
    Subscription late;
    Subscription b = signal->connect([&](int v) {
        log("b")(v);
        a.reset();  // a listener going away in the middle of a sending
        if (v == 1) late = signal->connect(log("c"));
    });
    (*signal)(1);
    (*signal)(2);
    b.reset();
    (*signal)(3);
    EXPECT_EQ(heard, "a1 b1 b2 c2 c3 ");
    signal.reset();  // the signal first: the handle left is harmless
    late.reset();
}

}  // namespace
}  // namespace tavrilo
