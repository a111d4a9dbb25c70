#include "zone_overlaps.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <queue>
#include <tuple>
#include <utility>

namespace dealers_check {
namespace {

struct Zone {
    double x, y, r; // r as the plugin compares it: the radius as a float
    std::uint32_t dealer;
};

constexpr double kLargestCell = 1e9; // cell coordinates are clamped to this, far beyond any map

// The zones of one class of radii in square cells of their centres, sorted by cell, so that the
// zones near a point are a few runs of one array.
class ZoneClass {
  public:
    explicit ZoneClass(std::vector<Zone> zones) {
        largest_ = std::max_element(zones.begin(), zones.end(), [](const Zone& a, const Zone& b) {
                       return a.r < b.r;
                   })->r;
        // Cells about as wide as the zones, and holding a few zones each where they are dense.
        std::vector<float> xs, ys;
        for (const Zone& zone : zones) xs.push_back(zone.x), ys.push_back(zone.y);
        const auto spread = [](std::vector<float>& values) {
            const auto at = [&](std::size_t k) {
                std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(k),
                                 values.end());
                return double{values[k]};
            };
            return at(values.size() * 19 / 20) - at(values.size() / 20);
        };
        const double area = spread(xs) * spread(ys);
        cell_ = std::max({largest_ / 2, std::sqrt(2 * area / static_cast<double>(zones.size())), 1.0});
        std::vector<std::pair<Key, std::uint32_t>> order;
        order.reserve(zones.size());
        for (std::uint32_t i = 0; i < zones.size(); ++i)
            order.push_back({{Cell(zones[i].x), Cell(zones[i].y)}, i});
        std::sort(order.begin(), order.end());
        zones_.reserve(zones.size());
        for (const auto& [key, i] : order) {
            const auto at = static_cast<std::uint32_t>(zones_.size());
            zones_.push_back(zones[i]);
            if (cells_.empty() || cells_.back().key != key) cells_.push_back({key, at, at});
            ++cells_.back().end;
        }
        for (std::uint32_t i = 0; i < cells_.size(); ++i)
            if (rows_.empty() || rows_.back().x != cells_[i].key.x) rows_.push_back({cells_[i].key.x, i});
        rows_.push_back(
            {std::numeric_limits<std::int64_t>::max(), static_cast<std::uint32_t>(cells_.size())});
    }

    double Largest() const { return largest_; }
    const std::vector<Zone>& Zones() const { return zones_; }

    // Calls visit(first, last) for runs of zones, before index limit, that hold every zone whose
    // centre lies within reach of (x, y), and more: whole cells. False as soon as visit is.
    template <class Visit>
    bool Near(double x, double y, double reach, std::uint32_t limit, Visit&& visit) const {
        if (reach < 0) return true;
        const auto firstRow = std::lower_bound(rows_.begin(), rows_.end(), Cell(x - reach),
                                               [](const Row& row, std::int64_t at) { return row.x < at; });
        const std::int64_t lastRow = Cell(x + reach);
        // The rows that hold cells, and in each only the cells that the circle of reach meets.
        for (auto row = firstRow; row->x <= lastRow; ++row) {
            // The outermost rows hold every centre clamped into them: they reach to infinity.
            const double infinity = std::numeric_limits<double>::infinity();
            const double left = row->x == -kLargestCell ? -infinity : static_cast<double>(row->x) * cell_;
            const double right = row->x == kLargestCell ? infinity : static_cast<double>(row->x + 1) * cell_;
            const double dx = x < left ? left - x : (x > right ? x - right : 0);
            const double half = std::sqrt(std::max(reach * reach - dx * dx, 0.0));
            const std::int64_t top = Cell(y + half);
            const Run* const end = cells_.data() + (row + 1)->cell;
            const Run* cell =
                std::lower_bound(cells_.data() + row->cell, end, Cell(y - half),
                                 [](const Run& run, std::int64_t at) { return run.key.y < at; });
            for (; cell != end && cell->key.y <= top; ++cell)
                if (cell->begin < limit &&
                    !visit(zones_.data() + cell->begin, zones_.data() + std::min(cell->end, limit)))
                    return false;
        }
        return true;
    }

  private:
    struct Key {
        std::int64_t x, y;
        bool operator==(const Key&) const = default;
        auto operator<=>(const Key&) const = default;
    };
    struct Run {
        Key key;
        std::uint32_t begin, end; // in zones_
    };
    struct Row {
        std::int64_t x;
        std::uint32_t cell; // the first in cells_
    };

    std::int64_t Cell(double coordinate) const {
        return static_cast<std::int64_t>(
            std::clamp(std::floor(coordinate / cell_), -kLargestCell, kLargestCell));
    }

    double largest_; // radius
    double cell_;
    std::vector<Zone> zones_; // by cell
    std::vector<Run> cells_;  // by key
    std::vector<Row> rows_;   // where each row of cells starts, and then the end
};

constexpr double kClassRatio = 1.5;

// The zones by classes of radii, each up to half as large again as the one below, so that the zones near one
// zone are looked for no farther than the radii of each class reach: a few huge zones do not make every
// search huge.
class ZoneGrid {
  public:
    explicit ZoneGrid(const std::vector<Zone>& zones) {
        std::vector<std::vector<Zone>> classes;
        for (const Zone& zone : zones) {
            const auto k =
                zone.r < 1 ? 0
                           : 1 + static_cast<std::size_t>(std::log(double{zone.r}) / std::log(kClassRatio));
            if (k >= classes.size()) classes.resize(k + 1);
            classes[k].push_back(zone);
        }
        for (std::vector<Zone>& zones : classes)
            if (!zones.empty()) classes_.emplace_back(std::move(zones));
    }

    // Calls onPair(zoneA, zoneB) once for every two zones that share ground: their centres are closer
    // than the sum of their radii (touching is not sharing). False when the budget of pairs to look at
    // ran out first.
    template <class OnPair> bool ForEachPair(OnPair&& onPair, std::uint64_t& budget) const {
        for (std::size_t c = 0; c < classes_.size(); ++c) {
            const std::vector<Zone>& zones = classes_[c].Zones();
            for (std::uint32_t p = 0; p < zones.size(); ++p) {
                const Zone& a = zones[p];
                const auto visit = [&](const Zone* b, const Zone* end) {
                    if (!Spend(budget, end - b)) return false;
                    for (; b != end; ++b) {
                        const double squared = DistanceSquared(a, *b), reach = double{a.r} + b->r;
                        if (squared < reach * reach) onPair(a, *b);
                    }
                    return true;
                };
                // Each pair once: with the zones before it in its own class, and in the classes below.
                if (!classes_[c].Near(a.x, a.y, a.r + classes_[c].Largest(), p, visit)) return false;
                for (std::size_t d = 0; d < c; ++d)
                    if (!classes_[d].Near(a.x, a.y, a.r + classes_[d].Largest(), kAll, visit)) return false;
            }
        }
        return true;
    }

    // For every zone, the first dealer listed before it whose zone holds it wholly (an equal zone
    // included), or none: onHeld(inner, outer dealer or kAll). False when the budget ran out first.
    template <class OnHeld> bool ForEachHeld(OnHeld&& onHeld, std::uint64_t& budget) const {
        for (const ZoneClass& inners : classes_) {
            for (const Zone& inner : inners.Zones()) {
                std::uint32_t first = kAll;
                const auto visit = [&](const Zone* outer, const Zone* end) {
                    if (!Spend(budget, end - outer)) return false;
                    for (; outer != end; ++outer) {
                        const double room = double{outer->r} - inner.r;
                        const bool holds = (outer->dealer < inner.dealer) & (room >= 0) &
                                           (DistanceSquared(inner, *outer) <= room * room);
                        first = std::min(first, holds ? outer->dealer : kAll);
                    }
                    return true;
                };
                for (const ZoneClass& outers : classes_)
                    if (!outers.Near(inner.x, inner.y, outers.Largest() - inner.r, kAll, visit)) return false;
                onHeld(inner, first);
            }
        }
        return true;
    }

    static constexpr std::uint32_t kAll = std::numeric_limits<std::uint32_t>::max();

  private:
    static bool Spend(std::uint64_t& budget, std::ptrdiff_t pairs) {
        const auto count = static_cast<std::uint64_t>(pairs);
        if (budget < count) return false;
        budget -= count;
        return true;
    }

    static double DistanceSquared(const Zone& a, const Zone& b) {
        const double dx = double{a.x} - b.x, dy = double{a.y} - b.y;
        return dx * dx + dy * dy;
    }

    std::vector<ZoneClass> classes_;
};

} // namespace

void FindOverlaps(std::vector<Dealer>& dealers, Overlaps& overlaps, std::uint64_t checkBudget) {
    overlaps = Overlaps{};
    constexpr std::uint32_t kNone = ZoneGrid::kAll, kUnsettled = kNone - 1;
    const auto zoneOf = [&](std::uint32_t i) -> std::optional<Zone> {
        const Dealer& dealer = dealers[i];
        if (dealer.radius < 0 || !std::isfinite(dealer.x) || !std::isfinite(dealer.y)) return std::nullopt;
        return Zone{dealer.x, dealer.y, static_cast<float>(dealer.radius), i};
    };
    std::vector<Zone> zones;
    for (std::uint32_t i = 0; i < dealers.size(); ++i)
        if (const auto zone = zoneOf(i)) zones.push_back(*zone);

    // A zone equal to one listed before it is within it, and within whatever holds that one: it
    // is settled here and left out of the pairs, which for a list of copies would be all of them.
    std::vector<std::uint32_t> sameAs(dealers.size(), kNone);
    std::sort(zones.begin(), zones.end(), [](const Zone& a, const Zone& b) {
        return std::tie(a.x, a.y, a.r, a.dealer) < std::tie(b.x, b.y, b.r, b.dealer);
    });
    for (std::size_t k = 1; k < zones.size(); ++k) {
        const Zone &before = zones[k - 1], &zone = zones[k];
        if (before.x == zone.x && before.y == zone.y && before.r == zone.r)
            sameAs[zone.dealer] = sameAs[before.dealer] == kNone ? before.dealer : sameAs[before.dealer];
    }
    std::erase_if(zones, [&](const Zone& zone) { return sameAs[zone.dealer] != kNone; });

    // Pass 1: for each zone, the first zone listed before it that holds it wholly, or none. Zones the
    // budget leaves unsettled take part in no pair, so that the pairs found are always there.
    std::vector<std::uint32_t> heldBy(dealers.size(), kUnsettled);
    std::uint64_t budget = checkBudget;
    overlaps.complete = ZoneGrid(zones).ForEachHeld(
        [&](const Zone& inner, std::uint32_t outer) { heldBy[inner.dealer] = outer; }, budget);
    for (std::uint32_t i = 0; i < dealers.size(); ++i)
        if (const std::uint32_t same = sameAs[i]; same != kNone) heldBy[i] = std::min(heldBy[same], same);

    // Pass 2: the pairs among the zones that can be chosen; the first ones by line kept in order.
    std::vector<Zone> chosen;
    for (std::uint32_t i = 0; i < dealers.size(); ++i) {
        const bool held = heldBy[i] < kUnsettled;
        dealers[i].never_chosen_by = held ? dealers[heldBy[i]].line : 0;
        overlaps.never_chosen += held;
        if (const auto zone = zoneOf(i); zone && heldBy[i] == kNone) chosen.push_back(*zone);
    }
    std::priority_queue<std::pair<std::uint32_t, std::uint32_t>> first; // the largest on top
    std::vector<bool> meets(dealers.size());
    const auto meet = [&](const Zone& za, const Zone& zb) {
        const auto [a, b] = std::minmax(za.dealer, zb.dealer);
        ++overlaps.pairs;
        meets[a] = meets[b] = true;
        if (first.size() < kListedOverlaps) {
            first.emplace(a, b);
        } else if (std::make_pair(a, b) < first.top()) {
            first.pop();
            first.emplace(a, b);
        }
    };
    budget = checkBudget;
    overlaps.complete = ZoneGrid(chosen).ForEachPair(meet, budget) && overlaps.complete;
    for (std::size_t i = 0; i < dealers.size(); ++i) dealers[i].overlaps = meets[i];
    for (; !first.empty(); first.pop()) {
        const Dealer &a = dealers[first.top().first], &b = dealers[first.top().second];
        overlaps.first.push_back(
            {a.line, b.line, std::hypot(double{a.x} - double{b.x}, double{a.y} - double{b.y})});
    }
    std::reverse(overlaps.first.begin(), overlaps.first.end());
}

} // namespace dealers_check
