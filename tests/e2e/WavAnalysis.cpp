#include "e2e/WavAnalysis.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numbers>

namespace tavrilo::wav {
namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
// Widest FFT bin the tone search accepts; the peak is then refined between bins.
constexpr double kMaxBinHz = 0.5;

std::uint32_t le32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
           static_cast<std::uint32_t>(b[at + 2]) << 16 |
           static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::uint16_t le16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

bool tagIs(std::span<const std::uint8_t> b, std::size_t at, const char* tag) {
    return std::memcmp(b.data() + at, tag, 4) == 0;
}

struct Format {
    std::uint16_t tag = 0;
    std::uint16_t channels = 0;
    std::uint32_t rate = 0;
    std::uint16_t bits = 0;
};

Format parseFormat(std::span<const std::uint8_t> chunk) {
    if (chunk.size() < 16) throw WavError("fmt chunk too short");
    Format f{le16(chunk, 0), le16(chunk, 2), le32(chunk, 4), le16(chunk, 14)};
    if (f.tag == kFormatExtensible) {
        // cbSize (2), valid bits (2), channel mask (4), then the sub-format GUID, whose first
        // two bytes are the plain format tag.
        if (chunk.size() < 40) throw WavError("extensible fmt chunk too short");
        f.tag = le16(chunk, 24);
    }
    return f;
}

void fft(std::vector<std::complex<double>>& a) {
    const std::size_t n = a.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (std::size_t len = 2; len <= n; len <<= 1) {
        const double angle = -2.0 * std::numbers::pi / static_cast<double>(len);
        const std::complex<double> step(std::cos(angle), std::sin(angle));
        for (std::size_t i = 0; i < n; i += len) {
            std::complex<double> w(1.0, 0.0);
            for (std::size_t k = 0; k < len / 2; ++k) {
                const auto u = a[i + k];
                const auto v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
                w *= step;
            }
        }
    }
}

// |X(f)|^2 of the windowed samples at any frequency (Goertzel).
double powerAt(const std::vector<double>& x, double frequencyHz, int sampleRate) {
    const double omega = 2.0 * std::numbers::pi * frequencyHz / sampleRate;
    const double coeff = 2.0 * std::cos(omega);
    double s1 = 0, s2 = 0;
    for (double v : x) {
        const double s0 = v + coeff * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return s1 * s1 + s2 * s2 - coeff * s1 * s2;
}

}  // namespace

double Recording::durationSeconds() const {
    return sampleRate > 0 ? static_cast<double>(samples.size()) / sampleRate : 0.0;
}

Recording parseWav(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 12) throw WavError("too short for a RIFF header");
    if (!tagIs(bytes, 0, "RIFF") || !tagIs(bytes, 8, "WAVE"))
        throw WavError("not a RIFF/WAVE file");

    bool haveFormat = false;
    Format format;
    std::span<const std::uint8_t> data;
    bool haveData = false;
    std::size_t at = 12;
    while (at + 8 <= bytes.size() && !haveData) {
        const std::size_t declared = le32(bytes, at + 4);
        const std::size_t body = at + 8;
        const std::size_t available = bytes.size() - body;
        if (tagIs(bytes, at, "data")) {
            // An unfinished header says 0 (or too much): take what was written.
            const std::size_t size = (declared == 0 || declared > available) ? available : declared;
            data = bytes.subspan(body, size);
            haveData = true;
        } else {
            if (declared > available) throw WavError("chunk runs past the end of the file");
            if (tagIs(bytes, at, "fmt ")) {
                format = parseFormat(bytes.subspan(body, declared));
                haveFormat = true;
            }
            at = body + declared + (declared & 1);  // chunks are padded to even sizes
        }
    }
    if (!haveFormat) throw WavError("no fmt chunk before the data");
    if (!haveData) throw WavError("no data chunk");
    if (format.tag != kFormatPcm)
        throw WavError("not PCM (format tag " + std::to_string(format.tag) + ")");
    if (format.channels != 1)
        throw WavError("not mono (" + std::to_string(format.channels) + " channels)");
    if (format.bits != 16) throw WavError("not 16-bit (" + std::to_string(format.bits) + " bits)");
    if (format.rate == 0 || format.rate > 1'000'000) throw WavError("implausible sample rate");

    Recording recording;
    recording.sampleRate = static_cast<int>(format.rate);
    recording.samples.resize(data.size() / 2);
    for (std::size_t i = 0; i < recording.samples.size(); ++i)
        recording.samples[i] = static_cast<std::int16_t>(le16(data, 2 * i));
    return recording;
}

Recording readWav(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw WavError("cannot open " + path);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
    return parseWav(bytes);
}

std::span<const std::int16_t> window(const Recording& recording, double fromSeconds,
                                     double toSeconds) {
    if (!(fromSeconds >= 0.0)) throw WavError("window starts before the recording");
    if (!(toSeconds > fromSeconds)) throw WavError("window ends before it starts");
    const auto size = recording.samples.size();
    const auto begin = static_cast<std::size_t>(std::llround(fromSeconds * recording.sampleRate));
    const auto end = std::min(size, static_cast<std::size_t>(std::llround(std::min(toSeconds, 1e7) *
                                                                          recording.sampleRate)));
    if (begin >= end)
        throw WavError("window " + std::to_string(fromSeconds) + " s lies after the end (" +
                       std::to_string(recording.durationSeconds()) + " s)");
    return std::span<const std::int16_t>(recording.samples).subspan(begin, end - begin);
}

double rms(std::span<const std::int16_t> samples) {
    if (samples.empty()) return 0.0;
    double sum = 0.0;
    for (std::int16_t s : samples)
        sum += static_cast<double>(s) * s;
    return std::sqrt(sum / static_cast<double>(samples.size()));
}

Tone strongestTone(std::span<const std::int16_t> samples, int sampleRate, double loHz,
                   double hiHz) {
    if (samples.empty()) throw WavError("no samples to analyse");
    if (sampleRate <= 0 || !(hiHz > loHz) || loHz <= 0 || hiHz >= sampleRate / 2.0)
        throw WavError("bad frequency range");

    const std::size_t n = samples.size();
    double mean = 0;
    for (std::int16_t s : samples)
        mean += s;
    mean /= static_cast<double>(n);
    std::vector<double> windowed(n);
    double windowSum = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double w =
            n > 1 ? 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) /
                                         static_cast<double>(n - 1))
                  : 1.0;
        windowed[i] = (samples[i] - mean) * w;
        windowSum += w;
    }

    std::size_t m = 1;
    while (m < n || static_cast<double>(sampleRate) / static_cast<double>(m) > kMaxBinHz)
        m <<= 1;
    std::vector<std::complex<double>> spectrum(m);
    std::copy(windowed.begin(), windowed.end(), spectrum.begin());
    fft(spectrum);

    const double binHz = static_cast<double>(sampleRate) / static_cast<double>(m);
    const auto first = static_cast<std::size_t>(std::ceil(loHz / binHz));
    const auto last = static_cast<std::size_t>(std::floor(hiHz / binHz));
    std::size_t best = first;
    for (std::size_t k = first; k <= last; ++k)
        if (std::norm(spectrum[k]) > std::norm(spectrum[best])) best = k;

    // A Hann peak is close to a parabola in log power, so three bins place it well inside one.
    double offset = 0;
    const double tiny = 1e-30;
    const double a = std::log(std::norm(spectrum[best - 1]) + tiny);
    const double b = std::log(std::norm(spectrum[best]) + tiny);
    const double c = std::log(std::norm(spectrum[best + 1]) + tiny);
    const double curvature = a - 2 * b + c;
    if (curvature < 0) offset = std::clamp(0.5 * (a - c) / curvature, -0.5, 0.5);

    Tone tone;
    tone.frequencyHz = (static_cast<double>(best) + offset) * binHz;
    tone.amplitude =
        2.0 * std::sqrt(std::max(0.0, powerAt(windowed, tone.frequencyHz, sampleRate))) / windowSum;
    return tone;
}

DieAway dieAway(const Recording& recording, double fromSeconds, double threshold,
                double blockSeconds, double minTailSeconds) {
    if (!(fromSeconds >= 0.0)) throw WavError("start before the recording");
    if (!(blockSeconds > 0.0)) throw WavError("block length must be positive");
    const std::size_t size = recording.samples.size();
    const auto start = static_cast<std::size_t>(std::llround(fromSeconds * recording.sampleRate));
    if (start >= size)
        throw WavError("nothing recorded after " + std::to_string(fromSeconds) + " s");
    const auto block = std::max<std::size_t>(
        1, static_cast<std::size_t>(std::llround(blockSeconds * recording.sampleRate)));

    const std::span<const std::int16_t> all(recording.samples);
    std::size_t quietFrom = start;
    for (std::size_t at = start; at < size; at += block) {
        const std::size_t end = std::min(size, at + block);
        if (rms(all.subspan(at, end - at)) >= threshold) quietFrom = end;
    }

    const double rate = recording.sampleRate;
    DieAway result;
    result.atSeconds = static_cast<double>(quietFrom) / rate;
    if (quietFrom == size)
        result.kind = DieAway::Kind::StillSounding;
    else if (static_cast<double>(size - quietFrom) / rate < minTailSeconds)
        result.kind = DieAway::Kind::TailTooShort;
    else
        result.kind = DieAway::Kind::Silent;
    return result;
}

}  // namespace tavrilo::wav
