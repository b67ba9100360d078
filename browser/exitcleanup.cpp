#include "browser/exitcleanup.h"

#include <QFile>

#include <csignal>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <cstdio>
#else
#include <unistd.h>
#endif

namespace corvane {
namespace {

constexpr int kSlots = 8;
constexpr std::size_t kPathBytes = 4096;

// Plain bytes, so that the signal handler may read them: a slot is in use when its path is not
// empty, and is written only while it is not.
char paths[kSlots][kPathBytes];
volatile std::sig_atomic_t inUse[kSlots];

void removeAll()
{
    for (int i = 0; i < kSlots; ++i) {
        if (inUse[i]) {
#ifdef _WIN32
            std::remove(paths[i]);
#else
            ::unlink(paths[i]);
#endif
            inUse[i] = 0;
        }
    }
}

extern "C" void onEndSignal(int signal)
{
    removeAll();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void installOnce()
{
    static const bool installed = [] {
        std::atexit(removeAll);
#ifndef _WIN32
        for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
            struct sigaction action = {};
            sigaction(signal, nullptr, &action);
            // A signal the program was started to ignore stays ignored.
            if (action.sa_handler == SIG_IGN)
                continue;
            action.sa_handler = onEndSignal;
            sigemptyset(&action.sa_mask);
            action.sa_flags = 0;
            sigaction(signal, &action, nullptr);
        }
#endif
        return true;
    }();
    (void)installed;
}

} // namespace

void removeAtExit(const QString& path)
{
    installOnce();
    const QByteArray bytes = QFile::encodeName(path);
    if (bytes.size() >= static_cast<qsizetype>(kPathBytes))
        return;
    for (int i = 0; i < kSlots; ++i) {
        if (!inUse[i]) {
            std::memcpy(paths[i], bytes.constData(), static_cast<std::size_t>(bytes.size()) + 1);
            inUse[i] = 1;
            return;
        }
    }
}

void letGoAtExit(const QString& path)
{
    const QByteArray bytes = QFile::encodeName(path);
    for (int i = 0; i < kSlots; ++i) {
        if (inUse[i] && bytes == paths[i])
            inUse[i] = 0;
    }
}

} // namespace corvane
