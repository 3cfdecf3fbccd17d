#include "Sample.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace {

std::uint64_t SplitMix64(std::uint64_t& x) {
    std::uint64_t z = (x += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

std::uint64_t Rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

template <std::size_t N>
std::u16string_view Pick(SampleRandom& rng, const std::array<std::u16string_view, N>& pool) {
    return pool[rng.Below(N)];
}

constexpr std::array<std::u16string_view, 10> kKinds = {
    u"会議", u"作業", u"外出", u"電話・連絡", u"買い物", u"学習", u"通院", u"家事", u"手続き", u"趣味",
};

constexpr std::array<std::u16string_view, 24> kSubjects = {
    u"新製品発表会", u"年度予算",   u"顧客管理システム", u"社内研修",   u"引っ越し",   u"健康診断",
    u"決算報告",     u"採用面接",   u"展示会",           u"町内会",     u"家族旅行",   u"車検",
    u"確定申告",     u"英会話教室", u"卒業論文",         u"結婚式",     u"歯科検診",   u"保険更新",
    u"ウェブサイト改修", u"新人歓迎会", u"𠮷田さんの送別会", u"防災訓練", u"マンション管理組合", u"四半期レビュー",
};

constexpr std::array<std::u16string_view, 18> kTasks = {
    u"打ち合わせ", u"資料作成",   u"見積もり確認", u"日程調整", u"報告書提出", u"準備",
    u"予約",       u"下見",       u"最終確認",     u"レビュー", u"振り返り",   u"申し込み",
    u"支払い",     u"書類整理",   u"関係者への連絡", u"発注",   u"リハーサル", u"議事録の共有",
};

constexpr std::array<std::u16string_view, 8> kSuffixes = {
    u"", u"", u"", u"（第2回）", u"（至急）", u"（再調整）", u"（午前中）", u"（持ち物あり）",
};

constexpr std::array<std::u16string_view, 12> kLocations = {
    u"本社 3階 第1会議室", u"大阪支店", u"自宅", u"オンライン（Zoom）", u"市役所 2番窓口", u"駅前のカフェ",
    u"さくら歯科クリニック", u"取引先（品川）", u"中央図書館", u"公民館 集会室", u"羽田空港 第2ターミナル",
    u"会議室B（10名）",
};

constexpr std::array<std::u16string_view, 30> kSentences = {
    u"先方の担当者に日程の候補を三つ送った。",
    u"前回の議事録を読み返して、未決事項を洗い出す。",
    u"資料の第2版を共有フォルダに置いた。",
    u"見積もりは税込みで再計算してもらうこと。",
    u"持ち物：印鑑、身分証明書、通帳。",
    u"山田さんから返信待ち。",
    u"雨天の場合は翌週に延期。",
    u"駐車場が少ないので電車で行く。",
    u"予算の上限は30万円。超える場合は部長に相談する。",
    u"会場の予約番号は A-1029。",
    u"前日までに参加者の人数を確定させる。",
    u"スライドは15枚以内にまとめる。",
    u"質疑応答の想定問答を用意した。",
    u"請求書は月末締め、翌月20日払い。",
    u"子どもの送り迎えと重ならないように注意。",
    u"先週の続き。残りは第3章の図表のみ。",
    u"担当が変わったので引き継ぎメモを確認する。",
    u"メールではなく電話で確認したほうが早い。",
    u"現地集合、10分前には到着しておく。",
    u"領収書を忘れずにもらうこと！",
    u"オンラインの場合はURLを前日に送る。",
    u"課題：テスト環境の準備が遅れている。",
    u"結果は良好。次回は半年後。",
    u"関係部署（総務・経理）にも共有済み。",
    u"資料のフォントを統一し、誤字を直した。",
    u"参加者：佐藤、鈴木、高橋、田中、伊藤。",
    u"進捗は予定どおり。リスクは特になし。",
    u"𠮷野家で昼食をとってから移動する。",
    u"締め切りに間に合わない場合は早めに連絡。",
    u"次のアクション：見積もりの比較表を作る。",
};

// 2019-01-01 00:00 in the program's zone, as seconds since the epoch.
constexpr std::int64_t kSpanStart = 1546268400;
constexpr std::int64_t kSpanDays = 9 * 365 + 2;  // 2019 to 2027
// Items planned before this instant (2025-06-01, same zone) mostly have
// their actual dates filled in.
constexpr std::int64_t kSampleNow = 1748703600;

_TIMES LocalAt(std::int64_t seconds) { return GetTimeAt(static_cast<std::uint32_t>(seconds)); }

// The titles given so far, as 64-bit hashes in an open-addressed table: 8 to
// 16 bytes a title, so that a sample of a million items is written in little
// memory. Two titles that hash alike would only make the second one numbered.
class UsedTitles {
public:
    bool insert(std::u16string_view title) {
        std::uint64_t h = 0xcbf29ce484222325ULL;
        for (char16_t u : title) h = (h ^ u) * 0x100000001b3ULL;
        h += h == 0;  // 0 marks a free slot
        if (2 * (count_ + 1) > slots_.size()) Grow();
        for (std::size_t i = h & (slots_.size() - 1);; i = (i + 1) & (slots_.size() - 1)) {
            if (slots_[i] == h) return false;
            if (slots_[i] == 0) {
                slots_[i] = h;
                ++count_;
                return true;
            }
        }
    }

private:
    void Grow() {
        std::vector<std::uint64_t> old(std::max<std::size_t>(64, slots_.size() * 2), 0);
        old.swap(slots_);
        for (std::uint64_t h : old) {
            if (h == 0) continue;
            std::size_t i = h & (slots_.size() - 1);
            while (slots_[i] != 0) i = (i + 1) & (slots_.size() - 1);
            slots_[i] = h;
        }
    }

    std::vector<std::uint64_t> slots_;
    std::size_t count_ = 0;
};

std::u16string MakeTitle(SampleRandom& rng, UsedTitles& used) {
    std::u16string title(Pick(rng, kSubjects));
    title += u"の";
    title += Pick(rng, kTasks);
    title += Pick(rng, kSuffixes);
    if (used.insert(title)) return title;
    // Common combinations come back in long documents: number them.
    for (unsigned n = 2;; ++n) {
        std::u16string numbered = title + u" その";
        for (char c : std::to_string(n)) numbered += static_cast<char16_t>(c);
        if (used.insert(numbered)) return numbered;
    }
}

std::u16string MakeStatus(SampleRandom& rng) {
    const auto target = static_cast<std::size_t>(rng.Between(51, 500));
    std::u16string status;
    while (status.size() < target) {
        if (!status.empty()) {
            if (rng.Percent(40)) status += u"\r\n";
            if (rng.Percent(15)) status += u"\r\n・";
        }
        status += Pick(rng, kSentences);
    }
    status.resize(target);
    // Never end on half a line break or half a surrogate pair.
    const char16_t last = status.back();
    if (last == u'\r' || (last >= 0xD800 && last <= 0xDBFF)) status.pop_back();
    return status;
}

void FillDates(SampleRandom& rng, _EDIT_ITEM& item) {
    // Mostly office hours on the quarter hour, now and then late at night,
    // which brings the program's hour 24 into play.
    const std::int64_t day = rng.Between(0, kSpanDays - 1);
    const std::int64_t hour = rng.Percent(90) ? rng.Between(8, 19) : rng.Between(0, 23);
    const std::int64_t minute = rng.Percent(85) ? rng.Between(0, 3) * 15 : rng.Between(0, 59);
    const std::int64_t start = kSpanStart + day * 86400 + hour * 3600 + minute * 60;
    std::int64_t length;
    switch (rng.Below(4)) {
        case 0: length = rng.Between(1, 8) * 1800; break;             // up to four hours
        case 1: length = rng.Between(1, 12) * 3600; break;            // within a day
        case 2: length = rng.Between(1, 14) * 86400; break;           // days
        default: length = rng.Between(2, 26) * 7 * 86400; break;      // weeks to months
    }
    const std::int64_t end = start + length;
    item.planned_start = LocalAt(start);
    item.planned_end = LocalAt(end);
    if (start < kSampleNow && rng.Percent(70)) {
        const std::int64_t actual_start = start + rng.Between(-8, 24) * 900;
        item.actual_start = LocalAt(actual_start);
        if (end < kSampleNow && rng.Percent(85)) {
            item.actual_end = LocalAt(std::max(actual_start + 900, end + rng.Between(-8, 48) * 900));
        }
    }
    if (rng.Percent(20)) {
        constexpr std::int64_t kLeads[] = {0, 5, 10, 15, 30, 60, 24 * 60};
        item.alarm = LocalAt(start - kLeads[rng.Below(std::size(kLeads))] * 60);
    }
}

}  // namespace

SampleRandom::SampleRandom(std::uint64_t seed) {
    for (auto& s : s_) s = SplitMix64(seed);
}

std::uint64_t SampleRandom::Next() {
    const std::uint64_t result = Rotl(s_[1] * 5, 7) * 9;
    const std::uint64_t t = s_[1] << 17;
    s_[2] ^= s_[0];
    s_[3] ^= s_[1];
    s_[1] ^= s_[2];
    s_[0] ^= s_[3];
    s_[2] ^= t;
    s_[3] = Rotl(s_[3], 45);
    return result;
}

std::uint64_t SampleRandom::Below(std::uint64_t n) {
    // Reject the short last stretch so that every value is equally likely.
    const std::uint64_t threshold = (0 - n) % n;
    for (;;) {
        const std::uint64_t r = Next();
        if (r >= threshold) return r % n;
    }
}

std::int64_t SampleRandom::Between(std::int64_t lo, std::int64_t hi) {
    return lo + static_cast<std::int64_t>(Below(static_cast<std::uint64_t>(hi - lo) + 1));
}

bool SampleRandom::Percent(unsigned percent) { return Below(100) < percent; }

std::vector<std::u16string> MakeSample(std::size_t items, std::uint64_t seed, const SampleItemSink& item_out) {
    SampleRandom rng(seed);

    // The kind list: most of the usual kinds, in a document's own order.
    std::array<std::u16string_view, kKinds.size()> kinds = kKinds;
    for (std::size_t i = kinds.size() - 1; i > 0; --i) std::swap(kinds[i], kinds[rng.Below(i + 1)]);
    const auto kind_count = static_cast<std::size_t>(rng.Between(6, static_cast<std::int64_t>(kinds.size())));
    std::vector<std::u16string> kind_list(kinds.begin(), kinds.begin() + static_cast<std::ptrdiff_t>(kind_count));

    UsedTitles used;
    _EDIT_ITEM item;
    for (std::size_t i = 0; i < items; ++i) {
        item = _EDIT_ITEM{};
        item.title = MakeTitle(rng, used);
        // Now and then a kind that was later removed from the list, or none.
        if (!rng.Percent(5)) item.action_kind = kinds[rng.Below(rng.Percent(95) ? kind_count : kinds.size())];
        FillDates(rng, item);
        if (rng.Percent(70)) item.location = Pick(rng, kLocations);
        if (!rng.Percent(10)) item.status = MakeStatus(rng);
        item_out(item);
    }
    return kind_list;
}

VqfDocument MakeSampleDocument(std::size_t items, std::uint64_t seed) {
    VqfDocument doc;
    std::unique_ptr<_ITEM_LIST>* tail = &doc.item_list;
    const std::vector<std::u16string> kinds = MakeSample(items, seed, [&](const _EDIT_ITEM& item) {
        *tail = std::make_unique<_ITEM_LIST>();
        CopyItemList(tail->get(), item);
        tail = &(*tail)->next;
    });
    std::unique_ptr<_KIND_LIST>* kind_tail = &doc.action_kinds;
    for (const std::u16string& kind : kinds) {
        *kind_tail = std::make_unique<_KIND_LIST>(kind);
        kind_tail = &(*kind_tail)->next;
    }
    return doc;
}
