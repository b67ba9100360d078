// Parses arbitrary text as a store; whatever parses must come back the same after format and parse.
#include "platform/registrytext.h"

#include <cstdint>
#include <cstdlib>

namespace {

bool sameHive(const corvane::RegistryHive& a, const corvane::RegistryHive& b)
{
    if (a.keys.size() != b.keys.size())
        return false;
    for (std::size_t k = 0; k < a.keys.size(); ++k) {
        const auto& x = a.keys[k];
        const auto& y = b.keys[k];
        if (x.path != y.path || x.values.size() != y.values.size())
            return false;
        for (std::size_t v = 0; v < x.values.size(); ++v) {
            const auto& p = x.values[v];
            const auto& q = y.values[v];
            if (p.name != q.name || p.type != q.type || p.data != q.data)
                return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto hive = corvane::parseRegistryText(text);
    if (!hive)
        return 0;
    const std::string formatted = corvane::formatRegistryText(*hive);
    const auto again = corvane::parseRegistryText(formatted);
    // A store we wrote must always read back, and read back as exactly what was written.
    if (!again || !sameHive(*hive, *again))
        std::abort();
    return 0;
}
