#include "patterns/TuneText.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <span>

namespace tavrilo {
namespace {

constexpr std::array<std::string_view, 3> kFormatWords = {"Tavrilo", "Synth", "tune"};
constexpr std::string_view kVersion = "1";
constexpr std::string_view kHeader = "Tavrilo Synth tune 1";

// The words of one line, separated by runs of spaces and tabs. A plain pointer walk: the reader
// looks at every byte of the text, and must stay quick in unoptimised sanitizer builds too.
class Words {
public:
    explicit Words(std::string_view line) : m_pos(line.data()), m_end(line.data() + line.size()) {}

    bool next(std::string_view& word) {
        const char *pos = m_pos, *end = m_end;
        while (pos != end && (*pos == ' ' || *pos == '\t'))
            ++pos;
        if (pos == end) return false;
        const char* begin = pos;
        while (pos != end && *pos != ' ' && *pos != '\t')
            ++pos;
        m_pos = pos;
        word = std::string_view(begin, static_cast<std::size_t>(pos - begin));
        return true;
    }

private:
    const char* m_pos;
    const char* m_end;
};

// ASCII only, whatever the locale.
char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return lower(x) == lower(y); });
}

// A piece of the user's text as a message shows it: at most 24 bytes, cut before a UTF-8
// continuation byte, control bytes as '?', in quotes unless asked not to.
std::string shown(std::string_view text, bool quote = true) {
    constexpr std::size_t kMaxShown = 24;
    const bool cut = text.size() > kMaxShown;
    if (cut) {
        std::size_t n = kMaxShown;
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
            --n;
        text = text.substr(0, n);
    }
    std::string out = quote ? "\"" : "";
    for (char c : text)
        out += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
    if (cut) out += "...";
    if (quote) out += '"';
    return out;
}

// The version word of a line that reads "Tavrilo Synth tune <version>", whatever the version.
std::optional<std::string_view> headerVersion(std::string_view line) {
    Words words(line);
    std::string_view word, version;
    for (std::string_view expected : kFormatWords)
        if (!words.next(word) || !sameName(word, expected)) return std::nullopt;
    if (!words.next(version) || words.next(word)) return std::nullopt;
    return version;
}

// Reads a plain decimal integer, an optional '-' and digits and nothing else, into `value`, held
// at kBeyondInt in size when larger; false for any other word. Words are never empty.
constexpr long long kBeyondInt = 1LL << 32;
bool readNumber(std::string_view word, long long& value) {
    const char* digit = word.data();
    const char* end = digit + word.size();
    const bool negative = *digit == '-';
    if (negative && ++digit == end) return false;
    long long magnitude = 0;
    for (; digit != end; ++digit) {
        if (*digit < '0' || *digit > '9') return false;
        if (magnitude < kBeyondInt) magnitude = magnitude * 10 + (*digit - '0');
    }
    value = negative ? -magnitude : magnitude;
    return true;
}

// One line the tune needs exactly once: its name, the range and count of its values and where
// they go, and the line it was found on (0 while not yet found).
struct Entry {
    std::string_view name;
    int min;
    int max;
    std::span<int> values;
    int line = 0;
};

// Reads the values after the name into the entry; empty, or what is wrong with them: a wrong
// count first, else the first value that is no number or out of range.
std::string readValues(Words words, const Entry& entry) {
    const int needed = static_cast<int>(entry.values.size());
    int found = 0;
    std::string_view word, bad;  // words are never empty
    bool badIsNumber = false;
    for (; words.next(word); ++found) {
        if (found >= needed || !bad.empty()) continue;
        long long number = 0;
        const bool isNumber = readNumber(word, number);
        if (isNumber && number >= entry.min && number <= entry.max)
            entry.values[static_cast<std::size_t>(found)] = static_cast<int>(number);
        else
            bad = word, badIsNumber = isNumber;
    }
    const auto needs = [&](std::string_view what) {
        return std::string(entry.name) + " needs " + std::string(what) + " from " +
               std::to_string(entry.min) + " to " + std::to_string(entry.max) + ", found ";
    };
    if (found != needed)
        return needs(needed == 1 ? "1 value" : std::to_string(needed) + " values") +
               std::to_string(found);
    if (!bad.empty())
        return needs(needed == 1 ? "a whole number" : "whole numbers") + shown(bad, !badIsNumber);
    return {};
}

// "name value value ...\n", put together in a buffer and appended at once.
void appendLine(std::string& out, std::string_view name, std::span<const int> values) {
    char line[16 + kSteps * 12 + 1];  // a name, 32 values of at most 11 characters, "\n"
    char* end = line + name.copy(line, 16);
    for (int value : values) {
        *end++ = ' ';
        end = std::to_chars(end, line + sizeof line, value).ptr;
    }
    *end++ = '\n';
    out.append(line, end);
}

std::string unknownLineHint() {
    std::string names;
    for (const RowInfo& info : rowTable())
        names += (names.empty() ? "" : ", ") + std::string(info.panelLabel);
    return " is not a tune line; expected length, tempo, expand or a row name (" + names + ")";
}

}  // namespace

std::string formatTune(const Tune& tune) {
    std::string out;
    out.reserve(1024);
    out += kHeader;
    out += '\n';
    appendLine(out, "length", {&tune.length, 1});
    appendLine(out, "tempo", {&tune.tempo, 1});
    const int expand[] = {tune.expand1, tune.expand2};
    appendLine(out, "expand", expand);
    for (const RowInfo& info : rowTable())
        appendLine(out, info.panelLabel, tune.cells[static_cast<std::size_t>(info.row)]);
    return out;
}

std::variant<Tune, std::string> parseTune(std::string_view text) {
    if (text.size() > kMaxTuneTextBytes)
        return "the text is too long to be a tune (more than " + std::to_string(kMaxTuneTextBytes) +
               " bytes)";

    Tune tune;
    std::array<int, 2> expand{};
    std::array<Entry, 3 + kRows> entries = {{
        {"length", kMinLength, kMaxLength, {&tune.length, 1}},
        {"tempo", kMinTempoMs, kMaxTempoMs, {&tune.tempo, 1}},
        {"expand", kMinCut, kMaxCut, expand},
    }};
    for (const RowInfo& info : rowTable())
        entries[3 + static_cast<std::size_t>(info.row)] = {
            info.panelLabel, info.min, info.max, tune.cells[static_cast<std::size_t>(info.row)]};

    int headerLine = 0;
    int lineNumber = 0;
    const auto atLine = [&](const std::string& problem) {
        return "line " + std::to_string(lineNumber) + ": " + problem;
    };
    for (std::string_view rest = text; !rest.empty();) {
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

        Words words(line);
        std::string_view name;
        if (!words.next(name)) continue;  // a blank line
        const std::optional<std::string_view> version = headerVersion(line);
        if (headerLine == 0) {
            if (!version) {
                const std::size_t first = line.find_first_not_of(" \t");
                const std::size_t last = line.find_last_not_of(" \t");
                return atLine("a tune starts with " + shown(kHeader) + ", found " +
                              shown(line.substr(first, last - first + 1)));
            }
            if (*version != kVersion)
                return atLine("tune version " + shown(*version) +
                              " is not understood, only version " + std::string(kVersion));
            headerLine = lineNumber;
            continue;
        }
        if (version)
            return atLine("a second tune header; the first is line " + std::to_string(headerLine));

        const auto entry = std::find_if(entries.begin(), entries.end(),
                                        [&](const Entry& e) { return sameName(e.name, name); });
        if (entry == entries.end()) return atLine(shown(name) + unknownLineHint());
        if (entry->line != 0)
            return atLine("a second " + std::string(entry->name) + " line; the first is line " +
                          std::to_string(entry->line));
        entry->line = lineNumber;
        if (std::string problem = readValues(words, *entry); !problem.empty())
            return atLine(problem);
    }

    if (headerLine == 0) return "the text is blank; a tune starts with " + shown(kHeader);
    for (const Entry& entry : entries)
        if (entry.line == 0) return "the tune has no " + std::string(entry.name) + " line";
    tune.expand1 = expand[0];
    tune.expand2 = expand[1];
    return tune;
}

}  // namespace tavrilo
