#include "ItemTitles.h"

#include <algorithm>
#include <string>
#include <utility>

std::u16string NumberedTitle(std::u16string_view base, int k) {
    std::u16string result(base);
    const std::string digits = std::to_string(k);
    result.append(digits.begin(), digits.end());
    return result;
}

std::u16string AddCommandTitle(const TitleTaken& taken) {
    std::u16string title = kNewActionTitle;
    for (int k = 1; taken(ShownText(title)); ++k) title = NumberedTitle(kNewActionTitle, k);
    return title;
}

std::u16string CommitTitle(std::u16string title, const TitleTaken& taken) {
    if (ShownText(title).empty()) title = kNewActionTitle;
    if (!taken(ShownText(title))) return title;
    // A renamed title is built on what the controls show: a suffix behind an
    // embedded NUL would never change the key. Every attempt is then longer
    // than the one before, so this ends.
    title.resize(ShownText(title).size());
    for (int k = 1;; ++k) {
        title = NumberedTitle(title, k);
        if (!taken(title)) return title;
    }
}

namespace {

// FNV-1a over the key's units.
std::uint64_t KeyHash(std::u16string_view title) {
    std::uint64_t h = 0xcbf29ce484222325ULL;
    for (char16_t u : ShownText(title)) h = (h ^ u) * 0x100000001b3ULL;
    return h;
}

}  // namespace

void TakenTitles::Add(std::u16string_view title, std::uint32_t where) {
    // At most three quarters full, so that a probe ends soon.
    if (4 * (count_ + 1) > 3 * hashes_.size()) Grow();
    std::uint64_t h = KeyHash(title);
    h += h == 0;
    const std::size_t mask = hashes_.size() - 1;
    std::size_t i = static_cast<std::size_t>(h) & mask;
    while (hashes_[i] != 0) i = (i + 1) & mask;
    hashes_[i] = h;
    where_[i] = where;
    ++count_;
}

bool TakenTitles::Contains(std::u16string_view title) const {
    if (count_ == 0) return false;
    const std::u16string_view key = ShownText(title);
    std::uint64_t h = KeyHash(key);
    h += h == 0;
    const std::size_t mask = hashes_.size() - 1;
    // Distinct titles may share a hash: every slot of this hash is asked.
    for (std::size_t i = static_cast<std::size_t>(h) & mask; hashes_[i] != 0; i = (i + 1) & mask)
        if (hashes_[i] == h && is_title_at_(where_[i], key)) return true;
    return false;
}

void TakenTitles::Grow() {
    const std::size_t size = std::max<std::size_t>(64, hashes_.size() * 2);
    std::vector<std::uint64_t> hashes(size, 0);
    std::vector<std::uint32_t> where(size, 0);
    for (std::size_t j = 0; j < hashes_.size(); ++j) {
        if (hashes_[j] == 0) continue;
        std::size_t i = static_cast<std::size_t>(hashes_[j]) & (size - 1);
        while (hashes[i] != 0) i = (i + 1) & (size - 1);
        hashes[i] = hashes_[j];
        where[i] = where_[j];
    }
    hashes_.swap(hashes);
    where_.swap(where);
}

void RepeatedTitles::Add(std::u16string_view title, std::uint32_t index, std::uint32_t where) {
    entries_.push_back({KeyHash(title), index, where});
}

std::vector<std::vector<std::uint32_t>> RepeatedTitles::Find(const TitleAt& title_at) {
    std::vector<Entry> entries = std::move(entries_);
    entries_ = {};
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.hash != b.hash ? a.hash < b.hash : a.index < b.index;
    });
    std::vector<std::vector<std::uint32_t>> groups;
    for (std::size_t i = 0; i < entries.size();) {
        std::size_t end = i + 1;
        while (end < entries.size() && entries[end].hash == entries[i].hash) ++end;
        if (end - i > 1) {
            // Equal hashes: almost always one title, but only the titles say.
            std::vector<std::pair<std::u16string, std::vector<std::uint32_t>>> titles;
            for (std::size_t j = i; j < end; ++j) {
                std::u16string title = title_at(entries[j].index, entries[j].where);
                title.resize(ShownText(title).size());
                auto it = std::find_if(titles.begin(), titles.end(), [&](const auto& t) { return t.first == title; });
                if (it == titles.end()) titles.push_back({std::move(title), {entries[j].index}});
                else it->second.push_back(entries[j].index);
            }
            for (auto& t : titles)
                if (t.second.size() > 1) groups.push_back(std::move(t.second));
        }
        i = end;
    }
    std::sort(groups.begin(), groups.end(), [](const auto& a, const auto& b) { return a.front() < b.front(); });
    return groups;
}
