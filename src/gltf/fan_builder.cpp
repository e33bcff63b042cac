#include "gltf/fan_builder.h"

#include <algorithm>
#include <compare>
#include <functional>
#include <queue>

namespace {

// The order in which vertices are taken: the greatest key first.
struct FanKey {
    std::uint32_t remaining; // triangles not yet in a fan
    std::uint32_t step;      // when last neared by a fan (nearestToLastFan)
    std::uint32_t shared;    // triangle corners shared then
    std::uint32_t inverted;  // 0xFFFFFFFF - vertex: the lowest-numbered first
    friend bool operator==(const FanKey&, const FanKey&) = default;
    friend auto operator<=>(const FanKey&, const FanKey&) = default;
};

// One triangle around the vertex whose fans are being made: the other two
// corners in winding order, and the triangle's place in the list.
struct Pair {
    std::uint32_t x, y;
    std::uint32_t triangle;
};

// Around most vertices meet a handful of triangles: the rule is then
// followed literally, by searching the few pairs, with nothing to allocate.
constexpr std::size_t kFewPairs = 24;

void ChainFewPairs(std::uint32_t centre, const std::vector<Pair>& pairs, std::size_t maxIndices,
                   std::vector<std::vector<std::uint32_t>>& fans) {
    const std::size_t n = pairs.size();
    bool used[kFewPairs] = {};
    // The first unused pair whose first corner is `x`, or n.
    const auto following = [&](std::uint32_t x) {
        std::size_t j = 0;
        while (j < n && (used[j] || pairs[j].x != x)) {
            ++j;
        }
        return j;
    };
    for (std::size_t done = 0; done < n;) {
        std::size_t start = n, firstUnused = n;
        for (std::size_t i = 0; i < n && start == n; ++i) {
            if (used[i]) {
                continue;
            }
            firstUnused = std::min(firstUnused, i);
            bool led = false;
            for (std::size_t j = 0; j < n && !led; ++j) {
                led = !used[j] && pairs[j].y == pairs[i].x;
            }
            if (!led) {
                start = i;
            }
        }
        if (start == n) { // only rings are left
            start = firstUnused;
        }
        std::vector<std::uint32_t> fan = {centre, pairs[start].x, pairs[start].y};
        used[start] = true;
        ++done;
        while (fan.size() < maxIndices) {
            const std::size_t next = following(fan.back());
            if (next == n) {
                break;
            }
            fan.push_back(pairs[next].y);
            used[next] = true;
            ++done;
        }
        fans.push_back(std::move(fan));
    }
}

// The same for any number of pairs, with the pairs indexed by their first
// corner and the chain starts kept in order. `incoming` is zero for every
// vertex on entry and left so.
void ChainPairs(std::uint32_t centre, const std::vector<Pair>& pairs, std::size_t maxIndices,
                std::vector<std::uint32_t>& incoming,
                std::vector<std::vector<std::uint32_t>>& fans) {
    const std::size_t n = pairs.size();
    if (n <= kFewPairs) {
        ChainFewPairs(centre, pairs, maxIndices, fans);
        return;
    }
    std::vector<bool> used(n, false);
    // The pairs ordered by their first corner, then list order: the pairs
    // that can follow a corner lie together.
    std::vector<std::uint32_t> byX(n);
    for (std::uint32_t i = 0; i < n; ++i) {
        byX[i] = i;
    }
    std::sort(byX.begin(), byX.end(), [&pairs](std::uint32_t a, std::uint32_t b) {
        return pairs[a].x != pairs[b].x ? pairs[a].x < pairs[b].x : a < b;
    });
    const auto firstWithX = [&](std::uint32_t x) {
        return std::lower_bound(
            byX.begin(), byX.end(), x,
            [&pairs](std::uint32_t i, std::uint32_t value) { return pairs[i].x < value; });
    };
    // The first unused pair that follows corner `x`, or n.
    const auto follower = [&](std::uint32_t x) -> std::size_t {
        for (auto it = firstWithX(x); it != byX.end() && pairs[*it].x == x; ++it) {
            if (!used[*it]) {
                return *it;
            }
        }
        return n;
    };
    for (const Pair& pair : pairs) {
        ++incoming[pair.y];
    }
    // Chain starts: pairs that no unused pair leads to, smallest place first.
    std::priority_queue<std::uint32_t, std::vector<std::uint32_t>, std::greater<>> starts;
    for (std::uint32_t i = 0; i < n; ++i) {
        if (incoming[pairs[i].x] == 0) {
            starts.push(i);
        }
    }
    const auto take = [&](std::size_t i) {
        used[i] = true;
        if (--incoming[pairs[i].y] == 0) {
            for (auto it = firstWithX(pairs[i].y); it != byX.end() && pairs[*it].x == pairs[i].y;
                 ++it) {
                if (!used[*it]) {
                    starts.push(*it);
                }
            }
        }
    };
    std::size_t firstUnused = 0;
    for (std::size_t done = 0; done < n;) {
        std::size_t start = n;
        while (!starts.empty() && start == n) {
            if (!used[starts.top()]) {
                start = starts.top();
            }
            starts.pop();
        }
        if (start == n) { // only rings are left
            while (used[firstUnused]) {
                ++firstUnused;
            }
            start = firstUnused;
        }
        std::vector<std::uint32_t> fan = {centre, pairs[start].x, pairs[start].y};
        take(start);
        ++done;
        while (fan.size() < maxIndices) {
            const std::size_t next = follower(fan.back());
            if (next == n) {
                break;
            }
            fan.push_back(pairs[next].y);
            take(next);
            ++done;
        }
        fans.push_back(std::move(fan));
    }
}

} // namespace

std::vector<std::vector<std::uint32_t>> BuildGreedyFans(std::span<const std::uint32_t> triangles,
                                                        std::size_t vertexCount,
                                                        std::size_t maxIndices, FanTies ties) {
    // The counts below are kept per vertex: a corner that names no vertex
    // below `vertexCount` would count past them. Such a list is refused.
    if (std::any_of(triangles.begin(), triangles.end(),
                    [vertexCount](std::uint32_t v) { return v >= vertexCount; })) {
        return {};
    }
    const std::size_t triangleCount = triangles.size() / 3;
    // The triangles of each vertex, in list order; degenerate ones left out.
    std::vector<std::uint32_t> remaining(vertexCount, 0);
    std::vector<bool> drawn(triangleCount, false);
    const auto corner = [&triangles](std::size_t t, int k) { return triangles[3 * t + k]; };
    for (std::size_t t = 0; t < triangleCount; ++t) {
        const std::uint32_t a = corner(t, 0), b = corner(t, 1), c = corner(t, 2);
        if (a == b || b == c || a == c) {
            drawn[t] = true;
            continue;
        }
        ++remaining[a], ++remaining[b], ++remaining[c];
    }
    std::vector<std::uint32_t> offsets(vertexCount + 1, 0);
    for (std::size_t v = 0; v < vertexCount; ++v) {
        offsets[v + 1] = offsets[v] + remaining[v];
    }
    std::vector<std::uint32_t> incident(offsets[vertexCount]);
    std::vector<std::uint32_t> fill(offsets.begin(), offsets.end() - 1);
    for (std::size_t t = 0; t < triangleCount; ++t) {
        if (!drawn[t]) {
            for (int k = 0; k < 3; ++k) {
                incident[fill[corner(t, k)]++] = static_cast<std::uint32_t>(t);
            }
        }
    }

    // The vertex with the most remaining triangles; among equals, with
    // nearestToLastFan, the one that shares the most triangle corners with
    // the vertices the last fans touched first (the latest step, then the
    // most corners); then the lowest-numbered. Stale keys are skipped when
    // they come up.
    const bool near = ties == FanTies::nearestToLastFan;
    std::vector<std::uint32_t> step(vertexCount, 0);   // when the vertex was last neared
    std::vector<std::uint32_t> shared(vertexCount, 0); // corners shared at that step
    std::vector<bool> touched(vertexCount, false);     // a corner of a fan made
    std::vector<std::uint32_t> mark(vertexCount, 0);   // queued again at this step
    std::vector<std::uint32_t> affected;
    std::uint32_t now = 0;
    const auto keyOf = [&](std::uint32_t v) {
        return FanKey{remaining[v], near ? step[v] : 0, near ? shared[v] : 0, 0xFFFFFFFFu - v};
    };
    std::priority_queue<FanKey> queue;
    for (std::uint32_t v = 0; v < vertexCount; ++v) {
        if (remaining[v] > 0) {
            queue.push(keyOf(v));
        }
    }
    std::vector<std::vector<std::uint32_t>> fans;
    std::vector<std::uint32_t> incoming(vertexCount, 0);
    std::vector<Pair> pairs;
    while (!queue.empty()) {
        const FanKey key = queue.top();
        queue.pop();
        const std::uint32_t v = 0xFFFFFFFFu - key.inverted;
        if (remaining[v] == 0 || keyOf(v) != key) {
            continue;
        }
        pairs.clear();
        for (std::uint32_t i = offsets[v]; i < offsets[v + 1]; ++i) {
            const std::uint32_t t = incident[i];
            if (drawn[t]) {
                continue;
            }
            drawn[t] = true;
            const int k = corner(t, 0) == v ? 0 : corner(t, 1) == v ? 1 : 2;
            const std::uint32_t x = corner(t, (k + 1) % 3), y = corner(t, (k + 2) % 3);
            pairs.push_back({x, y, t});
            --remaining[x], --remaining[y];
        }
        remaining[v] = 0;
        // Every vertex whose key this fan changes is queued again once.
        ++now;
        affected.clear();
        const auto affect = [&](std::uint32_t w) {
            if (mark[w] != now) {
                mark[w] = now;
                affected.push_back(w);
            }
        };
        for (const Pair& pair : pairs) {
            affect(pair.x);
            affect(pair.y);
        }
        if (near) {
            // The corners this fan touches first near every vertex they
            // share a triangle with.
            for (const Pair& pair : pairs) {
                for (const std::uint32_t u : {pair.x, pair.y}) {
                    if (touched[u]) {
                        continue;
                    }
                    touched[u] = true;
                    for (std::uint32_t i = offsets[u]; i < offsets[u + 1]; ++i) {
                        for (int k = 0; k < 3; ++k) {
                            const std::uint32_t w = corner(incident[i], k);
                            if (w == u || remaining[w] == 0) {
                                continue;
                            }
                            if (step[w] != now) {
                                step[w] = now;
                                shared[w] = 0;
                            }
                            ++shared[w];
                            affect(w);
                        }
                    }
                }
            }
        }
        for (const std::uint32_t w : affected) {
            if (remaining[w] > 0) {
                queue.push(keyOf(w));
            }
        }
        ChainPairs(v, pairs, std::max<std::size_t>(maxIndices, 3), incoming, fans);
    }
    return fans;
}

std::vector<std::vector<std::uint32_t>> BuildFans(std::span<const std::uint32_t> triangles,
                                                  std::size_t vertexCount, std::size_t maxIndices) {
    std::vector<std::vector<std::uint32_t>> lowest =
        BuildGreedyFans(triangles, vertexCount, maxIndices, FanTies::lowestNumber);
    std::vector<std::vector<std::uint32_t>> nearest =
        BuildGreedyFans(triangles, vertexCount, maxIndices, FanTies::nearestToLastFan);
    return nearest.size() <= lowest.size() ? nearest : lowest;
}
