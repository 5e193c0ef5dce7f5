#include "midi/MidiParser.h"

namespace tavrilo {

std::span<const std::uint8_t> MidiParser::push(std::uint8_t byte) noexcept {
    if (byte >= 0xF8) {
        m_realTime = byte;
        return {&m_realTime, 1};
    }
    if (byte >= 0x80) {
        // Any status byte but a real-time one drops a partial message. System messages cancel
        // running status, so the data bytes of system exclusive (0xF0) find no status.
        m_have = 0;
        m_status = 0;
        if (byte < 0xF0) {
            m_status = byte;
            m_size = (byte & 0xE0) == 0xC0 ? 1 : 2;  // program change and channel pressure: 1
        } else if (byte == 0xF1 || byte == 0xF3) {
            m_status = byte, m_size = 1;
        } else if (byte == 0xF2) {
            m_status = byte, m_size = 2;
        } else if (byte == 0xF6) {
            m_message[0] = byte;
            return {m_message.data(), 1};
        }
        return {};
    }
    if (m_status == 0) return {};
    m_message[0] = m_status;
    m_message[++m_have] = byte;
    if (m_have < m_size) return {};
    const std::size_t size = m_have + 1u;
    m_have = 0;
    if (m_status >= 0xF0) m_status = 0;  // system common has no running status
    return {m_message.data(), size};
}

}  // namespace tavrilo
