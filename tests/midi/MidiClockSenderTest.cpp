#include <gtest/gtest.h>

#include <sstream>

#include "midi/MidiClockSender.h"

namespace tavrilo {
namespace {

using namespace std::chrono_literals;

// What was sent, as "due in ms: bytes in hex".
struct FakeOutput final : MidiOutput {
    std::ostringstream sent;
    void send(Nanos due, std::span<const std::uint8_t> message) override {
        sent << std::dec << due / 1ms << ":" << std::hex;
        for (const std::uint8_t b : message)
            sent << " " << +b;
        sent << ", ";
    }
};

// Six clocks per step, the first on the step; Start before a start from step 0, the position
// and Continue before one from another step; Stop after the clocks already sent.
TEST(MidiClockSender, StampsStartClocksAndStop) {
    FakeOutput out;
    MidiClockSender sender(out);
    sender.started(0);
    sender.stepped({1000ms, 120ms});
    sender.stepped({1120ms, 120ms});
    sender.stopped();
    sender.started(200);  // 200 sixteenths: 72 + 1 * 128
    sender.stepped({900ms, 0ms});
    sender.stepped({3000ms, 0ms});
    EXPECT_EQ(out.sent.str(),
              "0: fa, 1000: f8, 1020: f8, 1040: f8, 1060: f8, 1080: f8, 1100: f8, 1120: f8, "
              "1140: f8, 1160: f8, 1180: f8, 1200: f8, 1220: f8, 1220: fc, "
              "1220: f2 48 1, 1220: fb, 1220: f8, 3000: f8, ");
}

}  // namespace
}  // namespace tavrilo
