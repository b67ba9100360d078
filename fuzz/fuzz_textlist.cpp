// Splits arbitrary bytes into a text list and checks the line rule holds for what comes out.
#include "library/textlist.h"
#include "platform/codepage.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const corvane::TextList lines = corvane::splitTextList(bytes);

    // The count is what the script count relies on; it must agree with the real split.
    if (corvane::countTextListLines(bytes) != lines.size())
        std::abort();
    // Files are counted piece by piece; a CR LF split across two pieces is still one break.
    // The bytes themselves choose where the pieces end, and slip in empty pieces.
    corvane::TextListLineCounter counter;
    for (std::size_t pos = 0; pos < size;) {
        const std::size_t length = std::min<std::size_t>(1 + (data[pos] & 7), size - pos);
        if ((data[pos] & 8) != 0)
            counter.feed({});
        if (!counter.feed(bytes.substr(pos, length)))
            break;
        pos += length;
    }
    if (counter.lines() != lines.size())
        std::abort();

    std::size_t total = 0;
    for (const auto& line : lines) {
        if (line.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
            std::abort();
        total += line.size();
        // Every byte decodes and encodes back, so a line survives the trip to UTF-8 unchanged.
        if (corvane::utf8ToCp1251(corvane::cp1251ToUtf8(line)) != line)
            std::abort();
    }
    // Lines are pieces of the text, so together they cannot outgrow it.
    if (total > size)
        std::abort();
    return 0;
}
