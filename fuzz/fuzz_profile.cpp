// Reads section names from arbitrary INI bytes with a budget taken from the first byte.
#include "platform/codepage.h"
#include "platform/profile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // Small budgets reach the cut-off with short inputs; 255 stands for the real budget.
    const std::size_t budget = data[0] == 255 ? corvane::kSectionNamesBudget : data[0];
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

    std::size_t used = 0;
    const auto names = corvane::parseSectionNames(text, budget);
    for (const auto& name : names) {
        // Names are C strings to the platform: never empty, never holding a NUL.
        if (name.empty() || name.find('\0') != std::string::npos)
            std::abort();
        // The budget counts each name in the code page with its NUL, whatever the file's encoding.
        used += corvane::utf8ToCp1251(name).size() + 1;
    }
    // The list's final NUL and one more place always stay free.
    if (!names.empty() && used + 2 > budget)
        std::abort();
    return 0;
}
