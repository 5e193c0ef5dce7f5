// Texts and messages are written out by hand: they are what people read.
#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "patterns/TuneText.h"

namespace tavrilo {
namespace {

using Lines = std::vector<std::string>;
using Result = std::variant<Tune, std::string>;

std::string row(std::string line, const std::string& value, int count = 32) {
    while (count-- > 0)
        line += " " + value;
    return line;
}

std::string join(const Lines& lines, const char* before = "", const char* after = "\n") {
    std::string text;
    for (const std::string& line : lines)
        text.append(before).append(line).append(after);
    return text;
}

// clang-format off
const Lines kStartup = {"Tavrilo Synth tune 1", "length 32", "tempo 200", "expand 0 0",
    row("Tone", "24"), row("Osc1", "0"), row("Osc2", "0"), row("AM1", "100"), row("AM2", "100"),
    row("FM", "100"), row("Vol", "10"), row("Decay", "10"), row("atteck", "25")};
// clang-format on

// The start-up tune (each row at its start-up value, length 32, tempo 200, "Expand" 0 and 0) is
// its text, which reads back in any layout; a broken text gives a message naming its first fault.
TEST(TuneText, ReadsTheStartupTuneInAnyLayoutAndNamesTheFirstProblemOfABrokenOne) {
    Tune startup{{}, 32, 200, 0, 0};
    for (int r = 0; r < kRows; ++r)
        startup.cells[r].fill(std::array{24, 0, 0, 100, 100, 100, 10, 10, 25}[r]);
    const std::string text = join(kStartup);
    EXPECT_EQ(formatTune(startup), text);
    // {line of the start-up text (from 0) or -1: all, what replaces it, message or "": start-up}
    const std::tuple<int, std::string, std::string> cases[] = {
        {-1, join(kStartup, "\n \t", " \t\r\n"), ""},  // blank lines, spaces and tabs, CRLF
        {5, "osc1\t0" + row("", " 0", 31), ""},        // lower case, tabs and runs of spaces
        {-1, kStartup[0] + "\n" + join(Lines(kStartup.rbegin(), kStartup.rend() - 1)), ""},
        {-1, text + std::string(65536 - text.size(), '\n'), ""},
        {11, "", "the tune has no Decay line"},
        {1, "length 32\nlength 32", "line 3: a second length line; the first is line 2"},
        {5, row("Osc1", "0", 31), "line 6: Osc1 needs 32 values from 0 to 7, found 31"},
        {5, row("Osc1", "0", 31) + " 8", "line 6: Osc1 needs whole numbers from 0 to 7, found 8"},
        {9, row("FM", "0", 31) + " -",
         "line 10: FM needs whole numbers from 0 to 100, found \"-\""},
        {7, row("AM2", "0", 31) + " -1", "line 8: AM2 needs whole numbers from 0 to 100, found -1"},
        {1, "length 18446744073709551621",  // 2^64 + 5
         "line 2: length needs a whole number from 1 to 32, found 18446744073709551621"},
        {9, row("FM", "10x"), "line 10: FM needs whole numbers from 0 to 100, found \"10x\""},
        {4, row("Tone", std::string(30, '9')),
         "line 5: Tone needs whole numbers from 0 to 24, found 999999999999999999999999..."},
        {0, "\n\n Tavrilo Synth tune",
         "line 3: a tune starts with \"Tavrilo Synth tune 1\", found \"Tavrilo Synth tune\""},
        {2, "tempo 1601", "line 3: tempo needs a whole number from 1 to 1600, found 1601"},
        {6, "Osc3 0",
         "line 7: \"Osc3\" is not a tune line; expected length, tempo, expand or a row "
         "name (Tone, Osc1, Osc2, AM1, AM2, FM, Vol, Decay, atteck)"},
        {-1, std::string(70000, ' '), "the text is too long to be a tune (more than 65536 bytes)"},
    };
    for (const auto& [line, with, message] : cases) {
        Lines lines = kStartup;
        if (line >= 0) lines[line] = with;
        EXPECT_EQ(parseTune(line >= 0 ? join(lines) : with),
                  message.empty() ? Result(startup) : Result(message));
    }
}

}  // namespace
}  // namespace tavrilo
