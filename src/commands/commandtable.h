#pragma once

#include <QString>
#include <span>

namespace lorvanta {

// How a row of the command table recognises its word in the upper-cased line.
enum class RowMatch {
    Substring, // anywhere in the line
    WholeLine, // the line is exactly the word
    Alone,     // found anywhere, acts only when the trimmed line is the word
    Leading,   // the line begins with the word
    Enclosed,  // the word, an argument, the word again
    Prefix,    // a word without closing "$", matched as a prefix of any word
    Power,     // deferred to the after-command timer
};

// The outcome a row has unless its handler says otherwise.
namespace outcome {
inline constexpr int Handled = 1;
inline constexpr int PassOn = 2; // the line is launched by execution
inline constexpr int Keep = 4;   // the window stays as it is
inline constexpr int NoHistory = 8;
inline constexpr int History = 16;
} // namespace outcome

struct CommandRow {
    const char16_t* name;
    RowMatch match;
    int outcome;
    bool windowGate; // tested only when the line holds "$W"
};

// Every built-in command in evaluation order: when one line holds several,
// they run in this order, not in the order they were written.
std::span<const CommandRow> commandTable();

} // namespace lorvanta
