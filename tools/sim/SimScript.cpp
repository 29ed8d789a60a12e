#include "SimScript.h"

#include <cctype>
#include <charconv>
#include <limits>
#include <sstream>

namespace zolvex {

namespace {

std::vector<std::string> SplitWords(const std::string& line) {
    std::vector<std::string> words;
    std::string current;
    for (char c : line) {
        if (c == '#') break;
        if (std::isspace(static_cast<unsigned char>(c))) {
            if (!current.empty()) words.push_back(std::move(current));
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    if (!current.empty()) words.push_back(std::move(current));
    return words;
}

// A whole decimal integer within [low, high].
bool ParseNumber(const std::string& word, int64_t low, int64_t high, int64_t* out) {
    int64_t value = 0;
    const char* first = word.data();
    const char* last = word.data() + word.size();
    if (first != last && *first == '+') ++first;
    auto [end, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || end != last || first == last) return false;
    if (value < low || value > high) return false;
    *out = value;
    return true;
}

constexpr int64_t kInt32Min = std::numeric_limits<int32_t>::min();
constexpr int64_t kInt32Max = std::numeric_limits<int32_t>::max();
constexpr int64_t kUint32Max = std::numeric_limits<uint32_t>::max();

struct FieldRange {
    const char* name;
    int64_t low;
    int64_t high;
};

constexpr FieldRange kSettableFields[] = {
    {"score", 0, kUint32Max},
    {"bonus", 0, kUint32Max},
    {"fallSpeed", kInt32Min, kInt32Max},
    {"baseFallSpeed", kInt32Min, kInt32Max},
    {"flipperLeft", 0, 6},
    {"pairCount", kInt32Min, kInt32Max},
    {"hours", kInt32Min, kInt32Max},
    {"minutes", kInt32Min, kInt32Max},
    {"seconds", kInt32Min, kInt32Max},
    {"tenths", kInt32Min, kInt32Max},
};

}  // namespace

uint32_t KeyCodeOfName(const std::string& name) {
    static const struct {
        const char* name;
        uint32_t code;
    } kNames[] = {{"Enter", 13}, {"Esc", 27},  {"Space", 32}, {"Backspace", 8},
                  {"Up", 38},    {"Down", 40}, {"Left", 37},  {"Right", 39},
                  {"F1", 112},   {"F5", 116},  {"F12", 123},  {"F2", 113},
                  {"F3", 114},   {"F7", 118},  {"F8", 119},   {"PrintScreen", 44}};
    for (const auto& entry : kNames) {
        if (name == entry.name) return entry.code;
    }
    if (name.size() == 1) {
        unsigned char c = static_cast<unsigned char>(name[0]);
        if (std::isalpha(c)) return static_cast<uint32_t>(std::toupper(c));
        if (std::isdigit(c)) return c;
    }
    return 0;
}

std::optional<SimCommand> ParseSimLine(const std::string& line, int lineNumber,
                                       std::string* error) {
    std::vector<std::string> words = SplitWords(line);
    if (words.empty()) return std::nullopt;
    SimCommand command;
    command.line = lineNumber;
    const std::string& verb = words[0];
    size_t argc = words.size() - 1;
    auto fail = [&](const std::string& why) -> std::optional<SimCommand> {
        if (error != nullptr) *error = "line " + std::to_string(lineNumber) + ": " + why;
        return std::nullopt;
    };
    auto numbers = [&](size_t from,
                       std::initializer_list<std::pair<int64_t, int64_t>> ranges) -> bool {
        size_t i = from;
        for (const auto& [low, high] : ranges) {
            int64_t value = 0;
            if (!ParseNumber(words[i], low, high, &value)) return false;
            command.numbers.push_back(value);
            ++i;
        }
        return true;
    };

    if (verb == "wait") {
        command.kind = SimCommand::Kind::Wait;
        if (argc != 1 || !numbers(1, {{0, kInt32Max}})) return fail("wait takes MS (0 or more)");
    } else if (verb == "key" || verb == "down" || verb == "up") {
        command.kind = verb == "key"    ? SimCommand::Kind::Key
                       : verb == "down" ? SimCommand::Kind::Down
                                        : SimCommand::Kind::Up;
        if (argc == 0 || (verb != "key" && argc != 1)) {
            return fail(verb == "key" ? "key takes one or more key names"
                                      : verb + " takes one key name");
        }
        for (size_t i = 1; i < words.size(); ++i) {
            uint32_t code = KeyCodeOfName(words[i]);
            if (code == 0) return fail("unknown key name '" + words[i] + "'");
            command.keys.push_back(code);
        }
    } else if (verb == "text") {
        command.kind = SimCommand::Kind::Text;
        if (argc != 1) return fail("text takes one word of characters to type");
        for (unsigned char c : words[1]) {
            if (c < 0x21 || c > 0x7E) return fail("text takes printable ASCII characters only");
        }
        command.text = words[1];
    } else if (verb == "focus") {
        if (argc != 1 || (words[1] != "lost" && words[1] != "gained")) {
            return fail("focus takes 'lost' or 'gained'");
        }
        command.kind =
            words[1] == "lost" ? SimCommand::Kind::FocusLost : SimCommand::Kind::FocusGained;
    } else if (verb == "close") {
        command.kind = SimCommand::Kind::Close;
        if (argc != 0) return fail("close takes no arguments");
    } else if (verb == "dump") {
        command.kind = SimCommand::Kind::Dump;
        if (argc != 0) return fail("dump takes no arguments");
    } else if (verb == "shot") {
        command.kind = SimCommand::Kind::Shot;
        if (argc != 1) return fail("shot takes one file name");
        command.text = words[1];
    } else if (verb == "cell") {
        command.kind = SimCommand::Kind::Cell;
        if (argc != 3 && argc != 4) return fail("cell takes C R V [M]");
        if (!numbers(1, {{0, 7}, {0, 11}, {kInt32Min, kInt32Max}})) {
            return fail("cell takes column 0-7, row 0-11 and a value");
        }
        if (argc == 4) {
            if (!numbers(4, {{0, 1}})) return fail("cell's M is 0 or 1");
        } else {
            command.numbers.push_back(0);
        }
    } else if (verb == "trio") {
        command.kind = SimCommand::Kind::Trio;
        if (argc != 7 || (words[1] != "current" && words[1] != "next")) {
            return fail("trio takes current|next I COLUMN ROW Y VALUE FALLING");
        }
        command.text = words[1];
        if (!numbers(2, {{0, 2},
                         {kInt32Min, kInt32Max},
                         {kInt32Min, kInt32Max},
                         {kInt32Min, kInt32Max},
                         {kInt32Min, kInt32Max},
                         {0, 1}})) {
            return fail("trio takes index 0-2, four integers and falling 0 or 1");
        }
    } else if (verb == "set") {
        command.kind = SimCommand::Kind::Set;
        if (argc != 2) return fail("set takes FIELD N");
        const FieldRange* field = nullptr;
        for (const auto& candidate : kSettableFields) {
            if (words[1] == candidate.name) field = &candidate;
        }
        if (field == nullptr) return fail("unknown field '" + words[1] + "'");
        command.text = words[1];
        if (!numbers(2, {{field->low, field->high}})) {
            return fail("value out of range for " + words[1]);
        }
    } else {
        return fail("unknown command '" + verb + "'");
    }
    return command;
}

bool ParseSimScript(const std::string& script, std::vector<SimCommand>* commands,
                    std::string* error) {
    std::istringstream stream(script);
    std::string line;
    int lineNumber = 0;
    while (std::getline(stream, line)) {
        ++lineNumber;
        std::string why;
        std::optional<SimCommand> command = ParseSimLine(line, lineNumber, &why);
        if (!why.empty()) {
            if (error != nullptr) *error = why;
            return false;
        }
        if (command) commands->push_back(std::move(*command));
    }
    return true;
}

}  // namespace zolvex
