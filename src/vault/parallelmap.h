#pragma once

#include <QByteArray>
#include <QList>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
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
    Result* output = results.data(); // detached once, before any thread writes
    std::vector<std::exception_ptr> errors{size_t(count)};
    std::atomic<qsizetype> next{0};
    const auto worker = [&] {
        QByteArray scratch;
        for (qsizetype i = next++; i < count; i = next++) {
            try {
                output[i] = function(i, scratch);
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

// parallelMap for items that are found one by one, by a walk of the vault: the cores start on
// the first items while `produce` is still finding the others, so the walk costs no time of its
// own. `produce(add)` runs on the calling thread and calls `add(item)` for each item in order;
// once it returns, the calling thread works on the items too. Results come back in the order
// the items were added. If `produce` throws, the items not yet started are dropped and its
// exception is rethrown once the workers have stopped; otherwise errors are handled as by
// parallelMap.
template <typename Result, typename Item, typename Produce, typename Function>
QList<Result> parallelMapWhileProducing(Produce&& produce, Function&& function)
{
    std::mutex mutex;
    std::condition_variable more;
    std::deque<Item> items; // a deque: the items and slots already handed out never move
    std::deque<Result> results;
    std::deque<std::exception_ptr> errors;
    qsizetype next = 0;
    bool finished = false;
    const auto worker = [&] {
        QByteArray scratch;
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            more.wait(lock, [&] { return next < qsizetype(items.size()) || finished; });
            if (next >= qsizetype(items.size()))
                return;
            const qsizetype i = next++;
            const Item* item = &items[size_t(i)];
            Result* slot = &results[size_t(i)];
            std::exception_ptr* error = &errors[size_t(i)];
            lock.unlock();
            try {
                *slot = function(*item, scratch);
            } catch (...) {
                *error = std::current_exception();
            }
            lock.lock();
        }
    };
    const qsizetype cores = std::clamp<qsizetype>(std::thread::hardware_concurrency(), 1, 8);
    std::vector<std::thread> threads;
    threads.reserve(size_t(cores));
    for (qsizetype i = 0; i < cores; ++i)
        threads.emplace_back(worker);

    std::exception_ptr producerError;
    try {
        produce([&](Item item) {
            {
                const std::lock_guard<std::mutex> guard(mutex);
                items.push_back(std::move(item));
                results.emplace_back();
                errors.emplace_back();
            }
            more.notify_one();
        });
    } catch (...) {
        producerError = std::current_exception();
    }
    {
        const std::lock_guard<std::mutex> guard(mutex);
        finished = true;
        if (producerError)
            next = qsizetype(items.size()); // start nothing more
    }
    more.notify_all();
    if (!producerError)
        worker();
    for (std::thread& thread : threads)
        thread.join();
    if (producerError)
        std::rethrow_exception(producerError);
    for (const std::exception_ptr& error : errors) {
        if (error)
            std::rethrow_exception(error);
    }
    QList<Result> list;
    list.reserve(qsizetype(results.size()));
    for (Result& result : results)
        list.append(std::move(result));
    return list;
}
