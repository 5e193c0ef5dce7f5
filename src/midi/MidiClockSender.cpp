#include "midi/MidiClockSender.h"

#include <algorithm>

namespace tavrilo {

namespace {
constexpr int kClocksPerStep = 6;  // 24 per quarter note, a step being a sixteenth
}

void MidiClockSender::started(int fromStep) {
    if (fromStep == 0) return send(m_last, {0xFA});
    const int position = std::clamp(fromStep, 0, 0x3FFF);  // 14 bits, in sixteenths
    send(m_last, {0xF2, static_cast<std::uint8_t>(position & 0x7F),
                  static_cast<std::uint8_t>(position >> 7)});
    send(m_last, {0xFB});
}

void MidiClockSender::stepped(const StepTiming& timing) {
    const int clocks = timing.period > Nanos{0} ? kClocksPerStep : 1;
    for (int k = 0; k < clocks; ++k)
        send(timing.heard + timing.period * k / kClocksPerStep, {0xF8});
}

void MidiClockSender::stopped() { send(m_last, {0xFC}); }

void MidiClockSender::send(Nanos due, std::initializer_list<std::uint8_t> message) {
    m_last = std::max(m_last, due);
    m_out.send(m_last, std::span(message.begin(), message.size()));
}

}  // namespace tavrilo
