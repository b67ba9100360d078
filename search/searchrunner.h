#pragma once

#include "search/librarysearch.h"

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace corvane {

// Runs one library search at a time on a thread of its own, so that the caller never waits:
// starting a search cancels the one still running. The callbacks run on that thread and carry
// the ticket start() returned, so the caller can drop what a superseded search still sends.
class SearchRunner {
public:
    using Hits = std::function<void(std::uint64_t ticket, std::vector<SearchHit>&& hits)>;
    // failure is empty unless the search raised; the caller rethrows it where errors are shown.
    using Done =
        std::function<void(std::uint64_t ticket, const SearchReport& report, std::exception_ptr failure)>;

    SearchRunner(std::string programDirectory, Hits hits, Done done, SearchLimits limits = {});
    ~SearchRunner();
    SearchRunner(const SearchRunner&) = delete;
    SearchRunner& operator=(const SearchRunner&) = delete;

    std::uint64_t start(const std::string& query);
    // Cancels the running search and one not yet begun; Done still comes for the running one.
    void cancel();

private:
    struct Request {
        std::uint64_t ticket;
        std::string query;
        std::shared_ptr<SearchCancel> cancel;
    };
    void run();

    const std::string programDirectory_;
    const Hits hits_;
    const Done done_;
    const SearchLimits limits_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<Request> pending_;
    std::shared_ptr<SearchCancel> running_;
    std::uint64_t lastTicket_ = 0;
    bool stopping_ = false;
    std::thread thread_; // last: starts once everything above is ready
};

} // namespace corvane
