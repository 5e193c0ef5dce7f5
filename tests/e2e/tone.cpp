// tone FILE RATE [FROM TO [HZ]]: measures a raw 16-bit mono recording at RATE Hz, also while it
// grows. Prints the milliseconds recorded, or the RMS level (full scale 32768) from FROM to TO ms,
// then given HZ for how many of those milliseconds a sine at HZ carries most of the sound and where
// the first starts (-1: nowhere), judged in 50 ms blocks by a Goertzel filter. Status 2: an
// unreadable file, or a window past the end of the recording.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numbers>
#include <span>
#include <utility>
#include <vector>

namespace {

using Samples = std::span<const std::int16_t>;

double rms(Samples x) {
    double sum = 0;
    for (const double v : x)
        sum += v * v;
    return x.empty() ? 0 : std::sqrt(sum / static_cast<double>(x.size()));
}

// The amplitude of the sine at hz in x, Hann-windowed: a steady sine of amplitude A gives A.
double amplitude(Samples x, double hz, int rate) {
    const double coeff = 2 * std::cos(2 * std::numbers::pi * hz / rate);
    double s1 = 0, s2 = 0, weights = 0;
    for (std::size_t n = 0; n < x.size(); ++n) {
        const double w = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * n / x.size());
        weights += w;
        s2 = std::exchange(s1, w * x[n] + coeff * s1 - s2);
    }
    return 2 * std::sqrt(std::max(0.0, s1 * s1 + s2 * s2 - coeff * s1 * s2)) / weights;
}

}  // namespace

int main(int argc, char** argv) {
    std::ifstream in(argc > 2 ? argv[1] : "", std::ios::binary);
    const int rate = argc > 2 ? std::atoi(argv[2]) : 0;
    if ((argc != 3 && argc != 5 && argc != 6) || !in || rate <= 0)
        return std::printf("usage: tone FILE RATE [FROM_MS TO_MS [HZ]]\n"), 2;
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), {}};
    std::vector<std::int16_t> all(bytes.size() / 2);  // little-endian, as this host
    std::memcpy(all.data(), bytes.data(), all.size() * 2);
    const long recorded = static_cast<long>(all.size() * 1000 / rate);
    if (argc == 3) return std::printf("%ld\n", recorded), 0;
    const long from = std::max(0L, std::atol(argv[3])), to = std::atol(argv[4]);
    if (to > recorded || to < from)
        return std::printf("window %ld..%ld ms, recording 0..%ld ms\n", from, to, recorded), 2;
    const Samples window(all.data() + from * rate / 1000, (to - from) * rate / 1000);
    std::printf("%.0f", rms(window));
    const std::size_t block = rate / 20;
    long sounding = 0, first = -1;
    for (std::size_t at = 0; argc == 6 && at + block <= window.size(); at += block) {
        const Samples b = window.subspan(at, block);
        // Most of the sound: the sine holds about half the block's power or more.
        if (rms(b) < 100 || amplitude(b, std::atof(argv[5]), rate) < 0.7 * std::sqrt(2) * rms(b))
            continue;
        if (first < 0) first = from + static_cast<long>(at * 1000 / rate);
        sounding += 50;
    }
    if (argc == 6) std::printf(" %ld %ld", sounding, first);
    std::printf("\n");
}
