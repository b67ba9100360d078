#include "platform/filecompare.h"

#include "platform/filestream.h"

namespace corvane {

bool sameFileContents(const std::string& first, const std::string& second)
{
    FileReader a(first);
    FileReader b(second);
    if (a.size() != b.size())
        return false;
    for (;;) {
        const std::string piece(a.read());
        if (piece.empty())
            return b.read(1).empty();
        for (std::size_t compared = 0; compared < piece.size();) {
            const std::string_view other = b.read(piece.size() - compared);
            if (other.empty() || other != std::string_view(piece).substr(compared, other.size()))
                return false;
            compared += other.size();
        }
    }
}

} // namespace corvane
