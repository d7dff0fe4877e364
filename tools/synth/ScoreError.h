#pragma once

#include <stdexcept>
#include <string>

// A fault in a score's text, its message naming the file and line ("loop1.txt:12: ...").
class ScoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
