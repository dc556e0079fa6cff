#pragma once
// Slide numbers as messages name them, free of any toolkit: the Qt program and the
// player runtimes write the same text.

#include <string>
#include <vector>

/// Ascending numbers as a short list, runs of consecutive numbers as "first-last"
/// ("1, 3-5, 9").
inline std::string NumberRangesText(const std::vector<int>& numbers) {
    std::string text;
    for (size_t i = 0; i < numbers.size();) {
        size_t j = i;
        while (j + 1 < numbers.size() && numbers[j + 1] == numbers[j] + 1)
            ++j;
        if (!text.empty())
            text += ", ";
        text += std::to_string(numbers[i]);
        if (j != i)
            text += "-" + std::to_string(numbers[j]);
        i = j + 1;
    }
    return text;
}
