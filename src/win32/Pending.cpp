// Commands whose bodies are still to be written. Each one does nothing yet,
// which is what the window does for them until they land.
#include "Velquorandimestra.h"
#include "proc.h"

// Editing, alarms, report and kinds.
int CVelquorandimestra::OnAddItem() { return 0; }
int CVelquorandimestra::OnDeleteItem() { return 0; }
int CVelquorandimestra::OnEnSetFocus(HWND) { return 0; }
int CVelquorandimestra::OnEnKillFocus(HWND) { return 0; }
int CVelquorandimestra::OnLbnSelChange(HWND) { return 0; }

