// Ids of the menu, toolbar and ribbon commands and of the dialog controls the program names. The
// language library's menus and dialog templates use the same names, so this file holds only
// preprocessor lines the resource compiler reads.
#pragma once

// Menu commands, sent to the frame (or a chat window) as WM_COMMAND.
// The channel modes and topic dialog.
#define ID_CHANNEL_MODES 101
// Modes on the selected nicks: +q, +o, +v (Shift: the whole selection).
#define ID_NICK_OWNER 102
#define ID_NICK_OPERATOR 103
#define ID_NICK_VOICE 104
// The kick dialog.
#define ID_NICK_KICK 105
// The lists the selected nicks join or leave, in pairs, with the host look-up between.
#define ID_NICK_NOTIFY_ADD 106
#define ID_NICK_NOTIFY_REMOVE 107
#define ID_NICK_IGNORE 108
#define ID_NICK_IGNORE_REMOVE 109
#define ID_NICK_BLACK_LIST_ADD 110
#define ID_NICK_BLACK_LIST_REMOVE 111
#define ID_NICK_SILENCE 112
#define ID_NICK_SILENCE_REMOVE 113
#define ID_NICK_LOOK_UP_HOST 114
#define ID_NICK_NO_TALK_ADD 115
#define ID_NICK_NO_TALK_REMOVE 116
#define ID_NICK_AUTO_OPERATOR_ADD 117
#define ID_NICK_AUTO_OPERATOR_REMOVE 118
#define ID_NICK_AUTO_VOICE_ADD 119
#define ID_NICK_AUTO_VOICE_REMOVE 120
#define ID_FIND 500
#define ID_FIND_NEXT 501
#define ID_WINDOW_NOTIFY 502
// The actions on a channel's selected nicks or a query's partner, up to ID_USER_LAST.
#define ID_USER_WHOIS 503
#define ID_USER_QUERY 504
#define ID_USER_CTCP_VERSION 505
#define ID_USER_CTCP_TIME 506
#define ID_USER_CTCP_PING 507
#define ID_USER_CTCP_FINGER 508
#define ID_USER_CTCP_OTHER 509
#define ID_USER_DCC_CHAT 510
#define ID_USER_SEND_FILE 511
#define ID_USER_DCC_TLS_CHAT 512
#define ID_CONVERSATION_SEND_FILE 517
// The last of the user actions; 513-516, 518 and 519 do nothing.
#define ID_USER_LAST 519
#define ID_WINDOW_PAUSE 522
#define ID_WINDOW_DOCK 523
#define ID_WINDOW_TICKER 524
// The code page of a window (of a server window: of all its windows), in menu order.
#define ID_ENCODING_UTF8 541
#define ID_ENCODING_WESTERN 542
#define ID_ENCODING_CENTRAL_EUROPEAN 543
#define ID_ENCODING_CYRILLIC 544
#define ID_ENCODING_GREEK 545
#define ID_ENCODING_TURKISH 546
#define ID_ENCODING_BALTIC 547
#define ID_ENCODING_ARABIC 548
#define ID_ENCODING_HEBREW 549
#define ID_ENCODING_VIETNAMESE 550
#define ID_ENCODING_CHINESE_SIMPLIFIED 551
#define ID_ENCODING_CHINESE_TRADITIONAL 552
#define ID_ENCODING_THAI 553
#define ID_ENCODING_JAPANESE 554
#define ID_ENCODING_KOREAN 555
#define ID_ENCODING_SYSTEM 556
#define ID_CHANNEL_BAN_LIST 603
#define ID_CHANNEL_EXCEPTION_LIST 604
#define ID_SERVER_JOIN 706
#define ID_SERVER_CHANNEL_LIST 707
#define ID_SERVER_RECONNECT 710
#define ID_SERVER_DISCONNECT 711
#define ID_SERVER_LINKS 712
// 721 to 728, ID_SERVER_SILENCE_LIST aside, open the user lists of the preferences.
#define ID_SERVER_USER_LISTS 721
#define ID_SERVER_SILENCE_LIST 725
#define ID_SERVER_USER_LISTS_LAST 728
#define ID_SERVER_ACCEPT_LIST 729
#define ID_MULTI_LINE_INPUT 733
// The "On_Status" event with 0 to 4.
#define ID_STATUS_AVAILABLE 741
#define ID_STATUS_AWAY 742
#define ID_STATUS_BUSY 743
#define ID_STATUS_NOT_HERE 744
#define ID_STATUS_INVISIBLE 745
#define ID_FORMAT_BAR 750
// Formatting codes and pickers that write into the input box.
#define ID_FORMAT_BOLD 751
#define ID_FORMAT_ITALIC 752
#define ID_FORMAT_UNDERLINE 753
#define ID_FORMAT_STRIKE_OUT 754
#define ID_FORMAT_COLOUR 755
#define ID_FORMAT_FONT_SIZE 756
#define ID_SMILEYS 757
#define ID_FORMAT_BEEP 758
#define ID_FORMAT_RESET 759
#define ID_FORMAT_FONT 760
#define ID_SEND_PICTURE 761
#define ID_FORMAT_LINK 763
#define ID_SEND_OBJECT 764
#define ID_FORMAT_COLOUR_RUN 765
#define ID_SEND_MOVIE 766
#define ID_VOICE_TALK 767
#define ID_FORMAT_BEEP_AND_SHAKE 768
#define ID_VOICE_LISTEN 769
#define ID_INSERT_ACTIVEX 770
// The channel list window sorted; lParam may name its record.
#define ID_CHANNEL_LIST_BY_NAME 771
#define ID_CHANNEL_LIST_BY_MEMBERS 772
// The formatting bar's button for ID_FORMAT_BEEP_AND_SHAKE.
#define ID_FORMAT_SHAKE_BUTTON 773
#define ID_NICK_LIST_SHOW 780
#define ID_WINDOWS_RESTORE 781
#define ID_WINDOWS_MINIMISE 782
#define ID_WINDOWS_CASCADE 783
#define ID_WINDOWS_TILE_HORIZONTALLY 784
#define ID_WINDOWS_TILE_VERTICALLY 785
#define ID_WINDOWS_ARRANGE_ICONS 786
#define ID_COPY 791
#define ID_SEARCH_WEB_FOR_SELECTION 792
#define ID_CONNECT 801
#define ID_WINDOW_CLOSE 802
#define ID_OPTIONS_SCRIPTS 803
#define ID_OPTIONS_EVENT_SCRIPTS 804
#define ID_SEARCH_WEB_FOR_TYPED_TEXT 805
#define ID_HELP_FILE 806
#define ID_ABOUT 807
#define ID_LOOK_UP_HOST 808
// The nick list in groups by level, or not.
#define ID_NICK_LIST_GROUPS 809
#define ID_PREFERENCES 811 // at the section "/prefs" left
#define ID_OPTIONS_PROXIES 817
#define ID_OPTIONS_LANGUAGES 827
#define ID_BACK_TO_ENGLISH 828
#define ID_OPTIONS_NOTES 839
#define ID_OPTIONS_SKINS 842
#define ID_OPTIONS_INSTALL_SCRIPT 847
#define ID_OPTIONS_PLUGINS 848
// The menu and bar of the preferences window.
#define ID_EDITOR_HELP 900
#define ID_EDITOR_CONNECT 901
#define ID_EDITOR_NEW 902
#define ID_EDITOR_SAVE 903
#define ID_EDITOR_DELETE 904
#define ID_EDITOR_COPY 905
// Links of the start page; ID_PAGE_UNUSED_FIRST to ID_PAGE_UNUSED_LAST do nothing.
#define ID_PAGE_HELP 971
#define ID_SHOW_START_PAGE 972
#define ID_HIDE_START_PAGE 973
#define ID_PAGE_UNUSED_FIRST 974
#define ID_PAGE_UNUSED_LAST 979
#define ID_CLEAR_WINDOW 980
#define ID_LOG_WINDOW 981
#define ID_SAVE_RTF 982
#define ID_SAVE_TEXT 983
#define ID_SAVE_ENCRYPTED 984
#define ID_SPEAK_INCOMING 988
#define ID_REMOTE_ASSISTANCE 990
#define ID_MAKER_PAGE 991
#define ID_CHECK_FOR_UPDATES 993
#define ID_HIDE_IN_TRAY 994
#define ID_FIRST_STEPS 995
#define ID_RESET_SETTINGS 996
// The ribbon's colour choosers and its light sensor switch.
#define ID_RIBBON_BACKGROUND_COLOUR 9991
#define ID_RIBBON_TEXT_COLOUR 9992
#define ID_RIBBON_INPUT_TEXT_COLOUR 9993
#define ID_RIBBON_COLOUR 9994
#define ID_LIGHT_SENSOR 9995
#define ID_RIBBON_FOREGROUND_COLOUR 9996

// Ranges of commands made at run time.
#define ID_SCRIPT_ITEM_FIRST 2000 // script items of the nick list's and the views' popups
#define ID_SCRIPT_ITEM_LAST 4000
#define ID_SERVER_FIRST 6001 // the connect menu's servers: server i has ID_SERVER_FIRST + i
#define ID_SERVER_LAST 6100
#define ID_LINK_FIRST 8000 // a link's command menu: entry i has ID_LINK_FIRST + i
#define ID_LINK_LAST 8099
#define ID_POPUP_GROUP_FIRST 60000 // opens the main menu's popup at ID_POPUP_GROUP_FIRST + position

// Controls of the prompts "DIALOG_AT", "DIALOG_ATS", "DIALOG_ATL" and "DIALOG_ATL1".
#define IDC_PROMPT_LABEL 101
#define IDC_PROMPT_ANSWER 102

// Controls of the find dialog "DIALOG_FIND".
#define IDC_FIND_TEXT 101
#define IDC_FIND_MATCH_CASE 201
#define IDC_FIND_WHOLE_WORDS 202

// The colour picker "DIALOG_MIRCCOLOR": the button of palette colour i is IDC_COLOUR_FIRST + i.
#define IDC_COLOUR_FIRST 101
#define IDC_COLOUR_LAST 116

// Controls of the file offer dialog "DIALOG_SEND".
#define IDC_SEND_NICK 101
#define IDC_SEND_FILES 102
#define IDC_SEND_BROWSE 103
#define IDC_SEND_IPV4 401
#define IDC_SEND_IPV6 402
#define IDC_SEND_PASSIVE 403
#define IDC_SEND_ACKNOWLEDGED 404
#define IDC_SEND_UNACKNOWLEDGED 405

// Controls of the join dialog "DIALOG_JOIN".
#define IDC_JOIN_CHANNELS 101
#define IDC_JOIN_EDIT_LISTS 201
#define IDC_JOIN_ON_CONNECT 202
#define IDC_JOIN_FAVOURITES 901
#define IDC_JOIN_RECENT 902

// Controls of the kick dialog "DIALOG_KICK".
#define IDC_KICK_NICKS 100
#define IDC_KICK_REASON 101
#define IDC_KICK_BAN 102
#define IDC_KICK_MASK 103
#define IDC_KICK_TIMED_UNBAN 106
#define IDC_KICK_UNBAN_DELAY 107

// Controls of the channel modes dialog "DIALOG_CONTROL".
#define IDC_CONTROL_INVITE 101
#define IDC_CONTROL_KEY 102
#define IDC_CONTROL_LIMIT 103
#define IDC_CONTROL_MODERATED 104
#define IDC_CONTROL_NO_OUTSIDE 105
#define IDC_CONTROL_TOPIC_OPERATORS 106
#define IDC_CONTROL_KEY_TEXT 108
#define IDC_CONTROL_LIMIT_TEXT 109
#define IDC_CONTROL_PUBLIC 110
#define IDC_CONTROL_PRIVATE 111
#define IDC_CONTROL_SECRET 113
#define IDC_CONTROL_TOPIC 122

// The view of the list dialog "DIALOG_R".
#define IDC_LIST_INFORMATION_VIEW 901

// Controls of the connect dialog "DIALOG_CONNECT".
#define IDC_CONNECT_ADDRESS 101
#define IDC_CONNECT_PORT 102
#define IDC_CONNECT_NICK 103
#define IDC_CONNECT_EMAIL 104
#define IDC_CONNECT_FULL_NAME 105
#define IDC_CONNECT_PASSWORD 106
#define IDC_CONNECT_GROUP 110
#define IDC_CONNECT_PROXY_TEXT 111
#define IDC_CONNECT_MODE 112
#define IDC_CONNECT_AUTO_CONNECT 121
#define IDC_CONNECT_AUTO_RECONNECT 122
#define IDC_CONNECT_USE_PROXY 123
#define IDC_CONNECT_PROXIES 126
#define IDC_CONNECT_TLS_SETTINGS 127
#define IDC_CONNECT_USE_TLS 129
#define IDC_CONNECT_GROUP_FILTER 800
#define IDC_CONNECT_IDENTITY_TO_ALL 900
#define IDC_CONNECT_SERVER_LIST 901
#define IDC_CONNECT_NEW 902
#define IDC_CONNECT_SAVE 903
#define IDC_CONNECT_DELETE 904
#define IDC_CONNECT_RENAME 905
#define IDC_CONNECT_HERE 906

// Controls of the first-run wizard's pages "W_1" to "W_3".
#define IDC_WIZARD_NICK 101
#define IDC_WIZARD_EMAIL 102
#define IDC_WIZARD_NAME 103
#define IDC_WIZARD_ALTERNATIVE_NICK 104
#define IDC_WIZARD_FIRST_HINT 200
#define IDC_WIZARD_LAST_HINT 205
#define IDC_WIZARD_TEXT 701
