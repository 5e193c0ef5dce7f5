// tone FILE [FROM TO [HZ]]: measures a 16-bit mono WAV as parec writes it, also while parec runs
// and the header is unfinished (the data then runs to the end of the file). Prints the
// milliseconds recorded, or the RMS level (full scale 32768) from FROM to TO ms, then given HZ
// for how many of those milliseconds a sine at HZ carries most of the sound and where the first
// starts (-1: nowhere), judged in 50 ms blocks by a Goertzel filter. Status 2: an unreadable
// file, or a window past the end of the recording.
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

// parec's header: RIFF, WAVE, a 16-byte "fmt " chunk, then the "data" chunk at byte 36. WAV and
// this host are little-endian.
bool readWav(const char* path, int& rate, std::vector<std::int16_t>& samples) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> b{std::istreambuf_iterator<char>(in), {}};
    const auto field = [&b](std::size_t at, std::size_t bytes) {
        std::uint32_t v = 0;
        return std::memcpy(&v, &b[at], bytes), static_cast<std::size_t>(v);
    };
    if (b.size() < 44 || std::memcmp(b.data(), "RIFF", 4) || std::memcmp(&b[8], "WAVEfmt ", 8) ||
        std::memcmp(&b[36], "data", 4) || field(22, 2) != 1 || field(34, 2) != 16)
        return false;
    rate = static_cast<int>(field(24, 4));
    const std::size_t size = field(40, 4);
    samples.resize(((size == 0 || 44 + size > b.size() ? b.size() : 44 + size) - 44) / 2);
    std::memcpy(samples.data(), &b[44], samples.size() * 2);
    return rate > 0;
}

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
    int rate = 0;
    std::vector<std::int16_t> all;
    if ((argc != 2 && argc != 4 && argc != 5) || !readWav(argv[1], rate, all))
        return std::printf("usage: tone FILE [FROM_MS TO_MS [HZ]], FILE a 16-bit mono WAV\n"), 2;
    const long recorded = static_cast<long>(all.size() * 1000 / rate);
    if (argc == 2) return std::printf("%ld\n", recorded), 0;
    const long from = std::max(0L, std::atol(argv[2])), to = std::atol(argv[3]);
    if (to > recorded || to < from)
        return std::printf("window %ld..%ld ms, recording 0..%ld ms\n", from, to, recorded), 2;
    const Samples window(all.data() + from * rate / 1000, (to - from) * rate / 1000);
    std::printf("%.0f", rms(window));
    const std::size_t block = rate / 20;
    long sounding = 0, first = -1;
    for (std::size_t at = 0; argc == 5 && at + block <= window.size(); at += block) {
        const Samples b = window.subspan(at, block);
        // Most of the sound: the sine holds about half the block's power or more.
        if (rms(b) < 100 || amplitude(b, std::atof(argv[4]), rate) < 0.7 * std::sqrt(2) * rms(b))
            continue;
        if (first < 0) first = from + static_cast<long>(at * 1000 / rate);
        sounding += 50;
    }
    if (argc == 5) std::printf(" %ld %ld", sounding, first);
    std::printf("\n");
}
