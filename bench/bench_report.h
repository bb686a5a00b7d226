// The benchmark's output: one table row per measured figure with its target
// and verdict, notes that explain a figure, and the machine line.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

enum class Verdict { Pass, Miss, Info };

// PASS or MISS from a figure and its upper bound.
Verdict AtMost(double figure, double bound) noexcept;
// PASS or MISS from a figure and its lower bound.
Verdict AtLeast(double figure, double bound) noexcept;

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

class Report {
public:
    void section(const std::string& title);
    void add(const std::string& measurement, const std::string& figure, const std::string& target,
             Verdict verdict);
    void note(const std::string& text);

    // A Markdown table of every row, then the notes in order.
    void print(FILE* out) const;
    int misses() const noexcept;

private:
    struct Row {
        std::string measurement;
        std::string figure;
        std::string target;
        Verdict verdict;
        bool heading;
    };
    std::vector<Row> rows_;
    std::vector<std::string> notes_;
};

// What Windows (here: Wine) reports about the processor, and Wine's version
// when running under it. Wine hides the CPU model; the shell script adds it.
std::string MachineLine();

// Progress on stderr, so that a long run shows where it is.
void Progress(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A benchmark whose measured call failed measures nothing: stop with the reason.
[[noreturn]] void Fail(const char* what);
