#include "support/testfiles.h"

#include "platform/codepage.h"
#include "platform/files.h"

#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace corvane::test {

TempDir::TempDir()
{
    std::random_device random;
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto candidate = base / ("corvane-test-" + std::to_string(random()));
        std::error_code error;
        if (std::filesystem::create_directory(candidate, error)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("no temporary folder");
}

TempDir::~TempDir()
{
    std::error_code error;
    std::filesystem::remove_all(path_, error);
}

std::string TempDir::dir() const
{
    return path_.u8string() + kPathSeparator;
}

std::string TempDir::write(const std::string& relative, const std::string& bytes) const
{
    const auto file = path_ / std::filesystem::u8path(relative);
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return file.u8string();
}

std::string TempDir::writeCp1251(const std::string& relative, const std::string& utf8) const
{
    return write(relative, utf8ToCp1251(utf8));
}

std::string readBytes(const std::string& path)
{
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace corvane::test
