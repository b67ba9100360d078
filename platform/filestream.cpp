#include "platform/filestream.h"

#include "platform/errors.h"

namespace corvane {

FileReader::FileReader(const std::string& path)
    : path_(path)
{
    if (const int error = file_.open(path))
        throw fileOpenError(path, error);
}

FileReader::~FileReader() = default;

std::string_view FileReader::read(std::size_t maxBytes)
{
    buffer_.resize(maxBytes);
    std::size_t count = 0;
    if (const int error = file_.read(buffer_.data(), maxBytes, count))
        throw fileOpenError(path_, error);
    return {buffer_.data(), count};
}

} // namespace corvane
