// The item editor: a working copy of the shown item and the detail controls
// 40047 to 40078 of the dialog it is given.
#pragma once

#include <windows.h>

#include <cstddef>

#include "DetailFields.h"
#include "Records.h"

class CActionEdit {
public:
    explicit CActionEdit(HWND dialog);
    ~CActionEdit();
    CActionEdit(const CActionEdit&) = delete;
    CActionEdit& operator=(const CActionEdit&) = delete;

    void InitInstance();
    void DeleteInstance();
    // Takes the record's content into the working copy and shows it.
    void SetItem(const _ITEM_LIST* record);
    // Writes `shown` into the detail controls.
    void SetEdit(const _EDIT_ITEM* shown);
    // Reads the detail controls back into the working copy, checking every
    // number; refused entries keep their values.
    void UpdateItem();
    _EDIT_ITEM* GetItem();
    // The record that SetItem last showed (null before any): the one record
    // a commit may change, even where another record has the same title.
    // Only compared, never read: the caller checks it is still in the chain.
    const _ITEM_LIST* Shown() const { return shown_; }

private:
    HWND Control(int id) const;

    HWND dialog_;  // the dialog that holds the detail controls
    _EDIT_ITEM item_;
    const _ITEM_LIST* shown_ = nullptr;
    std::size_t title_limit_ = kTitleLimit;  // the title field's limit for the item shown
};

// Selects the entry of the kind combo box whose text is exactly `kind`, case
// included (the first such entry), or no entry when there is none or the
// kind is empty. Every refill of the combo box ends with this for the shown
// item's kind.
void SelectKindEntry(HWND combo, const std::wstring& kind);

// Fills the kind combo box with the kind chain, top to bottom.
void ShowKinds(HWND combo, const _KIND_LIST* kinds);

// The strict number check of the date-time fields on a control's text: 1 with
// the value in *number_value when the text is a signed decimal number of at
// most 32 units, else 0 (see MyTsToI in FieldRules.h). A null text is empty.
int MyTsToI(const wchar_t* number_text, int* number_value);
