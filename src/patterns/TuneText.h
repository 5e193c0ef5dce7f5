#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <variant>

#include "panels/StepParameterSet.h"
#include "transport/TransportSettings.h"

namespace tavrilo {

// A whole tune as text, to share through the clipboard or a chat message:
//
//   Tavrilo Synth tune 1
//   length 32
//   tempo 200
//   expand 0 0
//   Tone 24 24 ... (32 values)
//   ... one line per row, in Row order, named by the row's panel label
//
// The reader takes the lines after the header in any order, the names in any case, blank lines,
// runs of spaces or tabs and CRLF line ends; anything else is refused.

inline constexpr std::size_t kMaxTuneTextBytes = 65536;  // longer text is refused unread

// Everything a tune text carries: the score, the tempo slider and the two "Expand" sliders.
struct Tune {
    std::array<std::array<int, kSteps>, kRows> cells{};  // in Row order
    int length = kMaxLength;
    int tempo = kStartupTempoMs;  // ms per step
    int expand1 = kMinCut;
    int expand2 = kMinCut;

    bool operator==(const Tune&) const = default;
};

// The text of a tune, every line ending in "\n". Values are written as they are, in range or not.
std::string formatTune(const Tune& tune);

// The tune a text holds, or, when it holds no complete and valid tune, a message for the user
// that names the first problem: "line N: ..." for a line, "the text ..." or "the tune ..." for
// the whole.
std::variant<Tune, std::string> parseTune(std::string_view text);

}  // namespace tavrilo
