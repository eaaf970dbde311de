#include "Platform.h"

#include <algorithm>
#include <numeric>

namespace morvane {

bool operator==(const LocalDateTime& a, const LocalDateTime& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
           a.minute == b.minute && a.second == b.second;
}

std::vector<std::size_t> Collator::ascendingOrder(const std::vector<std::string>& texts) const {
    std::vector<std::string> keys;
    keys.reserve(texts.size());
    for (const std::string& text : texts) keys.push_back(sortKey(text));
    std::vector<std::size_t> order(texts.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(),
              [&keys](std::size_t a, std::size_t b) { return keys[a] < keys[b]; });
    return order;
}

void Collator::sortAscending(std::vector<std::string>& texts) const {
    std::vector<std::string> sorted;
    sorted.reserve(texts.size());
    for (const std::size_t i : ascendingOrder(texts)) sorted.push_back(std::move(texts[i]));
    texts = std::move(sorted);
}

}  // namespace morvane
