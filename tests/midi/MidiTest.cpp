#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "midi/MidiClockSender.h"
#include "midi/MidiInput.h"

namespace tavrilo {
namespace {

using namespace std::chrono_literals;

struct CountingWake final : ThreadWake {
    std::atomic<int> count{0};
    void wake() noexcept override { ++count; }
};

std::vector<std::uint8_t> hex(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::uint8_t> out;
    for (unsigned b; in >> std::hex >> b;)
        out.push_back(static_cast<std::uint8_t>(b));
    return out;
}

// Feeds the bytes one call each, byte i stamped i ms, as one batch, and returns the events the
// UI thread drains, as text stamped with the byte that completed them.
std::string feed(MidiInput& input, const std::vector<std::uint8_t>& bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i)
        input.receive(std::span(&bytes[i], 1), std::chrono::milliseconds(i));
    input.endBatch();
    static const char* names[] = {"on ", "clock", "start", "continue", "stop", "spp "};
    std::vector<MidiEvent> events(MidiInput::kCapacity);
    std::ostringstream s;
    for (const MidiEvent& e : std::span(events).first(input.drain(events))) {
        s << names[static_cast<int>(e.type)];
        if (e.type == MidiEvent::Type::NoteOn)
            s << +e.channel << "/" << +e.note << "/" << +e.velocity;
        if (e.type == MidiEvent::Type::SongPosition) s << e.position;
        s << "@" << e.time / 1ms << " ";
    }
    return s.str();
}

// One wake of the UI thread for a batch with events, none without. Notes 48 to 71 play the
// pitch indices 1 to 24.
TEST(MidiInput, ParsesByteStreams) {
    std::string longSysex = "F0";
    for (int i = 0; i < 5000; ++i)
        longSysex += i == 2500 ? " F8" : " 12";
    const std::pair<std::string, std::string> cases[] = {
        {"90 3C 40 3E 50 3C 00 80 3C 40", "on 0/60/64@2 on 0/62/80@4 "},  // running status
        {"91 3C F8 40 F8 3E FA 41", "clock@2 on 1/60/64@3 clock@4 start@6 on 1/62/65@7 "},
        {longSysex + " F7 9F 30 7F", "clock@2501 on 15/48/127@5004 "},
        {"F0 01 FC 02 92 30 01", "stop@2 on 2/48/1@6 "},  // a status byte ends system exclusive
        {"90 3C 92 30 40 90 F2 05 01", "on 2/48/64@4 spp 133@8 "},  // cut short: dropped
        {"3C 40 F2 05 00 3C 40 F7 3C 40 F4 3C 40", "spp 5@4 "},     // data bytes without status
        {"F8 F9 FA FB FC FD FE FF", "clock@0 start@2 continue@3 stop@4 "},
        {"B0 07 64 C0 05 06 E0 00 40 F6 3C 40", ""},
    };
    for (const auto& [stream, expected] : cases) {
        SCOPED_TRACE(stream.substr(0, 60));
        CountingWake wake;
        MidiInput input(wake);
        EXPECT_EQ(feed(input, hex(stream)), expected);
        EXPECT_EQ(wake.count, expected.empty() ? 0 : 1);
    }
    for (const auto& [note, pitch] : {std::pair{47, 0}, {48, 1}, {60, 13}, {71, 24}, {72, 0}})
        EXPECT_EQ(pitchForNote(note).value_or(0), pitch) << note;
}

// A MIDI thread floods a UI thread that drains, in slices, only when woken: every event comes
// through, in order, or is counted as dropped while the queue was full (its first batch, twice
// the queue, before any wake, overflows it); none is left unwoken.
TEST(MidiInput, HandsEventsOverToAThreadThatWaitsForItsWake) {
    CountingWake wake;
    MidiInput input(wake);
    constexpr long kClocks = 1'000'000;
    std::thread midi([&input] {
        const std::uint8_t clock = 0xF8;
        for (long i = 1; i <= kClocks; ++i)
            if (input.receive({&clock, 1}, Nanos(i)); i % 2000 == 0) input.endBatch();
    });
    std::vector<MidiEvent> slice(64);
    long received = 0, disordered = 0;
    Nanos last{0};
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    for (int seen = 0; received + static_cast<long>(input.dropped()) < kClocks &&
                       std::chrono::steady_clock::now() < deadline;
         std::this_thread::yield())
        if (const int woken = wake.count; woken != seen) {
            seen = woken;
            for (const MidiEvent& e : std::span(slice).first(input.drain(slice)))
                disordered += e.time <= std::exchange(last, e.time), ++received;
        }
    midi.join();
    EXPECT_EQ(received + static_cast<long>(input.dropped()), kClocks);
    EXPECT_GT(input.dropped(), 0u);
    EXPECT_EQ(disordered, 0);
}

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
