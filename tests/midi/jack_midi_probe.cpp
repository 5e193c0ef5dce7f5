// A JACK client for the end-to-end scenarios of MIDI.
//   jack_midi_probe send PORT BPM SECONDS  Start, then MIDI clock at BPM (24 per quarter note),
//                                          each clock on its exact frame, Stop after SECONDS, and
//                                          clocks for 3 s more, as a master's go on while stopped
//   jack_midi_probe receive PORT SECONDS   prints, from the frame times JACK gave, "clocks=N
//                                          per_second=F jitter_p99_ms=F skipped=N start=N stop=N"
// The jitter is each clock interval's distance from the mean interval. An interval across which
// the frame time left JACK's clock by over 1 ms (the backend dropped frames, as the dummy one
// does whenever the machine stalls, or a cycle woke late) is not in time: skipped, and counted.
// Exit status 1 without a JACK server or the port.
#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
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
double rate, framesPerClock, first = -1;      // first: the frame of Start and the first clock
long toSend, sent = -1;                       // clocks; -1 until Start is sent
std::vector<jack_nframes_t> clocks(1 << 20);  // the frame times of those received
std::vector<double> zeros(1 << 20);           // and JACK's clock less frame time then, in µs
std::atomic<long> received{0}, starts{0}, stops{0};
std::atomic<bool> done{false};

int process(jack_nframes_t frames, void*) {
    void* buffer = jack_port_get_buffer(port, frames);
    const jack_nframes_t cycle = jack_last_frame_time(client);
    jack_midi_event_t e;
    for (jack_nframes_t i = 0; !sending && jack_midi_event_get(&e, buffer, i) == 0; ++i) {
        starts += e.buffer[0] == 0xFA;
        stops += e.buffer[0] == 0xFC;
        if (e.buffer[0] != 0xF8 || received == static_cast<long>(clocks.size())) continue;
        zeros[received] = static_cast<double>(jack_get_time()) - cycle * 1e6 / rate;
        clocks[received++] = cycle + e.time;
    }
    if (!sending) return 0;
    jack_midi_clear_buffer(buffer);
    if (first < 0) first = cycle + frames + rate / 2;  // half a second for the connection
    for (double at; !done && (at = first + std::round(std::max(sent, 0L) * framesPerClock)) <
                                 cycle + frames;) {
        const jack_midi_data_t byte = sent < 0 ? 0xFA : sent == toSend ? 0xFC : 0xF8;
        jack_midi_event_write(buffer, std::max<jack_nframes_t>(at, cycle) - cycle, &byte, 1);
        done = ++sent > toSend + std::lround(3 * rate / framesPerClock);
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
    framesPerClock = sending ? rate * 60 / (std::stod(argv[3]) * 24) : 0;
    toSend = sending ? std::lround(seconds * rate / framesPerClock) : 0;
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
    double mean = 0;
    for (const double interval : intervals)
        mean += interval / intervals.size();
    for (const double interval : intervals)
        jitter.push_back(std::abs(interval - mean) * 1000 / rate);
    std::sort(jitter.begin(), jitter.end());
    if (!sending)
        std::printf(
            "clocks=%ld per_second=%.3f jitter_p99_ms=%.3f skipped=%ld start=%ld stop=%ld\n", n,
            mean > 0 ? rate / mean : 0, jitter.empty() ? 0 : jitter[jitter.size() * 99 / 100],
            std::max(n - 1, 0L) - static_cast<long>(intervals.size()), starts.load(), stops.load());
}
