// A document put into g_App by hand, for handlers that only read the item
// and kind chains (alarms, report, kind editor): records in the given order,
// kinds in the given order, state STATE_OPEN. The fixture's TearDown releases
// it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ItemChain.h"
#include "Records.h"
#include "Velquorandimestra.h"
#include "library.h"
#include "resource.h"

inline _EDIT_ITEM MakeItem(std::u16string title, _TIMES planned_start = {}, _TIMES planned_end = {},
                           std::u16string status = {}) {
    _EDIT_ITEM item;
    item.title = std::move(title);
    item.planned_start = planned_start;
    item.planned_end = planned_end;
    item.status = std::move(status);
    return item;
}

inline void OpenByHand(const std::vector<_EDIT_ITEM>& items, const std::vector<std::u16string>& kinds = {}) {
    g_App.ReplaceItems(ItemChain(items));
    g_App.action_kinds = KindList(kinds);
    g_App.state = STATE_OPEN;
}

inline std::vector<std::u16string> KindChain() { return KindTexts(g_App.action_kinds.get()); }

// The same with the schedule list, its lines and the editor, as reading a
// file makes them: lines in schedule order, the last item shown and its line
// selected; the kinds also as combo box entries.
inline void OpenWithControls(const std::vector<_EDIT_ITEM>& items, const std::vector<std::u16string>& kinds = {}) {
    OpenByHand(items, kinds);
    HWND combo = GetDlgItem(GetWnd(), 40048);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (const auto& k : kinds) {
        const std::wstring w(k.begin(), k.end());
        SendMessageW(combo, CB_INSERTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(w.c_str()));
    }
    g_App.schedule = std::make_unique<CScheduleManager>(MainDialogItem(IDC_ITEM_LIST));
    g_App.schedule->InitInstance();
    const _ITEM_LIST* last = nullptr;
    for (const _ITEM_LIST* r : ChainNodes(g_App.item_list.get())) {
        const std::wstring title(r->title.begin(), r->title.end());
        g_App.schedule->AddItem(title.c_str(), r->planned_start, r->planned_end, CScheduleManager::kSchedulePosition);
        last = r;
    }
    g_App.editor = std::make_unique<CActionEdit>(GetWnd());
    g_App.editor->InitInstance();
    g_App.editor->SetItem(last);
}
