#pragma once
// Numbered tasks spread over a few threads, the caller's among them.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <thread>
#include <vector>

namespace korvint::search {

/// `threads`, or one per core when it is 0.
inline unsigned threads_or_cores(unsigned threads) {
  return threads != 0 ? threads : std::max(1u, std::thread::hardware_concurrency());
}

/// Runs `work(task_index, state)` for every task on `threads` threads (the
/// caller is one of them); each thread has its own `state` from `make_state()`.
template <typename MakeState, typename Work>
void run_tasks(std::size_t task_count, unsigned threads, MakeState make_state, Work work) {
  if (task_count == 0) return;
  std::atomic<std::size_t> next{0};
  auto worker = [&] {
    auto state = make_state();
    for (std::size_t i = next.fetch_add(1); i < task_count; i = next.fetch_add(1)) work(i, state);
  };
  const auto helpers = static_cast<unsigned>(std::min<std::size_t>(threads, task_count) - 1);
  std::vector<std::thread> pool;
  pool.reserve(helpers);
  for (unsigned i = 0; i < helpers; ++i) pool.emplace_back(worker);
  worker();
  for (std::thread& thread : pool) thread.join();
}

}  // namespace korvint::search
