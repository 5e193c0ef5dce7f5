#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

// Analysis of the sound server's recordings for the end-to-end tests: 16-bit mono PCM WAV files
// as parec writes them. Sample values are in the file's units (full scale 32768); times in
// seconds from the first sample.
namespace tavrilo::wav {

// A file that is not a 16-bit mono PCM WAV, or a time window that holds no sample.
class WavError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Recording {
    int sampleRate = 0;
    std::vector<std::int16_t> samples;

    double durationSeconds() const;
};

// Parses a RIFF/WAVE image (format tag PCM, or WAVE_FORMAT_EXTENSIBLE with a PCM sub-format).
// A recording cut short before its header was finished (data size 0, or larger than what
// follows) yields the samples the image does hold; a trailing odd byte is ignored.
Recording parseWav(std::span<const std::uint8_t> bytes);
Recording readWav(const std::string& path);

// The samples from fromSeconds up to toSeconds, clipped to the recording. Throws WavError when
// the window starts before 0, is inverted, or lies wholly after the end.
std::span<const std::int16_t> window(const Recording& recording, double fromSeconds,
                                     double toSeconds);

double rms(std::span<const std::int16_t> samples);

struct Tone {
    double frequencyHz = 0;
    // Peak amplitude of the sinusoid at frequencyHz, in sample units.
    double amplitude = 0;
};

// The strongest sinusoid between loHz and hiHz: Hann window, FFT zero-padded to bins of at most
// 0.5 Hz, the peak refined by a parabola through the log power of its neighbours.
Tone strongestTone(std::span<const std::int16_t> samples, int sampleRate, double loHz = 20.0,
                   double hiHz = 2000.0);

struct DieAway {
    enum class Kind {
        // Silent from atSeconds to the end of the recording.
        Silent,
        // The last block of the recording is still above the threshold.
        StillSounding,
        // Silent from atSeconds, but too little recording follows to tell a pause from the end.
        TailTooShort,
    };
    Kind kind = Kind::Silent;
    double atSeconds = 0;
};

// Where the sound dies away after fromSeconds: the start of the first block of blockSeconds
// (counted from fromSeconds) after which every block's RMS stays below threshold. Pauses
// between notes do not count; only silence that lasts to the end, for at least minTailSeconds.
DieAway dieAway(const Recording& recording, double fromSeconds, double threshold,
                double blockSeconds = 0.02, double minTailSeconds = 0.25);

}  // namespace tavrilo::wav
