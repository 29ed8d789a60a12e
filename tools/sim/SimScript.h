// The simulator's script language: one command a line, '#' starts a comment,
// blank lines are ignored.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zolvex {

struct SimCommand {
    enum class Kind {
        Wait,  // numbers[0] = milliseconds
        Key,   // keys: a key-down then a key-up for each
        Down,  // keys[0]
        Up,    // keys[0]
        FocusLost,
        FocusGained,
        Close,
        Dump,
        Shot,  // text = file
        Cell,  // numbers: column, row, value, marked
        Trio,  // text = "current" or "next"; numbers: index, column, row, y, value, falling
        Set,   // text = field; numbers[0] = value
        Text,  // text = the characters typed
    };
    Kind kind = Kind::Dump;
    std::vector<uint32_t> keys;  // virtual-key codes
    std::vector<int64_t> numbers;
    std::string text;
    int line = 0;
};

// The virtual-key code of a key name (Enter, Esc, Space, Backspace, Up, Down,
// Left, Right, F1, F5, F12, or one letter or digit); 0 when unknown.
uint32_t KeyCodeOfName(const std::string& name);

// Parses one line. Returns nullopt for a blank or comment-only line; sets
// `error` and returns nullopt for a malformed one.
std::optional<SimCommand> ParseSimLine(const std::string& line, int lineNumber, std::string* error);

// Parses a whole script; false (with `error` naming the line) on the first
// malformed line.
bool ParseSimScript(const std::string& script, std::vector<SimCommand>* commands,
                    std::string* error);

}  // namespace zolvex
