#include "midi/JackMidiPort.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <limits>
#include <mutex>

#include "midi/MidiInput.h"
#include "midi/SpscQueue.h"

namespace tavrilo {

namespace {

constexpr const char* kClientName = "Tavrilo Synth";
constexpr auto kRetry = std::chrono::milliseconds(500);  // the watcher's pace

void quiet(const char*) {}

struct Outgoing {
    Nanos due{0};
    std::uint8_t size = 0;
    std::array<std::uint8_t, 3> bytes{};
};

}  // namespace

struct JackMidiPort::Shared {
    Shared(ThreadWake& wake, Nanos steadyToProgram)
        : input(wake), steadyToProgram(steadyToProgram) {}

    bool open();
    void close();
    void watch();
    static int process(jack_nframes_t frames, void* self);

    MidiInput input;
    SpscQueue<Outgoing, 1024> output;
    const Nanos steadyToProgram;
    std::atomic<bool> gone{false};
    std::atomic<bool> inputConnected{false};
    std::atomic<bool> closing{false};   // the process callback keeps off the input and output
    std::atomic<bool> orphaned{false};  // and for good once the owner (and its wake) may be gone
    std::atomic<bool> fresh{false};     // a new client: what was queued while none ran is stale

    // The process thread's: the frame time in 64 bits (JACK's wraps after a day at 48 kHz), and
    // where frame 0 lay on the program's clock, in ns, in the last few cycles.
    std::int64_t frames = 0;
    jack_nframes_t lastFrame = 0;
    std::array<std::int64_t, 3> frameZero{};
    std::size_t cycles = 0;

    // The watcher's (and, before it starts, the opener's).
    jack_client_t* client = nullptr;
    jack_port_t* in = nullptr;
    jack_port_t* out = nullptr;

    std::mutex mutex;
    std::condition_variable changed;
    bool quit = false;
    bool done = false;
};

bool JackMidiPort::Shared::open() {
    jack_status_t status{};
    client = jack_client_open(kClientName, JackNoStartServer, &status);
    if (!client) return false;
    in = jack_port_register(client, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
    out = jack_port_register(client, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
    closing.store(false);
    fresh.store(true);
    if (!in || !out || jack_set_process_callback(client, &Shared::process, this) != 0) {
        close();
        return false;
    }
    jack_on_info_shutdown(
        client,
        [](jack_status_t, const char*, void* self) {
            // On a libjack thread, like a signal handler: only flags.
            static_cast<Shared*>(self)->gone.store(true);
            static_cast<Shared*>(self)->inputConnected.store(false);
        },
        this);
    jack_set_port_connect_callback(
        client,
        [](jack_port_id_t, jack_port_id_t, int, void* self) {
            auto& s = *static_cast<Shared*>(self);
            s.inputConnected.store(jack_port_connected(s.in) > 0);
        },
        this);
    if (jack_activate(client) != 0) {
        close();
        return false;
    }
    return true;
}

void JackMidiPort::Shared::close() {
    if (!client) return;
    closing.store(true);
    jack_client_close(client);  // deactivates first: no callback runs after it
    client = nullptr;
    in = out = nullptr;
    inputConnected.store(false);
}

void JackMidiPort::Shared::watch() {
    std::unique_lock lock(mutex);
    while (!changed.wait_for(lock, kRetry, [this] { return quit; })) {
        if (!gone.load()) continue;
        lock.unlock();
        close();
        if (open()) gone.store(false);
        lock.lock();
    }
    lock.unlock();
    close();
    lock.lock();
    done = true;
    changed.notify_all();
}

int JackMidiPort::Shared::process(jack_nframes_t frames, void* self) {
    Shared& s = *static_cast<Shared*>(self);
    void* outBuffer = jack_port_get_buffer(s.out, frames);
    jack_midi_clear_buffer(outBuffer);  // a cycle's output is whatever is left in the buffer
    if (s.closing.load(std::memory_order_relaxed) || s.orphaned.load(std::memory_order_relaxed))
        return 0;
    const bool fresh = s.fresh.exchange(false, std::memory_order_relaxed);
    // Where the cycle's first frame lies on the program's clock: its frame time at the sample
    // rate, plus where frame 0 lies, which is the least of the last three cycles' wake-up time
    // less frame time (a wake-up is never early, so the least errs least). It follows within
    // three cycles when the backend drops frames, as the dummy one does whenever the machine
    // stalls; JACK's own filtered cycle times (jack_get_cycle_times) take seconds after an xrun.
    const double nsPerFrame = 1e9 / jack_get_sample_rate(s.client);
    const jack_nframes_t first = jack_last_frame_time(s.client);
    s.frames += static_cast<jack_nframes_t>(first - s.lastFrame);
    s.lastFrame = first;
    const auto frameNs = static_cast<std::int64_t>(static_cast<double>(s.frames) * nsPerFrame);
    const Nanos now = std::chrono::steady_clock::now().time_since_epoch() + s.steadyToProgram;
    if (fresh) s.frameZero.fill(std::numeric_limits<std::int64_t>::max());
    s.frameZero[s.cycles++ % s.frameZero.size()] = now.count() - frameNs;
    const std::int64_t cycleStart =
        frameNs + *std::min_element(s.frameZero.begin(), s.frameZero.end());

    void* inBuffer = jack_port_get_buffer(s.in, frames);
    const std::uint32_t count = jack_midi_get_event_count(inBuffer);
    for (std::uint32_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, inBuffer, i) != 0) continue;
        s.input.receive(std::span(event.buffer, event.size),
                        Nanos(cycleStart + std::llround(event.time * nsPerFrame)));
    }
    s.input.endBatch();

    jack_nframes_t last = 0;
    Outgoing message;
    if (fresh)
        while (s.output.pop(message)) {
        }
    for (const Outgoing* m; (m = s.output.front()) != nullptr; s.output.pop(message)) {
        const std::int64_t frame =
            std::llround(static_cast<double>(m->due.count() - cycleStart) / nsPerFrame);
        if (frame >= frames) break;  // a later cycle's
        // A late one goes at the cycle's start; offsets never go backwards.
        last = std::max(last, static_cast<jack_nframes_t>(std::max<std::int64_t>(frame, 0)));
        jack_midi_event_write(outBuffer, last, m->bytes.data(), m->size);
    }
    return 0;
}

std::unique_ptr<JackMidiPort> JackMidiPort::open(ThreadWake& wake, Nanos steadyToProgram) {
    jack_set_error_function(quiet);  // a missing server is no error here
    jack_set_info_function(quiet);
    auto shared = std::make_shared<Shared>(wake, steadyToProgram);
    if (!shared->open()) return nullptr;
    return std::unique_ptr<JackMidiPort>(new JackMidiPort(std::move(shared)));
}

JackMidiPort::JackMidiPort(std::shared_ptr<Shared> shared)
    : m_shared(std::move(shared)), m_watcher([s = m_shared] { s->watch(); }) {}

JackMidiPort::~JackMidiPort() {
    m_shared->orphaned.store(true);
    std::unique_lock lock(m_shared->mutex);
    m_shared->quit = true;
    m_shared->changed.notify_all();
    if (m_shared->changed.wait_for(lock, std::chrono::seconds(1),
                                   [this] { return m_shared->done; }))
        m_watcher.join();
    else
        m_watcher.detach();  // it holds the shared state until libjack lets it go
}

bool JackMidiPort::serverRunning() const { return !m_shared->gone.load(); }
bool JackMidiPort::inputConnected() const { return m_shared->inputConnected.load(); }
std::size_t JackMidiPort::drain(std::span<MidiEvent> into) { return m_shared->input.drain(into); }

void JackMidiPort::send(Nanos due, std::span<const std::uint8_t> message) {
    if (message.empty() || message.size() > 3) return;
    Outgoing m{due, static_cast<std::uint8_t>(message.size()), {}};
    std::copy(message.begin(), message.end(), m.bytes.begin());
    m_shared->output.push(m);  // full (the server away for half a minute): dropped
}

}  // namespace tavrilo
