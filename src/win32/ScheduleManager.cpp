#include "ScheduleManager.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "Controls.h"
#include "Records.h"
#include "RedrawPause.h"
#include "WideText.h"

_SCHEDULE_LIST::~_SCHEDULE_LIST() { ReleaseChain(next); }

CScheduleManager::CScheduleManager(HWND list) : list_(list) {}

std::size_t CScheduleManager::HashOf(std::wstring_view title) { return std::hash<std::wstring_view>{}(title); }

_SCHEDULE_LIST* CScheduleManager::Named(std::wstring_view title) const {
    const auto [first, last] = titles_.equal_range(HashOf(title));
    for (auto it = first; it != last; ++it)
        if (it->second->title == title) return it->second;
    return nullptr;
}

void CScheduleManager::Forget(const _SCHEDULE_LIST* node) {
    const auto [first, last] = titles_.equal_range(HashOf(node->title));
    for (auto it = first; it != last; ++it)
        if (it->second == node) {
            titles_.erase(it);
            return;
        }
}

CScheduleManager::~CScheduleManager() { DeleteInstance(); }

int CScheduleManager::InitInstance() {
    // Called right after construction, when the list is already empty. Should
    // it ever meet nodes, they are freed rather than leaked; the list box is
    // left as it is.
    schedule_list.reset();
    ForgetNodes();
    return 0;
}

void CScheduleManager::ForgetNodes() {
    titles_.clear();
    order_.clear();
    ascending_ = true;
}

int CScheduleManager::DeleteInstance() {
    HWND list = list_;
    std::size_t nodes = 0;
    for (const _SCHEDULE_LIST* n = schedule_list.get(); n; n = n->next.get()) ++nodes;

    // Each node takes one line from the top. When that is every line, one
    // reset does it instead of shifting the remaining lines up once per node.
    const int lines = ListBox_GetCount(list);
    RedrawPause pause(list);
    if (lines != LB_ERR && nodes >= static_cast<std::size_t>(lines)) {
        ListBox_ResetContent(list);
    } else {
        for (std::size_t i = 0; i < nodes; ++i) ListBox_DeleteString(list, 0);
    }
    schedule_list.reset();  // the nodes release themselves without recursion
    ForgetNodes();
    return 0;
}

int CScheduleManager::AddItem(const wchar_t* title, _TIMES planned_start, _TIMES planned_end, unsigned position) {
    // A taken title is the common answer while a free one is searched for:
    // it costs no redraw of the list.
    if (Named(title ? title : L"") != nullptr) return 1;
    HWND list = list_;
    // On a long list each visible change costs a scroll bar update: the
    // insertion and the new selection are drawn once, together.
    RedrawPause pause(list);
    const int inserted = Insert(title ? title : L"", planned_start, planned_end, position);
    if (inserted < 0) return inserted == -2 ? 1 : -1;
    // The new line becomes the only selected one.
    ListBox_SetSel(list, FALSE, -1);
    ListBox_SetSel(list, TRUE, inserted);
    return 0;
}

int CScheduleManager::Unlink(std::wstring_view title) {
    _SCHEDULE_LIST* const named = Named(title);
    if (named == nullptr) return -1;
    const auto at = std::find(order_.begin(), order_.end(), named);
    const int index = static_cast<int>(at - order_.begin());
    _SCHEDULE_LIST* before = at == order_.begin() ? nullptr : *(at - 1);
    std::unique_ptr<_SCHEDULE_LIST>& link = before ? before->next : schedule_list;
    std::unique_ptr<_SCHEDULE_LIST> gone = std::move(link);
    link = std::move(gone->next);
    order_.erase(at);
    Forget(named);
    if (order_.empty()) ascending_ = true;
    return index;
}

CScheduleManager::Removed CScheduleManager::TakeOut(std::wstring_view title) {
    Removed removed;
    removed.line = Unlink(title);
    if (removed.line < 0) return removed;

    HWND list = list_;
    removed.selected = ListBox_GetSel(list, removed.line) > 0;
    removed.caret = ListBox_GetCaretIndex(list) == removed.line;
    removed.top = ListBox_GetTopIndex(list);
    // The lines below move up with their selection.
    ListBox_DeleteString(list, removed.line);
    return removed;
}

int CScheduleManager::PutBack(const wchar_t* title, _TIMES planned_start, _TIMES planned_end, unsigned position,
                              const Removed& was) {
    if (Named(title ? title : L"") != nullptr) return 1;
    HWND list = list_;
    RedrawPause pause(list);
    const int inserted = Insert(title ? title : L"", planned_start, planned_end, position);
    if (inserted < 0) return inserted == -2 ? 1 : -1;
    ListBox_SetSel(list, was.selected ? TRUE : FALSE, inserted);
    ListBox_SetTopIndex(list, was.top);
    // The caret's line is scrolled into view, wherever the schedule put it.
    if (was.caret) ListBox_SetCaretIndex(list, inserted);
    return 0;
}

int CScheduleManager::Insert(std::wstring text, _TIMES planned_start, _TIMES planned_end, unsigned position) {
    if (Named(text) != nullptr) return -2;

    const std::size_t count = order_.size();
    if (position == kSchedulePosition) {
        // The first node later than the new one; equal keys do not stop the
        // search, so the new node follows every node with its key.
        const auto later = [](const _TIMES& key, const _SCHEDULE_LIST* node) {
            return TimeCmp(key, node->planned_end) == -1;
        };
        const auto first_later = ascending_ ? std::upper_bound(order_.begin(), order_.end(), planned_end, later)
                                            : std::find_if(order_.begin(), order_.end(), [&](const _SCHEDULE_LIST* n) {
                                                  return later(planned_end, n);
                                              });
        position = static_cast<unsigned>(first_later - order_.begin());
    } else if (position > count) {
        // Past the end: the line and the node both go last, so the list and
        // the list box stay aligned.
        position = static_cast<unsigned>(count);
    }

    const LRESULT inserted =
        SendMessageW(list_, LB_INSERTSTRING, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(text.c_str()));
    if (inserted == LB_ERR || inserted == LB_ERRSPACE) return -1;  // no line, so no node either

    auto node = std::make_unique<_SCHEDULE_LIST>();
    node->title = std::move(text);
    node->planned_start = planned_start;
    node->planned_end = planned_end;
    _SCHEDULE_LIST* const added = node.get();

    // Link at `position`, noting whether the keys around it stay ascending.
    _SCHEDULE_LIST* before = position > 0 ? order_[position - 1] : nullptr;
    const _SCHEDULE_LIST* after = position < count ? order_[position] : nullptr;
    if ((before && TimeCmp(before->planned_end, planned_end) == 1) ||
        (after && TimeCmp(planned_end, after->planned_end) == 1))
        ascending_ = false;
    std::unique_ptr<_SCHEDULE_LIST>& link = before ? before->next : schedule_list;
    node->next = std::move(link);
    link = std::move(node);
    order_.insert(order_.begin() + position, added);
    titles_.emplace(HashOf(added->title), added);
    return static_cast<int>(inserted);
}

std::size_t CScheduleManager::AddItems(const _ITEM_LIST* items) {
    // A title goes in as far as its first NUL, as it does through AddItem.
    const auto text_of = [](const _ITEM_LIST* item) { return std::wstring(ToWide(ShownText(item->title))); };
    std::size_t added = 0;
    if (schedule_list) {
        for (const _ITEM_LIST* item = items; item; item = item->next.get())
            if (AddItem(text_of(item).c_str(), item->planned_start, item->planned_end, kSchedulePosition) == 0)
                ++added;
        return added;
    }

    // The nodes in the order of adding, the first of each title only. Adding
    // one by one puts each node after every node whose key is not later, so
    // the final order is the stable sort by planned completion.
    struct Pending {
        _TIMES key;            // the node's planned completion, at hand for the sort
        std::size_t sequence;  // order of adding
        std::unique_ptr<_SCHEDULE_LIST> node;
    };
    std::vector<Pending> pending;
    std::size_t units = 0;
    for (const _ITEM_LIST* item = items; item; item = item->next.get()) {
        std::wstring text = text_of(item);
        if (Named(text) != nullptr) continue;
        auto node = std::make_unique<_SCHEDULE_LIST>();
        node->title = std::move(text);
        node->planned_start = item->planned_start;
        node->planned_end = item->planned_end;
        titles_.emplace(HashOf(node->title), node.get());
        units += node->title.size() + 1;
        pending.push_back({item->planned_end, pending.size(), std::move(node)});
    }
    if (pending.empty()) return 0;
    // In place on (key, order of adding): the stable order by key, without a
    // second array of every node's entry beside the first.
    std::sort(pending.begin(), pending.end(), [](const Pending& a, const Pending& b) {
        return ScheduleBefore(a.key, a.sequence, b.key, b.sequence);
    });

    HWND list = list_;
    RedrawPause pause(list);
    SendMessageW(list, LB_INITSTORAGE, pending.size(), units * sizeof(wchar_t));
    order_.reserve(pending.size());
    std::unique_ptr<_SCHEDULE_LIST>* tail = &schedule_list;
    LRESULT selected_line = -1;
    std::size_t selected_sequence = 0;
    for (Pending& p : pending) {
        const LRESULT line = SendMessageW(list, LB_INSERTSTRING, static_cast<WPARAM>(order_.size()),
                                          reinterpret_cast<LPARAM>(p.node->title.c_str()));
        if (line == LB_ERR || line == LB_ERRSPACE) {  // no line, so no node either
            Forget(p.node.get());
            continue;
        }
        // The last record that got its line is the one whose line ends up
        // selected.
        if (selected_line < 0 || p.sequence > selected_sequence) {
            selected_line = line;
            selected_sequence = p.sequence;
        }
        order_.push_back(p.node.get());
        *tail = std::move(p.node);
        tail = &(*tail)->next;
    }
    if (selected_line >= 0) {
        ListBox_SetSel(list, FALSE, -1);
        ListBox_SetSel(list, TRUE, selected_line);
    }
    return order_.size();
}

int CScheduleManager::DeleteItem(const wchar_t* title) {
    Unlink(title ? title : L"");

    // The line removed is the last selected one, whatever its text: callers
    // name the item whose line that is.
    HWND list = list_;
    RedrawPause pause(list);
    int candidate = -1;
    const int selected = ListBox_GetSelCount(list);
    if (selected != LB_ERR) {
        for (int line : SelectedLines(list, selected)) candidate = std::max(candidate, line);
    } else {
        // A single-selection list box answers LB_ERR: each line is asked.
        for (int i = 0; i < ListBox_GetCount(list); ++i)
            if (ListBox_GetSel(list, i) > 0) candidate = i;
    }
    ListBox_SetSel(list, FALSE, candidate);
    if (candidate != -1) ListBox_DeleteString(list, candidate);
    return candidate;
}

int CScheduleManager::FindLine(std::wstring_view title) const {
    // Lines and nodes are in the same order: every change of one is made
    // with the other, so the index is found without asking the list box
    // line by line.
    int index = 0;
    for (const _SCHEDULE_LIST* n = schedule_list.get(); n != nullptr; n = n->next.get(), ++index)
        if (n->title == title) return index;
    return -1;
}

_SCHEDULE_LIST* CScheduleManager::SearchItem(const wchar_t* title) {
    // Titles are unique, so the node by title is the first one from the head.
    return Named(title ? title : L"");
}

int CScheduleManager::InitScheduleList(_SCHEDULE_LIST* node) {
    if (!node) return 0;
    node->title.clear();
    node->planned_start = _TIMES{};
    node->planned_end = _TIMES{};
    node->next.reset();
    return 0;
}
