#include "midi/AlsaMidiPort.h"

#include <alsa/asoundlib.h>
#include <rtmidi/RtMidi.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace tavrilo {

namespace {

constexpr const char* kClientName = "Tavrilo Synth";

Nanos steadyNow() { return std::chrono::steady_clock::now().time_since_epoch(); }

}  // namespace

std::unique_ptr<AlsaMidiPort> AlsaMidiPort::open(ThreadWake& wake, Nanos steadyToProgram) {
    // Without the device libasound would print an error of its own before RtMidi throws.
    if (access("/dev/snd/seq", R_OK | W_OK) != 0) return nullptr;
    try {
        std::unique_ptr<AlsaMidiPort> port(new AlsaMidiPort(wake, steadyToProgram));
        if (port->m_queue < 0) return nullptr;
        return port;
    } catch (const RtMidiError&) {
        return nullptr;
    }
}

AlsaMidiPort::AlsaMidiPort(ThreadWake& wake, Nanos steadyToProgram)
    : m_input(wake), m_steadyToProgram(steadyToProgram) {
    m_in = std::make_unique<RtMidiIn>(RtMidi::LINUX_ALSA, kClientName);
    // Errors after construction come from RtMidi's thread: reported there, they must not throw.
    m_in->setErrorCallback([](RtMidiError::Type, const std::string&, void*) {});
    m_in->ignoreTypes(true, false, true);  // system exclusive and active sensing; not the clock
    m_in->setCallback(&AlsaMidiPort::received, this);
    m_in->openVirtualPort("in");

    if (snd_seq_open(&m_seq, "default", SND_SEQ_OPEN_OUTPUT, SND_SEQ_NONBLOCK) < 0) return;
    snd_seq_set_client_name(m_seq, kClientName);
    m_port =
        snd_seq_create_simple_port(m_seq, "out", SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
                                   SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    if (m_port < 0 || snd_midi_event_new(16, &m_encoder) < 0 ||
        snd_seq_queue_status_malloc(&m_status) < 0)
        return;
    const int queue = snd_seq_alloc_named_queue(m_seq, kClientName);
    if (queue < 0 || snd_seq_start_queue(m_seq, queue, nullptr) < 0) return;
    snd_seq_drain_output(m_seq);
    m_queue = queue;
}

AlsaMidiPort::~AlsaMidiPort() {
    m_in.reset();  // its thread stops before the input goes
    if (m_status) snd_seq_queue_status_free(m_status);
    if (m_encoder) snd_midi_event_free(m_encoder);
    if (m_seq) snd_seq_close(m_seq);  // frees the queue and the port
}

void AlsaMidiPort::received(double, std::vector<unsigned char>* message, void* self) {
    auto& port = *static_cast<AlsaMidiPort*>(self);
    port.m_input.receive(*message, steadyNow() + port.m_steadyToProgram);
    port.m_input.endBatch();
}

void AlsaMidiPort::send(Nanos due, std::span<const std::uint8_t> message) {
    snd_seq_event_t event;
    snd_seq_ev_clear(&event);
    snd_midi_event_reset_encode(m_encoder);
    const long used =
        snd_midi_event_encode(m_encoder, message.data(), static_cast<long>(message.size()), &event);
    if (used <= 0 || event.type == SND_SEQ_EVENT_NONE) return;

    // The queue's clock against steady_clock, read now: the queue runs on a kernel timer whose
    // rate may differ from CLOCK_MONOTONIC by a little, so a fresh reading for each message.
    const Nanos before = steadyNow();
    if (snd_seq_get_queue_status(m_seq, m_queue, m_status) < 0) return;
    const Nanos after = steadyNow();
    const snd_seq_real_time_t* now = snd_seq_queue_status_get_real_time(m_status);
    const Nanos queueNow = std::chrono::seconds(now->tv_sec) + Nanos(now->tv_nsec);
    const Nanos at =
        std::max(Nanos{0}, due - m_steadyToProgram - (before + (after - before) / 2) + queueNow);

    snd_seq_real_time_t time;
    time.tv_sec = static_cast<unsigned int>(at / std::chrono::seconds(1));
    time.tv_nsec = static_cast<unsigned int>((at % std::chrono::seconds(1)).count());
    snd_seq_ev_set_source(&event, m_port);
    snd_seq_ev_set_subs(&event);
    snd_seq_ev_schedule_real(&event, m_queue, 0, &time);
    // Non-blocking: a full pool drops the message rather than stall the UI thread.
    if (snd_seq_event_output(m_seq, &event) >= 0) snd_seq_drain_output(m_seq);
}

bool AlsaMidiPort::findInputPort() const {
    if (m_inClient >= 0) return true;
    snd_seq_client_info_t* client;
    snd_seq_port_info_t* port;
    snd_seq_client_info_alloca(&client);
    snd_seq_port_info_alloca(&port);
    snd_seq_client_info_set_client(client, -1);
    while (snd_seq_query_next_client(m_seq, client) >= 0) {
        const int id = snd_seq_client_info_get_client(client);
        if (id == snd_seq_client_id(m_seq) || snd_seq_client_info_get_pid(client) != getpid() ||
            std::strcmp(snd_seq_client_info_get_name(client), kClientName) != 0)
            continue;
        snd_seq_port_info_set_client(port, id);
        snd_seq_port_info_set_port(port, -1);
        while (snd_seq_query_next_port(m_seq, port) >= 0) {
            if (std::strcmp(snd_seq_port_info_get_name(port), "in") != 0) continue;
            m_inClient = id;
            m_inPort = snd_seq_port_info_get_port(port);
            return true;
        }
    }
    return false;
}

bool AlsaMidiPort::inputConnected() const {
    if (!findInputPort()) return false;
    snd_seq_port_info_t* port;
    snd_seq_port_info_alloca(&port);
    if (snd_seq_get_any_port_info(m_seq, m_inClient, m_inPort, port) < 0) return false;
    return snd_seq_port_info_get_write_use(port) > 0;
}

}  // namespace tavrilo
