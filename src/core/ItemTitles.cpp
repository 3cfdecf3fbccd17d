#include "ItemTitles.h"

#include <string>

#include "Records.h"

std::u16string_view TitleKey(std::u16string_view title) {
    const auto nul = title.find(u'\0');
    return nul == std::u16string_view::npos ? title : title.substr(0, nul);
}

std::u16string NumberedTitle(std::u16string_view base, int k) {
    std::u16string result(base);
    const std::string digits = std::to_string(k);
    result.append(digits.begin(), digits.end());
    return result;
}

std::u16string AddCommandTitle(const TitleTaken& taken) {
    std::u16string title = kNewActionTitle;
    for (int k = 1; taken(TitleKey(title)); ++k) title = NumberedTitle(kNewActionTitle, k);
    return title;
}

std::u16string CommitTitle(std::u16string title, const TitleTaken& taken) {
    if (TitleKey(title).empty()) title = kNewActionTitle;
    if (!taken(TitleKey(title))) return title;
    // A renamed title is built on what the controls show: a suffix behind an
    // embedded NUL would never change the key. Every attempt is then longer
    // than the one before, so this ends.
    title.resize(TitleKey(title).size());
    for (int k = 1;; ++k) {
        title = NumberedTitle(title, k);
        if (!taken(title)) return title;
    }
}
