// wavcheck: answers one question about a 16-bit mono WAV recording, with one line on stdout
// and the exit status (0 yes, 1 no, 2 usage or unreadable file). Times are seconds from the
// start of the recording ("end" for its end); levels are RMS in 16-bit sample units.
//
//   wavcheck FILE info
//   wavcheck FILE rms FROM TO
//   wavcheck FILE silent FROM TO [THRESHOLD]          yes when the RMS is below THRESHOLD
//   wavcheck FILE peak FROM TO [HZ [TOLERANCE_HZ]]    strongest tone in 20..2000 Hz; yes when
//                                                      the window sounds and, given HZ, the tone
//                                                      lies within TOLERANCE_HZ of it
//   wavcheck FILE dies FROM [WITHIN [THRESHOLD]]      yes when the sound dies away after FROM,
//                                                      given WITHIN no later than that
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "e2e/WavAnalysis.h"

namespace {

using tavrilo::wav::WavError;

// Below this RMS a window counts as silent: about -50 dBFS, far under any note the program
// plays and far over the exact zeros of an idle stream.
constexpr double kDefaultThreshold = 100.0;
constexpr double kDefaultToleranceHz = 2.0;

constexpr int kYes = 0;
constexpr int kNo = 1;
constexpr int kUsage = 2;

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

double number(const char* text, const char* what) {
    if (std::string(text) == "end") return std::numeric_limits<double>::infinity();
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (end == text || *end != '\0' || std::isnan(value))
        throw UsageError(std::string("not a number for ") + what + ": " + text);
    return value;
}

double optionalNumber(int argc, char** argv, int index, const char* what, double fallback) {
    return index < argc ? number(argv[index], what) : fallback;
}

void usage() {
    std::fprintf(stderr,
                 "usage: wavcheck FILE info\n"
                 "       wavcheck FILE rms FROM TO\n"
                 "       wavcheck FILE silent FROM TO [THRESHOLD]\n"
                 "       wavcheck FILE peak FROM TO [HZ [TOLERANCE_HZ]]\n"
                 "       wavcheck FILE dies FROM [WITHIN [THRESHOLD]]\n");
}

void requireArgs(int argc, int least, int most) {
    if (argc < least || argc > most) throw UsageError("wrong number of arguments");
}

int run(int argc, char** argv) {
    requireArgs(argc, 3, 7);
    const std::string command = argv[2];
    const auto recording = tavrilo::wav::readWav(argv[1]);

    if (command == "info") {
        requireArgs(argc, 3, 3);
        std::printf("%d Hz, %zu samples, %.3f s\n", recording.sampleRate, recording.samples.size(),
                    recording.durationSeconds());
        return kYes;
    }
    if (command == "rms") {
        requireArgs(argc, 5, 5);
        const auto samples =
            tavrilo::wav::window(recording, number(argv[3], "FROM"), number(argv[4], "TO"));
        std::printf("rms %.1f\n", tavrilo::wav::rms(samples));
        return kYes;
    }
    if (command == "silent") {
        requireArgs(argc, 5, 6);
        const double threshold = optionalNumber(argc, argv, 5, "THRESHOLD", kDefaultThreshold);
        const auto samples =
            tavrilo::wav::window(recording, number(argv[3], "FROM"), number(argv[4], "TO"));
        const double level = tavrilo::wav::rms(samples);
        const bool silent = level < threshold;
        std::printf("%s: rms %.1f %s %.1f\n", silent ? "silent" : "not silent", level,
                    silent ? "<" : ">=", threshold);
        return silent ? kYes : kNo;
    }
    if (command == "peak") {
        requireArgs(argc, 5, 7);
        const auto samples =
            tavrilo::wav::window(recording, number(argv[3], "FROM"), number(argv[4], "TO"));
        const double level = tavrilo::wav::rms(samples);
        if (level < kDefaultThreshold) {
            std::printf("no tone: the window is silent (rms %.1f < %.1f)\n", level,
                        kDefaultThreshold);
            return kNo;
        }
        const auto tone = tavrilo::wav::strongestTone(samples, recording.sampleRate);
        if (argc < 6) {
            std::printf("peak %.2f Hz, amplitude %.0f, rms %.1f\n", tone.frequencyHz,
                        tone.amplitude, level);
            return kYes;
        }
        const double expected = number(argv[5], "HZ");
        const double tolerance = optionalNumber(argc, argv, 6, "TOLERANCE_HZ", kDefaultToleranceHz);
        const bool near = std::fabs(tone.frequencyHz - expected) <= tolerance;
        std::printf("peak %.2f Hz, %s %.2f +- %.2f Hz (amplitude %.0f, rms %.1f)\n",
                    tone.frequencyHz, near ? "within" : "NOT within", expected, tolerance,
                    tone.amplitude, level);
        return near ? kYes : kNo;
    }
    if (command == "dies") {
        requireArgs(argc, 4, 6);
        const double from = number(argv[3], "FROM");
        const double within =
            optionalNumber(argc, argv, 4, "WITHIN", std::numeric_limits<double>::infinity());
        const double threshold = optionalNumber(argc, argv, 5, "THRESHOLD", kDefaultThreshold);
        const auto result = tavrilo::wav::dieAway(recording, from, threshold);
        // At sample resolution the start itself may lie a fraction of a sample later.
        const double after = std::max(0.0, result.atSeconds - from);
        using Kind = tavrilo::wav::DieAway::Kind;
        switch (result.kind) {
            case Kind::StillSounding:
                std::printf("still sounding at the end (%.3f s), %.3f s after %.3f s\n",
                            recording.durationSeconds(), recording.durationSeconds() - from, from);
                return kNo;
            case Kind::TailTooShort:
                std::printf(
                    "silent from %.3f s, but the recording ends %.3f s later: too short "
                    "to tell\n",
                    result.atSeconds, recording.durationSeconds() - result.atSeconds);
                return kNo;
            case Kind::Silent: break;
        }
        const bool inTime = after <= within;
        std::printf("dies away %.3f s after %.3f s (at %.3f s)%s\n", after, from, result.atSeconds,
                    inTime ? "" : ", too late");
        return inTime ? kYes : kNo;
    }
    throw UsageError("unknown command: " + command);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const UsageError& e) {
        std::printf("usage error: %s\n", e.what());
        usage();
        return kUsage;
    } catch (const WavError& e) {
        std::printf("cannot analyse %s: %s\n", argc > 1 ? argv[1] : "?", e.what());
        return kUsage;
    }
}
