// Texts and messages are written out by hand: they are what people read.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <variant>
#include <vector>

#include "patterns/TuneText.h"
#include "support/Design.h"

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

// Random tunes read back as they are. Random edits of them (lines deleted, doubled or swapped,
// numbers changed, bytes put in, the text cut short) give a tune in range that reads back the
// same, or a message. TAVRILO_FUZZ_ITERATIONS overrides the number of edits.
TEST(TuneText, RandomTunesReadBackAndRandomEditsGiveAValidTuneOrAMessage) {
    const char* env = std::getenv("TAVRILO_FUZZ_ITERATIONS");
    const long iterations = env ? std::atol(env) : 100000;
    std::mt19937 rng(20240607);
    auto pick = [&](std::size_t n) { return std::size_t{rng()} % n; };
    const auto inRange = [](const Tune& t) {
        bool in = t.length >= 1 && t.length <= 32 && t.tempo >= 1 && t.tempo <= 1600 &&
                  t.expand1 >= 0 && t.expand1 <= 2000 && t.expand2 >= 0 && t.expand2 <= 2000;
        for (const test::DesignRow& row : test::kDesignRows)
            for (int value : t.cells[static_cast<int>(row.row)])
                in = in && value >= row.min && value <= row.max;
        return in;
    };
    std::vector<Lines> tunes(256);
    for (Lines& lines : tunes) {
        Tune tune{{}, 1 + int(pick(32)), 1 + int(pick(1600)), int(pick(2001)), int(pick(2001))};
        for (const test::DesignRow& row : test::kDesignRows)
            for (int& value : tune.cells[static_cast<int>(row.row)])
                value = row.min + int(pick(row.max - row.min + 1));
        const std::string text = formatTune(tune);
        ASSERT_EQ(parseTune(text), Result(tune));
        for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
            lines.push_back(text.substr(at, end - at));
    }
    long accepted = 0;
    Lines lines;  // reused: copying into it keeps the strings' storage
    for (long i = 0; i < iterations; ++i) {
        lines = tunes[pick(tunes.size())];
        for (std::size_t edits = 1 + pick(3); edits > 0 && !lines.empty(); --edits) {
            const std::size_t a = pick(lines.size()), b = pick(lines.size()), n = pick(30);
            std::string& line = lines[a];
            const std::size_t word = line.find(' ', pick(line.size() + 1)) + 1;  // 0: the first
            const std::string number =  // any int, or one beyond
                n < 3 ? std::string(10 + n, '9') : std::to_string(static_cast<int>(rng()) >> n);
            switch (pick(5)) {
                case 0: lines.erase(lines.begin() + a); break;
                case 1: lines.insert(lines.begin() + b, std::string(line)); break;
                case 2: std::swap(line, lines[b]); break;
                case 3: line.replace(word, line.find(' ', word) - word, number); break;
                case 4:  // a random byte and one of NUL, CR, LF, tab, space, '-', 0xFF
                    line.insert(pick(line.size() + 1), {char(rng()), "\0\r\n\t -\xff"[n % 7]});
            }
        }
        std::string text = join(lines);
        if (pick(6) == 0) text.resize(pick(text.size() + 1));  // cut anywhere
        const Result parsed = parseTune(text);
        if (const auto* message = std::get_if<std::string>(&parsed)) {
            ASSERT_FALSE(message->empty());
            continue;
        }
        ASSERT_TRUE(inRange(std::get<Tune>(parsed))) << text;
        ASSERT_EQ(parseTune(formatTune(std::get<Tune>(parsed))), parsed) << text;
        ++accepted;
    }
    EXPECT_GT(accepted, iterations >= 1000 ? iterations / 100 : -1);  // some edits keep a tune
}

}  // namespace
}  // namespace tavrilo
