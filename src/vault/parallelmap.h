#pragma once

#include <QByteArray>
#include <QList>

#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>
#include <vector>

// Vault-wide reads (the article listing, the memo list) spend their time reading, decoding and
// parsing thousands of files that do not depend on each other. parallelMap shares that work
// among the cores inside one repository operation; the operations themselves still run one at
// a time.
//
// `function(i, scratch)` computes item i; `scratch` is a buffer private to the calling thread
// that it may reuse from item to item (to read files into without a new allocation each time).
// Results come back in input order. When calls throw, the exception of the lowest index is
// rethrown once every call has finished: the error a plain loop would have met first. Use it
// only for work without side effects, since items after the failing one run anyway.
template <typename Result, typename Function>
QList<Result> parallelMap(qsizetype count, Function&& function)
{
    QList<Result> results(count);
    Result* slots = results.data(); // detached once, before any thread writes
    std::vector<std::exception_ptr> errors{size_t(count)};
    std::atomic<qsizetype> next{0};
    const auto worker = [&] {
        QByteArray scratch;
        for (qsizetype i = next++; i < count; i = next++) {
            try {
                slots[i] = function(i, scratch);
            } catch (...) {
                errors[size_t(i)] = std::current_exception();
            }
        }
    };
    // A thread costs tens of microseconds to start: not worth it for a handful of items.
    const qsizetype cores = std::clamp<qsizetype>(std::thread::hardware_concurrency(), 1, 8);
    const qsizetype helpers = std::min(cores, count / 16 + 1) - 1;
    std::vector<std::thread> threads;
    threads.reserve(size_t(helpers));
    for (qsizetype i = 0; i < helpers; ++i)
        threads.emplace_back(worker);
    worker();
    for (std::thread& thread : threads)
        thread.join();
    for (const std::exception_ptr& error : errors) {
        if (error)
            std::rethrow_exception(error);
    }
    return results;
}
