// A document put into the test's manager by hand, for handlers that only read the item
// and kind chains (alarms, report, kind editor): records in the given order,
// kinds in the given order, state STATE_OPEN. The fixture's TearDown releases
// it.
#pragma once

#include <string>
#include <vector>

#include "DocumentProbe.h"
#include "ItemChain.h"
#include "Records.h"
#include "Velquorandimestra.h"
#include "library.h"

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
    DocumentProbe::Put(items, kinds);
    App().state = STATE_OPEN;
}

inline std::vector<std::u16string> KindChain() { return KindTexts(DocumentProbe::Kinds()); }

// The same with the schedule list, its lines and the editor, as reading a
// file makes them: lines in schedule order, the last item shown and its line
// selected; the kinds also as combo box entries.
inline void OpenWithControls(const std::vector<_EDIT_ITEM>& items, const std::vector<std::u16string>& kinds = {}) {
    DocumentProbe::Load(items, kinds);
    App().state = STATE_OPEN;
}
