#pragma once
// What the library benchmarks share: sizes from the environment and a generated library in the
// system's temporary folder.
#include "platform/codepage.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace bench {

inline int sizeFromEnv(const char* name, int fallback)
{
    const char* value = std::getenv(name);
    return value ? std::atoi(value) : fallback;
}

// The one instance of a benchmark's fixture, made at first use and removed at exit.
template <typename T>
T& once()
{
    static T instance;
    return instance;
}

// A library of `categories` folders in the temporary folder `name`, removed with the object.
// `fillCategory(folder, list, index)` writes a category's scripts and their list; the names are
// UTF-8 and `categories.ini` takes them in Windows-1251, as the program reads it.
struct GeneratedLibrary {
    using CategoryName = std::function<std::string(int index)>;
    using FillCategory =
        std::function<void(const std::filesystem::path& folder, std::ofstream& list, int index)>;

    GeneratedLibrary(const std::string& name, int categories, const CategoryName& categoryName,
                     const FillCategory& fillCategory)
        : root(std::filesystem::temp_directory_path() / name)
    {
        std::error_code error;
        std::filesystem::remove_all(root, error);
        std::filesystem::create_directories(root);
        std::ofstream ini(root / "categories.ini", std::ios::binary);
        for (int c = 0; c < categories; ++c) {
            const std::string category = categoryName(c);
            ini << corvane::utf8ToCp1251("[" + category + "]\r\n");
            std::filesystem::create_directory(root / category);
            std::ofstream list(root / category / "scripts.txt", std::ios::binary);
            fillCategory(root / category, list, c);
        }
        dir = root.string() + '/';
    }
    ~GeneratedLibrary()
    {
        std::error_code error;
        std::filesystem::remove_all(root, error);
    }
    GeneratedLibrary(const GeneratedLibrary&) = delete;
    GeneratedLibrary& operator=(const GeneratedLibrary&) = delete;

    std::filesystem::path root;
    std::string dir; // with the trailing separator, as the program composes paths
};

} // namespace bench
