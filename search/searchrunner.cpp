#include "search/searchrunner.h"

namespace corvane {

SearchRunner::SearchRunner(std::string programDirectory, Hits hits, Done done, SearchLimits limits)
    : programDirectory_(std::move(programDirectory))
    , hits_(std::move(hits))
    , done_(std::move(done))
    , limits_(limits)
    , thread_([this] { run(); })
{
}

SearchRunner::~SearchRunner()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        pending_.reset();
        if (running_)
            running_->cancel();
    }
    wake_.notify_one();
    thread_.join();
}

std::uint64_t SearchRunner::start(const std::string& query)
{
    std::uint64_t ticket;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (running_)
            running_->cancel();
        ticket = ++lastTicket_;
        pending_ = Request{ticket, query, std::make_shared<SearchCancel>()};
    }
    wake_.notify_one();
    return ticket;
}

void SearchRunner::cancel()
{
    const std::lock_guard<std::mutex> lock(mutex_);
    pending_.reset();
    if (running_)
        running_->cancel();
}

void SearchRunner::run()
{
    for (;;) {
        Request request;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || pending_; });
            if (stopping_)
                return;
            request = std::move(*pending_);
            pending_.reset();
            running_ = request.cancel;
        }
        SearchReport report;
        std::exception_ptr failure;
        try {
            report = searchLibrary(
                programDirectory_, request.query, *request.cancel,
                [&](std::vector<SearchHit>&& hits) { hits_(request.ticket, std::move(hits)); },
                SearchScope::NamesAndText, limits_);
        } catch (...) {
            // An exception must not end the thread: it travels to the caller with Done.
            failure = std::current_exception();
        }
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            running_.reset();
        }
        done_(request.ticket, report, failure);
    }
}

} // namespace corvane
