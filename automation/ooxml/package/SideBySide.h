#pragma once

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace ooxml {

// Calls work(i) once for every i from 0 to count - 1, on one thread per core,
// the caller's among them, each taking the next i as it becomes free; returns
// when all are done. `work` must be safe to run on several threads at once.
template <typename Work>
void sideBySide(int count, const Work &work)
{
    std::atomic<int> next{0};
    const auto take = [&]() {
        for (int i = next++; i < count; i = next++)
            work(i);
    };
    const int helpers = std::min<int>(count, static_cast<int>(std::max(1u, std::thread::hardware_concurrency()))) - 1;
    std::vector<std::thread> threads;
    for (int t = 0; t < helpers; ++t)
        threads.emplace_back(take);
    take();
    for (std::thread &thread : threads)
        thread.join();
}

} // namespace ooxml
