// Control ids of the transfer program's dialogs.
#pragma once

#define IDC_QX_LIST 901
#define IDC_QX_PROGRESS 902
#define IDC_QX_RATE_LABEL 701
#define IDC_QX_RATE 101
#define IDC_QX_HIDE 801
#define IDC_QX_PAUSE 802
#define IDC_QX_RESUME 803
#define IDC_QX_CANCEL 804
#define IDC_QX_PROMPT_TEXT 101
#define IDC_QX_PROMPT_EDIT 102
