// Every setting the program reads from the user's settings, one row each: where it lives, how it
// is read and what it is when the key is missing. core/settings.h turns each row into an accessor.
#pragma once

#include <cstdint>

// Defaults that other code compares with or shows.
inline constexpr uint32_t kDefaultFloodDelayMs = 1000;
inline constexpr int32_t kDefaultServerThreadPriority = 200;
inline constexpr char kDefaultLanguageLibrary[] = "qvlang.dll";
// Where an assistance request goes when the setting is missing or empty: no listener of the maker
// is known, so the default names none (a reserved name never resolves).
inline constexpr char kDefaultAssistanceHost[] = "assist.brindlex.invalid";
inline constexpr char kDefaultQuitReason[] = "Brindlex 7 https://brindlex.example";
// The one class of embedded object accepted unless the user lists others.
inline constexpr char kDefaultObjectClasses[] = "{D27CDB6E-AE6D-11CF-96B8-444553540000}";
inline constexpr char kDefaultTimeStampText[] = "\x02 %02u:%02u:%02u | \x02";
// The most bytes read of a stored font: a LOGFONTW (92 bytes) and one more, so that a longer value
// shows as not a font.
inline constexpr uint32_t kStoredFontBytes = 93;
// The bytes of a stored voice format: a WAVEFORMATEX with up to 20 bytes of its own after it.
inline constexpr uint32_t kStoredVoiceFormatBytes = 38;

// How a row is read:
//   Colour     a colour (uint32_t), the stored number
//   Int        int32_t
//   Flag       bool, on when the stored number is not 0 (the default is 0 or 1)
//   FlagIsOne  bool, on only when the stored number is 1 (the default is 0 or 1)
//   Text       std::string; a key present but empty reads ""
//   TextOr     std::string; the caller gives the default, known only at run time (the column is unused)
//   IntOr      int32_t; the caller gives the default (the column is unused)
//   Bytes      std::vector<uint8_t> of a Base64 setting; the last column is the most bytes read
//
// SETTING(Name, How, Section, Key, Default)
// clang-format off
#define BRINDLEX_SETTINGS(SETTING) \
    SETTING(BackgroundColour,       Colour,    "Cfg\\Colors", "BG_Color", 0) \
    SETTING(TextColour,             Colour,    "Cfg\\Colors", "FG_Color", 0) \
    SETTING(ServerTextColour,       Colour,    "Cfg\\Colors", "Server_Color", 0) \
    SETTING(InputBackgroundColour,  Colour,    "Cfg\\Colors", "Input_BG_Color", 0) \
    SETTING(InputTextColour,        Colour,    "Cfg\\Colors", "Input_FG_Color", 0) \
    SETTING(ListBackgroundColour,   Colour,    "Cfg\\Colors", "List_BG_Color", 0) \
    SETTING(RibbonColour,           Colour,    "Cfg\\Colors", "Ribbon_Color", -1) \
    SETTING(RibbonTextColour,       Colour,    "Cfg\\Colors", "FRibbon_Color", -1) \
    SETTING(Gradient,               Text,      "Cfg\\Colors", "Gradient", "") \
    SETTING(ScrollTimer,            Int,       "Cfg\\Metrics", "Scroll_Timer", 50) \
    SETTING(ViewSpacing,            Int,       "Cfg\\Metrics", "View_Spacing", 0) \
    SETTING(DefaultNick,            Text,      "Cfg\\Options1", "Default_Nick", "") \
    SETTING(DefaultEMail,           Text,      "Cfg\\Options1", "Default_EMail", "") \
    SETTING(DefaultName,            Text,      "Cfg\\Options1", "Default_Name", "") \
    SETTING(AlternativeNick,        Text,      "Cfg\\Options1", "Alternative_Nick", "") \
    SETTING(DefaultQuitReason,      Text,      "Cfg\\Options1", "Default_Quit_Reason", kDefaultQuitReason) \
    SETTING(LastKickReason,         Text,      "Cfg\\Options1", "Last_Kick_Reason", "") \
    SETTING(FavouriteChannels,      Text,      "Cfg\\Options1", "Favorite_Channels", "") \
    SETTING(RecentChannels,         Text,      "Cfg\\Options1", "Recent_Channels", "") \
    SETTING(NickPrefixes,           Text,      "Cfg\\Options1", "Nick_Prefixes", "") \
    SETTING(TimeStampText,          Text,      "Cfg\\Options1", "TimeStamp_String", kDefaultTimeStampText) \
    SETTING(Language,               Text,      "Cfg\\Options1", "Language", kDefaultLanguageLibrary) \
    SETTING(InstalledPlugins,       Text,      "Cfg\\Options1", "Installed_Plugins", "") \
    SETTING(AssistanceHost,         Text,      "Cfg\\Options1", "Assistance_Host", kDefaultAssistanceHost) \
    SETTING(AutoLogging,            FlagIsOne, "Cfg\\Options1", "Auto_Logging", 0) \
    SETTING(TabPosition,            Int,       "Cfg\\Options1", "Tab_Position", 0) \
    SETTING(FloodDelayMs,           Int,       "Cfg\\Options1", "Flood_Delay_MS", kDefaultFloodDelayMs) \
    SETTING(MaxUsersRemembered,     Int,       "Cfg\\Options1", "Max_Users_Remembered", 100) \
    SETTING(TimeStamp,              Int,       "Cfg\\Options2", "TimeStamp", 1) \
    SETTING(IgnoreTextAttributes,   Flag,      "Cfg\\Options2", "Ignore_Text_Attributes", 0) \
    SETTING(TrayOnlyOnSpecial,      Flag,      "Cfg\\Options2", "TrayNotify_only_on_special", 0) \
    SETTING(TrayOnlyOnText,         Flag,      "Cfg\\Options2", "TrayNotify_only_on_text", 0) \
    SETTING(ReplaceTextSmileys,     FlagIsOne, "Cfg\\Options2", "Replace_Text_Smileys", 1) \
    SETTING(SpeechToText,           Flag,      "Cfg\\Options2", "Enable_Speech_to_text", 0) \
    SETTING(TextToSpeech,           Flag,      "Cfg\\Options2", "Enable_Text_to_speech", 0) \
    SETTING(AutoPauseOnScroll,      Flag,      "Cfg\\Options2", "Auto_Pause_On_Scroll", 1) \
    SETTING(RemoveTrayIcon,         Flag,      "Cfg\\Options2", "Remove_Tray_Icon", 0) \
    SETTING(ShowControlToolbar,     Flag,      "Cfg\\Options2", "Show_Control_Toolbar", 1) \
    SETTING(ShowInsertsToolbar,     Flag,      "Cfg\\Options2", "Show_Inserts_Toolbar", 0) \
    SETTING(ShowMainToolbar,        Flag,      "Cfg\\Options2", "Show_Main_Toolbar", 1) \
    SETTING(ShowRibbon,             FlagIsOne, "Cfg\\Options2", "Show_Ribbon", 1) \
    SETTING(GroupChatMessages,      Flag,      "Cfg\\Options2", "Group_Chat_Messages", 1) \
    SETTING(MultilineTabs,          FlagIsOne, "Cfg\\Options2", "Multiline_Tabs", 0) \
    SETTING(DisableTips,            FlagIsOne, "Cfg\\Options2", "Disable_Tips", 0) \
    SETTING(JoinBoxOnConnect,       FlagIsOne, "Cfg\\Options2", "Join_Box_On_Connect", 1) \
    SETTING(NoticesToAllWindows,    Flag,      "Cfg\\Options2", "Notices_To_All_Windows", 0) \
    SETTING(DestroyWindowOnKick,    FlagIsOne, "Cfg\\Options2", "Destroy_Window_On_Kick", 0) \
    SETTING(RejoinOnKick,           FlagIsOne, "Cfg\\Options2", "Rejoin_On_Kick", 1) \
    SETTING(ShowPingPong,           FlagIsOne, "Cfg\\Options2", "Show_Ping_Pong", 0) \
    SETTING(ShowInformationDialog,  FlagIsOne, "Cfg\\Options3", "Show_Information_Dialog", 0) \
    SETTING(HiliteWords,            Text,      "Cfg\\Options3\\Notifications", "Hilite_words", "") \
    SETTING(InactiveBeep,           Text,      "Cfg\\Options3\\Notifications", "Inactive_beep", "") \
    SETTING(QuickCompleteFrom,      Text,      "Cfg\\Options3\\Quick_Complete", "From", "") \
    SETTING(QuickCompleteTo,        Text,      "Cfg\\Options3\\Quick_Complete", "To", "") \
    SETTING(BlockedFiles,           Text,      "Cfg\\Options3\\File_Transfers", "Blocked_Files", "") \
    SETTING(AutoAcceptFiles,        Flag,      "Cfg\\Options3\\File_Transfers", "Auto_Accept", 0) \
    SETTING(DownloadFolder,         Text,      "Cfg\\Options3\\File_Transfers", \
            "Default_Download_Directory", "") \
    SETTING(EmbeddedObjectsTimeout, Int,       "Cfg\\Options3\\File_Transfers", "Embedded_Objects_Timeout", \
            60) \
    SETTING(AllowedObjectClasses,   Text,      "Cfg\\Options3\\File_Transfers", "Allowed_Object_Classes", \
            kDefaultObjectClasses) \
    SETTING(TlsUserName,            Text,      "Cfg\\Options3\\SSL", "User_name", "Brindlex 7") \
    SETTING(IgnoreAllCtcp,          FlagIsOne, "Cfg\\Options3\\CTCP_Replies", "Ignore_All", 0) \
    SETTING(CtcpFingerReply,        Text,      "Cfg\\Options3\\CTCP_Replies", "Finger", "g@%$%$@%@ !!") \
    SETTING(CtcpAimReply,           Text,      "Cfg\\Options3\\CTCP_Replies", "AIM", \
            "No Instant-Messenger configured") \
    SETTING(CtcpClientInfoReply,    TextOr,    "Cfg\\Options3\\CTCP_Replies", "Clientinfo", "") \
    SETTING(EscapeKeyHides,         FlagIsOne, "Cfg\\Misc", "ESC_Key_Boss", 0) \
    SETTING(GridLines,              FlagIsOne, "Cfg\\Misc", "Grid_Lines", 0) \
    SETTING(ShowStartPanel,         FlagIsOne, "Cfg\\Misc", "ShowStartPanel", 1) \
    SETTING(AddressMethod,          Int,       "Cfg\\Lan_Options", "Use_Ip_Method", 0) \
    SETTING(LanAddress,             Text,      "Cfg\\Lan_Options", "Use_IP", "") \
    SETTING(LanPort,                Int,       "Cfg\\Lan_Options", "Use_Port", 0) \
    SETTING(UseUpnp,                FlagIsOne, "Cfg\\Lan_Options", "Use_Upnp", 1) \
    SETTING(ViewStyle,              Int,       "ICfg\\General", "IniViewStyle", 0) \
    SETTING(LogFolder,              Text,      "ICfg\\General", "LogDir", "") \
    SETTING(StartupChannel,         Text,      "ICfg\\General", "TempStartupChannel", "") \
    SETTING(ServerThreadPriority,   Int,       "ICfg\\General", "ServerThreadPriority", \
            kDefaultServerThreadPriority) \
    SETTING(IsonTimer,              Int,       "ICfg\\General", "IsonTimer", 60000) \
    SETTING(PendingUpdate,          FlagIsOne, "ICfg\\General", "PendingUpdate", 0) \
    SETTING(StartsUntilUpdateCheck, IntOr,     "ICfg\\General", "upd", 0) \
    SETTING(VoiceCodecInstalled,    Flag,      "ICfg\\Sound", "Speex_Installed", 0) \
    SETTING(LastServer,             Int,       "Servers", "lastserver", 0) \
    SETTING(LastServerGroup,        Int,       "Servers", "lastgroup", 0)
// clang-format on

// Families of keys that share a section and a reading; the accessor takes the key.
// SETTING_FAMILY(Name, How, Section, Default)
// clang-format off
#define BRINDLEX_SETTING_FAMILIES(SETTING_FAMILY) \
    /* "View_Font", "Input_Font", "List_Font", "Tab_Font", "Fixed_Font", "Symbol_Font_<n>" */ \
    SETTING_FAMILY(Font,            Bytes,  "Cfg\\Fonts", kStoredFontBytes) /* a LOGFONTW */ \
    /* The same keys as text: empty when the font is not set. */ \
    SETTING_FAMILY(FontText,        Text,   "Cfg\\Fonts", "") \
    /* A gradient of "Cfg\\Colors" (see views/gradient_fill.h). */ \
    SETTING_FAMILY(ColourText,      Text,   "Cfg\\Colors", "") \
    /* "Level_1_Color" .. "Level_4_Color": the nick list's text by the nick's rank. */ \
    SETTING_FAMILY(NickLevelColour, Colour, "Cfg\\Colors\\Nick_List_Colors", 0) \
    /* "<Kind>_Format": the text an event line is printed with. */ \
    SETTING_FAMILY(EventFormat,     Text,   "Cfg\\Appearance", "") \
    /* The lists of nicks and addresses ("Notify_List", "Ignore_List", ...). */ \
    SETTING_FAMILY(UserList,        Text,   "Cfg\\User_Lists", "") \
    /* "In_WaveFormat", "Out_WaveFormat": a WAVEFORMATEX and its extra bytes. */ \
    SETTING_FAMILY(VoiceFormat,     Bytes,  "Cfg\\Options3\\Voice_Options", kStoredVoiceFormatBytes) \
    /* "Wave_In_Device", "Wave_Out_Device": the device number, -1 for the system's choice. */ \
    SETTING_FAMILY(VoiceDevice,     Int,    "Cfg\\Options3\\Voice_Options", -1)
// clang-format on
