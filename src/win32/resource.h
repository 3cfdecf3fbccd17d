// Identifiers shared by the resource script and the C++ code.
#pragma once

// Resources
#define IDI_APP             101
#define IDD_ABOUT           103
#define IDR_MAINMENU        108
#define IDR_SHORTCUTS       109
#define IDD_MAIN            110
#define IDD_TEXTOUT         113
#define IDD_ACTIONKIND      115
#define IDD_ALARM           117

// Menu commands
#define IDM_EXIT            40000
#define IDM_ABOUT           40001
#define IDM_FILE_NEW        40003
#define IDM_FILE_OPEN       40004
#define IDM_FILE_SAVE       40005
#define IDM_FILE_SAVEAS     40006
#define IDM_EDIT_UNDO       40007
#define IDM_EDIT_REDO       40008
#define IDM_FILE_BACKUPS    40009

// Main dialog 110
#define IDC_ADD_ITEM        40041
#define IDC_ITEM_LIST       40042
#define IDC_DELETE_ITEM     40044
#define IDC_SCHEDULE_VIEW   40045
#define IDC_TEXT_OUT        40046
#define IDC_TITLE           40047
#define IDC_ACTION_KIND     40048
#define IDC_PLAN_START_YEAR   40050
#define IDC_PLAN_START_MONTH  40051
#define IDC_PLAN_START_DAY    40053
#define IDC_PLAN_START_HOUR   40054
#define IDC_PLAN_START_MINUTE 40055
#define IDC_PLAN_END_YEAR     40056
#define IDC_PLAN_END_MONTH    40057
#define IDC_PLAN_END_DAY      40058
#define IDC_PLAN_END_HOUR     40059
#define IDC_PLAN_END_MINUTE   40060
#define IDC_START_YEAR        40061
#define IDC_START_MONTH       40062
#define IDC_START_DAY         40063
#define IDC_START_HOUR        40064
#define IDC_START_MINUTE      40065
#define IDC_END_YEAR          40066
#define IDC_END_MONTH         40067
#define IDC_END_DAY           40068
#define IDC_END_HOUR          40069
#define IDC_END_MINUTE        40070
#define IDC_ALARM_YEAR        40072
#define IDC_ALARM_MONTH       40073
#define IDC_ALARM_DAY         40074
#define IDC_ALARM_HOUR        40075
#define IDC_ALARM_MINUTE      40076
#define IDC_LOCATION        40077
#define IDC_STATUS          40078
#define IDC_EDIT_KINDS      40080
// The item list's find field, filter and count, Ctrl+F, and the group boxes
// that grow and move with the window
#define IDC_FIND            40100
#define IDC_FILTER          40101
#define IDC_COUNT           40102
#define IDM_FIND            40103
#define IDC_LIST_GROUP      40104
#define IDC_OPERATION_GROUP 40105
#define IDC_DETAIL_GROUP    40106

// Text output dialog 113 (its own numbering: 40080 here is the report edit)
#define IDC_TEXTOUT_CLOSE   40079
#define IDC_TEXTOUT_EDIT    40080

// Action kind editor 115
#define IDC_KIND_TEXT       40085
#define IDC_KIND_ADD        40086
#define IDC_KIND_DELETE     40087
#define IDC_KIND_LIST       40088
#define IDC_KIND_OK         40089
#define IDC_KIND_CANCEL     40090

// Alarm window 117
#define IDC_ALARM_LIST          40095
#define IDC_ALARM_TEXT          40096
#define IDC_ALARM_SNOOZE_LENGTH 40097
#define IDC_ALARM_SNOOZE        40098

// Timer of the main dialog (alarm check)
#define IDT_ALARM           0x10000
