#pragma once
// A long run of points worked in two halves at once: the loops this serves wait on memory more
// than on arithmetic, and the second core is idle while the window waits for them.
#include <cstddef>
#include <future>

inline constexpr std::size_t kTwoHalvesFrom = 50000;

// fn(from, to) over [0, n); the halves must not write the same things.
template <class Fn>
void inTwoHalves(std::size_t n, Fn &&fn) {
    if (n < kTwoHalvesFrom) return fn(std::size_t(0), n);
    auto second = std::async(std::launch::async, [&fn, n] { fn(n / 2, n); });
    fn(std::size_t(0), n / 2);
    second.get();
}
