// The alarm check, run on every tick of the main dialog's one-second timer.
#include <string>
#include <vector>

#include "Records.h"
#include "Seams.h"
#include "Times.h"
#include "Velquorandimestra.h"
#include "WideText.h"
#include "library.h"

namespace {

constexpr UINT kAlarmBoxFlags = MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND | MB_TOPMOST;  // 0x50040

}  // namespace

int CVelquorandimestra::OnTimer() {
    if (state != STATE_OPEN) return 0;

    // One clock reading gives both the minute compared with and the second
    // that decides whether this tick checks at all, so that a tick at the end
    // of a minute cannot check the next minute's alarms.
    const std::int64_t clock = ReadClock();
    // Unsigned, like the minute: a signed count turns negative in 2038, and
    // its remainder would then never be 0.
    const auto seconds = static_cast<std::uint32_t>(clock);
    const _TIMES now = GetTimeAt(seconds);
    HWND window = GetWnd();
    if (seconds % 60 != 0) return 0;

    // The texts are copied before the first box: a box runs a message loop,
    // and nothing shown afterwards may point into a document that changed or
    // went away meanwhile.
    std::vector<std::wstring> due;
    for (const _ITEM_LIST* item : records.Due(now)) {
        const std::u16string_view status = ShownText(item->status);
        due.push_back(ToWide(status.empty() ? ShownText(item->title) : status));
    }

    const _ITEM_LIST* const document = item_list.get();
    for (const std::wstring& text : due) {
        // The document can be closed or replaced from inside a box (its loop
        // dispatches every message of the thread); its remaining alarms then
        // no longer apply.
        if (state != STATE_OPEN || item_list.get() != document) break;
        SetForegroundWindow(window);
        ShowMessageBox(window, text.c_str(), L"アラーム", kAlarmBoxFlags);
    }
    return 0;
}
