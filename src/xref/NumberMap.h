#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

#include "limits/Limits.h"

// Values by object number, held so that memory follows the numbers present: in a
// vector indexed by number where numbers are dense (the usual file numbers its
// objects from 1 up), and apart, by number, for numbers far past the others (a few
// objects numbered in the millions). Value{} stands for "no value".
//
// While values are being given the far ones sit in a hash map; order() puts them
// in number order (or into the vector, when the numbers turned out dense), after
// which the map can be walked in ascending number. Lookups work in both states.
template <class Value>
class NumberMap {
public:
    struct Item {
        int32_t number;
        const Value& value;
    };

    // Ascending numbers: every place of the vector (those without a value hold
    // Value{}), then the far values. Only after order().
    class Iterator {
    public:
        Iterator(const NumberMap& map, size_t position) : map(&map), position(position) {}
        Item operator*() const {
            if (position < map->dense.size()) return {static_cast<int32_t>(position), map->dense[position]};
            const auto& far = map->ordered[position - map->dense.size()];
            return {far.first, far.second};
        }
        Iterator& operator++() {
            ++position;
            return *this;
        }
        bool operator!=(const Iterator& other) const { return position != other.position; }

    private:
        const NumberMap* map;
        size_t position;
    };

    // The value of `number`, or null when it has none; a place of the vector
    // without a value gives Value{}.
    const Value* find(int32_t number) const {
        if (number < 0) return nullptr;
        if (!far.empty()) {
            const auto found = far.find(number);
            if (found != far.end()) return &found->second;
        }
        if (static_cast<size_t>(number) < dense.size()) return &dense[static_cast<size_t>(number)];
        if (ordered.empty()) return nullptr;
        const auto found = orderedAt(number);
        return found != ordered.end() && found->first == number ? &found->second : nullptr;
    }

    // The value of `number` (not negative) to be set, Value{} when it had none.
    Value& at(int32_t number) {
        if (!far.empty()) {
            const auto found = far.find(number);
            if (found != far.end()) return found->second;
        }
        const size_t place = static_cast<size_t>(number);
        if (place < dense.size()) {
            if (dense[place] == Value{}) ++given;
            return dense[place];
        }
        if (!ordered.empty()) {
            const auto found = orderedAt(number);
            if (found != ordered.end() && found->first == number) return found->second;
            disorder();
        }
        ++given;
        if (place < denseReach()) {
            // Numbers usually come a step or two past the last: steps the vector
            // takes inline, where a resize would call out for each number.
            while (dense.size() < place) dense.emplace_back();
            return dense.emplace_back();
        }
        return far[number];
    }

    // Room in the vector for `count` numbers from `first` on that are about to be
    // given: spares it the doublings on the way, each of which copies the values
    // into memory touched for the first time. Only as far as those numbers would
    // make the vector reach; nothing once far values are held.
    void expect(int32_t first, size_t count) {
        if (first < 0 || !far.empty() || !ordered.empty()) return;
        const size_t end = static_cast<size_t>(first) + count;
        if (end <= denseReach(count)) dense.reserve(end);
    }

    // Numbers that were given a value (as far as at() could tell).
    size_t count() const { return given; }

    // Puts the far values in number order, or into the vector when it would be
    // dense enough with them; a far value whose number the vector grew to cover
    // takes its place there.
    void order() {
        if (far.empty()) return;
        ordered.reserve(ordered.size() + far.size());
        for (auto& [number, value] : far) {
            if (static_cast<size_t>(number) < dense.size()) dense[static_cast<size_t>(number)] = std::move(value);
            else ordered.emplace_back(number, std::move(value));
        }
        far = {};
        std::sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        if (!ordered.empty() && static_cast<size_t>(ordered.back().first) < denseReach()) {
            dense.resize(static_cast<size_t>(ordered.back().first) + 1);
            for (auto& [number, value] : ordered) dense[static_cast<size_t>(number)] = std::move(value);
            ordered = {};
        }
    }

    Iterator begin() const { return Iterator(*this, 0); }
    Iterator end() const { return Iterator(*this, dense.size() + ordered.size()); }
    // Numbers below this are held in the vector.
    size_t denseSize() const { return dense.size(); }

private:
    // The vector reaches as far as twice the numbers given (and `coming` more), or
    // a floor that costs little: beyond, a number is far.
    size_t denseReach(size_t coming = 0) const {
        return std::max<size_t>(limits::denseNumberFloor, 2 * (given + coming + 1));
    }

    typename std::vector<std::pair<int32_t, Value>>::iterator orderedAt(int32_t number) {
        return std::lower_bound(ordered.begin(), ordered.end(), number,
                                [](const auto& item, int32_t wanted) { return item.first < wanted; });
    }
    typename std::vector<std::pair<int32_t, Value>>::const_iterator orderedAt(int32_t number) const {
        return std::lower_bound(ordered.begin(), ordered.end(), number,
                                [](const auto& item, int32_t wanted) { return item.first < wanted; });
    }

    // A new far value after order(): the far values go back to the hash map.
    void disorder() {
        for (auto& [number, value] : ordered) far.emplace(number, std::move(value));
        ordered = {};
    }

    std::vector<Value> dense;
    std::unordered_map<int32_t, Value> far;
    std::vector<std::pair<int32_t, Value>> ordered;  // the far values after order(), ascending
    size_t given = 0;
};
