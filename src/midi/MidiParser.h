#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace tavrilo {

// Splits a MIDI byte stream into complete messages, one byte at a time, in constant memory and
// without allocating (it runs on MIDI threads). It follows running status; delivers real-time
// bytes (0xF8..0xFF) at once, even inside another message, which they leave undisturbed; skips
// system exclusive of any length; drops a message cut short by a status byte; and ignores data
// bytes that belong to no status.
class MidiParser {
public:
    // The message this byte completes (status byte first, 1..3 bytes), or an empty span. The
    // span stays valid until the next push().
    std::span<const std::uint8_t> push(std::uint8_t byte) noexcept;

private:
    std::array<std::uint8_t, 3> m_message{};
    std::uint8_t m_realTime = 0;
    std::uint8_t m_status = 0;  // the running status or pending system common; 0: none
    std::uint8_t m_size = 0;    // data bytes the status takes
    std::uint8_t m_have = 0;    // data bytes collected
};

}  // namespace tavrilo
