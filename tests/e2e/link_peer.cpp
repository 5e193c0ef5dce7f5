// link_peer COMMANDS: another program in the Ableton Link session, for the end-to-end tests.
// Reads commands from the file COMMANDS (a fifo: "tempo BPM", "play", "stop") until its end, and
// prints "peers N tempo T playing P" whenever one of those changes.
#include <ableton/Link.hpp>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

int main(int argc, char** argv) {
    std::ifstream in(argc == 2 ? argv[1] : "");
    if (!in) return std::fprintf(stderr, "usage: link_peer COMMAND_FILE\n"), 2;
    ableton::Link link(120.0);
    link.enableStartStopSync(true);
    link.enable(true);
    std::atomic<bool> done{false};
    std::thread commands([&] {
        for (std::string word; in >> word;) {
            auto state = link.captureAppSessionState();
            const auto now = link.clock().micros();
            if (double bpm = 0; word == "tempo" && in >> bpm)
                state.setTempo(bpm, now);
            else if (word == "play" || word == "stop")
                state.setIsPlayingAndRequestBeatAtTime(word == "play", now, 0.0, 4.0);
            link.commitAppSessionState(state);
        }
        done = true;
    });
    std::string last;
    while (!done) {
        const auto state = link.captureAppSessionState();
        char line[80];
        std::snprintf(line, sizeof line, "peers %zu tempo %.2f playing %d", link.numPeers(),
                      state.tempo(), state.isPlaying() ? 1 : 0);
        if (line != last) std::printf("%s\n", line), std::fflush(stdout), last = line;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    commands.join();
}
