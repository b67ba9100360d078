#pragma once
// What the page benchmarks share: sizes from the environment and generated pages in a folder.
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

namespace bench {

// A size from the environment; fallback when it is unset or no positive number.
inline int positiveSizeFromEnv(const char* name, int fallback)
{
    const char* value = std::getenv(name);
    return value && std::atoi(value) > 0 ? std::atoi(value) : fallback;
}

// CORVANE_BENCH_JOBS, by default the number of processors.
inline int jobsFromEnv()
{
    return positiveSizeFromEnv("CORVANE_BENCH_JOBS",
                               static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
}

// Writes `count` pages, page(i) being the bytes of the i-th, as folder/<stem><i>.html, beside the
// one-pixel dot.gif they show; gives their paths.
inline QStringList writePages(const QString& folder, int count, const QString& stem,
                              const std::function<std::string(int)>& page)
{
    {
        std::ofstream gif((folder + QStringLiteral("/dot.gif")).toStdString(), std::ios::binary);
        gif.write(
            "GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff!\xf9\x04\x01\x00\x00\x00\x00,\x00\x00"
            "\x00\x00\x01\x00\x01\x00\x00\x02\x02D\x01\x00;",
            43);
    }
    QStringList files;
    for (int i = 0; i < count; ++i) {
        const std::string bytes = page(i);
        const QString path = folder + QStringLiteral("/%1%2.html").arg(stem).arg(i);
        std::ofstream(path.toStdString(), std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        files.append(path);
    }
    return files;
}

} // namespace bench
