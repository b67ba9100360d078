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
    for (const auto& name : corvane::parseSectionNames(text, budget)) {
        if (name.empty())
            std::abort();
        // The budget counts each name in the code page with its NUL, whatever the file's encoding.
        used += corvane::utf8ToCp1251(name).size() + 1;
    }
    if (used > budget)
        std::abort();
    return 0;
}
