// Work run on a few threads at once.
#pragma once

#include <algorithm>
#include <cstddef>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace tunora {

// The threads worth running for work that can be shared out: one per core, at most
// eight.
inline size_t CoreCount() { return std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 8); }

// Runs body(calling) on threads threads at once: on threads - 1 new ones with
// calling false, and on the calling thread with calling true. Returns when all have
// finished; the first exception thrown is thrown again on the calling thread then.
// Where the system has no more threads to give, fewer run.
template <typename Body>
void OnThreads(size_t threads, Body&& body) {
  std::exception_ptr failure;
  std::mutex failureLock;
  auto run = [&](bool calling) {
    try {
      body(calling);
    } catch (...) {
      std::lock_guard lock(failureLock);
      if (!failure) failure = std::current_exception();
    }
  };
  std::vector<std::thread> helpers;
  try {
    helpers.reserve(threads > 0 ? threads - 1 : 0);
    for (size_t t = 1; t < threads; ++t) helpers.emplace_back(run, false);
  } catch (const std::system_error&) {
    // The threads running do the work.
  }
  run(true);
  for (std::thread& t : helpers) t.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace tunora
