// A JACK client for the end-to-end scenarios of MIDI.
//   jack_midi_probe send PORT BPM SECONDS  Start, then MIDI clock at BPM (24 per quarter note),
//                                          each on the frame of its time on JACK's clock, Stop
//                                          after SECONDS, and clocks for 3 s more, as a master's go
//                                          on while stopped
//   jack_midi_probe receive PORT SECONDS   prints, from the frame times JACK gave, "clocks=N
//                                          per_second=F jitter_p75_ms=F jitter_p99_ms=F skipped=N
//                                          start=N stop=N"
// Clocks per second come from the median interval, and the jitter is each interval's distance
// from it (a step the sender dropped moves neither). An interval across which the frame time left
// JACK's clock by over 1 ms (the backend dropped frames, as the dummy one does whenever the
// machine stalls, or a cycle woke late) is not in time: skipped, and counted.
// Exit status 1 without a JACK server or the port.
#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

jack_client_t* client;
jack_port_t* port;
bool sending;
double rate, usPerClock, first = -1;  // first: when Start and the first clock go, in µs
long toSend, sent = -1;               // clocks; -1 until Start is sent
// JACK's clock (µs) less frame time, in each of the last three cycles and for each clock received.
std::array<double, 3> recent{HUGE_VAL, HUGE_VAL, HUGE_VAL};
std::size_t cycles = 0;
std::vector<double> zeros(1 << 20);
std::vector<jack_nframes_t> clocks(1 << 20);  // the frame times of those received
std::atomic<long> received{0}, starts{0}, stops{0};
std::atomic<bool> done{false};

int process(jack_nframes_t frames, void*) {
    void* buffer = jack_port_get_buffer(port, frames);
    const jack_nframes_t cycle = jack_last_frame_time(client);
    const double zero = static_cast<double>(jack_get_time()) - cycle * 1e6 / rate;
    jack_midi_event_t e;
    for (jack_nframes_t i = 0; !sending && jack_midi_event_get(&e, buffer, i) == 0; ++i) {
        starts += e.buffer[0] == 0xFA;
        stops += e.buffer[0] == 0xFC;
        if (e.buffer[0] != 0xF8 || received == static_cast<long>(clocks.size())) continue;
        zeros[received] = zero;
        clocks[received++] = cycle + e.time;
    }
    if (!sending) return 0;
    jack_midi_clear_buffer(buffer);
    // The clocks keep time on JACK's clock, not in frames, which the dummy backend drops when
    // the machine stalls. Frame 0 lies where the least of the last three cycles puts it (a cycle
    // never wakes early).
    recent[cycles++ % recent.size()] = zero;
    const double least = *std::min_element(recent.begin(), recent.end());
    if (first < 0) first = jack_get_time() + 5e5;  // half a second for the connection
    for (long at; !done && (at = std::lround((first + std::max(sent, 0L) * usPerClock - least) *
                                             rate / 1e6)) < cycle + frames;) {
        const jack_midi_data_t byte = sent < 0 ? 0xFA : sent == toSend ? 0xFC : 0xF8;
        jack_midi_event_write(buffer, std::max<long>(at - cycle, 0), &byte, 1);
        done = ++sent > toSend + std::lround(3e6 / usPerClock);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    sending = argc == 5 && std::string(argv[1]) == "send";
    if (!sending && !(argc == 4 && std::string(argv[1]) == "receive")) return 2;
    client = jack_client_open("tavrilo-midi-probe", JackNoStartServer, nullptr);
    if (!client) return 1;
    rate = jack_get_sample_rate(client);
    const double seconds = std::stod(argv[argc - 1]);
    usPerClock = sending ? 60e6 / (std::stod(argv[3]) * 24) : 0;
    toSend = sending ? std::lround(seconds * 1e6 / usPerClock) : 0;
    port = jack_port_register(client, sending ? "out" : "in", JACK_DEFAULT_MIDI_TYPE,
                              sending ? JackPortIsOutput : JackPortIsInput, 0);
    jack_set_process_callback(client, process, nullptr);
    const std::string ours = port ? jack_port_name(port) : "", theirs = argv[2];
    if (!port || jack_activate(client) != 0 ||
        jack_connect(client, (sending ? ours : theirs).c_str(), (sending ? theirs : ours).c_str()))
        return std::fprintf(stderr, "cannot connect to %s\n", argv[2]), 1;
    for (int waited = 0; sending ? !done : waited < seconds * 100; ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the last cycle goes out
    jack_client_close(client);
    const long n = received;
    std::vector<double> intervals, jitter;
    for (long i = 1; i < n; ++i)
        if (std::abs(zeros[i] - zeros[i - 1]) <= 1000)
            intervals.push_back(clocks[i] - clocks[i - 1]);
    std::sort(intervals.begin(), intervals.end());
    const double median = intervals.empty() ? 0 : intervals[intervals.size() / 2];
    for (const double interval : intervals)
        jitter.push_back(std::abs(interval - median) * 1000 / rate);
    std::sort(jitter.begin(), jitter.end());
    const auto percentile = [&](int p) {
        return jitter.empty() ? 0 : jitter[jitter.size() * p / 100];
    };
    if (!sending)
        std::printf(
            "clocks=%ld per_second=%.3f jitter_p75_ms=%.3f jitter_p99_ms=%.3f skipped=%ld "
            "start=%ld stop=%ld\n",
            n, median > 0 ? rate / median : 0, percentile(75), percentile(99),
            std::max(n - 1, 0L) - static_cast<long>(jitter.size()), starts.load(), stops.load());
}
