#include "platform/files.h"

#include "platform/errors.h"
#include "platform/readablefile.h"

namespace corvane {
namespace {

constexpr std::size_t kNoLimit = static_cast<std::size_t>(-1);

// Hands the open file to onChunk piece by piece until the end or until onChunk answers false;
// gives 0 or the error number.
template <typename OnChunk>
int readChunks(ReadableFile& file, OnChunk onChunk)
{
    char buffer[65536];
    for (;;) {
        std::size_t count = 0;
        if (const int error = file.read(buffer, sizeof buffer, count))
            return error;
        if (count == 0 || !onChunk(std::string_view(buffer, count)))
            return 0;
    }
}

// Reads the file into bytes, giving up once it holds more than maxBytes; gives 0 or the error
// number, and sets tooLarge when it gave up.
int readInto(const std::string& path, std::string& bytes, std::size_t maxBytes, bool& tooLarge)
{
    tooLarge = false;
    ReadableFile file;
    if (const int error = file.open(path))
        return error;
    if (file.size() > maxBytes) {
        tooLarge = true;
        return 0;
    }
    bytes.clear();
    bytes.reserve(static_cast<std::size_t>(file.size()));
    // The size may grow while we read; the limit holds for what is actually read.
    return readChunks(file, [&](std::string_view chunk) {
        if (chunk.size() > maxBytes - bytes.size()) {
            tooLarge = true;
            return false;
        }
        bytes.append(chunk);
        return true;
    });
}

} // namespace

std::string readWholeFile(const std::string& path)
{
    std::string bytes;
    bool tooLarge = false;
    if (const int error = readInto(path, bytes, kNoLimit, tooLarge))
        throw fileOpenError(path, error);
    return bytes;
}

std::optional<std::string> readWholeFileWithin(const std::string& path, std::size_t maxBytes)
{
    std::string bytes;
    bool tooLarge = false;
    if (const int error = readInto(path, bytes, maxBytes, tooLarge))
        throw fileOpenError(path, error);
    if (tooLarge)
        return std::nullopt;
    return bytes;
}

void readFileInChunks(const std::string& path, const std::function<bool(std::string_view)>& onChunk)
{
    ReadableFile file;
    int error = file.open(path);
    if (!error)
        error = readChunks(file, onChunk);
    if (error)
        throw fileOpenError(path, error);
}

bool readRegularFileInto(const std::string& path, std::string& bytes, std::size_t maxBytes)
{
    bool tooLarge = false;
    return readInto(path, bytes, maxBytes, tooLarge) == 0 && !tooLarge;
}

std::optional<std::string> readFileIfReadable(const std::string& path, int* errorNumber)
{
    std::string bytes;
    bool tooLarge = false;
    const int error = readInto(path, bytes, kNoLimit, tooLarge);
    if (errorNumber)
        *errorNumber = error;
    if (error != 0)
        return std::nullopt;
    return bytes;
}

} // namespace corvane
