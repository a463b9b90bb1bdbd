// Ids of the texts of the language library (lang/qvlang.rc), for GetLangString. A translation
// keeps the ids and each text's %s, %u and %d in the same order.
#pragma once

#include <cstdint>

constexpr int32_t kSureText = 3;              // "Are you sure?"
constexpr int32_t kRemoveLabel = 4;           // the label of a list entry's remove link
constexpr int32_t kFileOfferQuestion = 7;     // a file is offered: receive it?
constexpr int32_t kResumeQuestion = 8;        // a smaller file of the name is there: resume?
constexpr int32_t kNickInUsePrompt = 9;       // the nickname is in use: another one
constexpr int32_t kReceiveAgainQuestion = 10; // a file of the name and size is there: again?
constexpr int32_t kBlockedFileText = 11;      // an offer matched the blocked files
constexpr int32_t kPassPhrasePrompt = 12;
constexpr int32_t kChatOfferQuestion = 13; // a DCC chat is offered: accept?
constexpr int32_t kNoSpeechText = 14;
constexpr int32_t kLookUpHostPrompt = 15;
constexpr int32_t kObjectLabel = 16;        // an object offer's line: its name
constexpr int32_t kFetchLabel = 17;         // and its fetch link
constexpr int32_t kFreeColourQuestion = 18; // a colour outside the palette: use it?
constexpr int32_t kPleaseWaitCaption = 19;
constexpr int32_t kInformationCaption = 20;
constexpr int32_t kScriptInstalled = 21;
constexpr int32_t kNickOnlineText = 22;  // nick, nick
constexpr int32_t kNickOfflineText = 23; // nick
constexpr int32_t kProxyInUseText = 24;  // proxy
constexpr int32_t kDoneText = 25;
constexpr int32_t kTransferFailedText = 26;
constexpr int32_t kObjectQuestionText = 27; // object name
constexpr int32_t kFileSavedText = 28;      // file, folder
constexpr int32_t kEngineMissingText = 29;
constexpr int32_t kObjectRefusedText = 30; // object name
constexpr int32_t kOperatorsGroup = 32;    // the nick list's groups
constexpr int32_t kVoicedGroup = 33;
constexpr int32_t kUsersGroup = 34;
constexpr int32_t kBadPortText = 35;
constexpr int32_t kBadParameterText = 36;
constexpr int32_t kConnectingMessage = 50;    // host
constexpr int32_t kAddressMessage = 51;       // address text, port
constexpr int32_t kConnectedMessage = 52;     // address text, port
constexpr int32_t kDisconnectedMessage = 53;  // no address, or the connection ended
constexpr int32_t kConnectFailedMessage = 54; // address text, port
constexpr int32_t kWaitingForPeerText = 55;   // port
constexpr int32_t kPeerTalkingText = 56;
constexpr int32_t kListeningText = 57;
constexpr int32_t kTlsReadyText = 59;
constexpr int32_t kReconnectWaitMessage = 60; // seconds, try, tries
constexpr int32_t kNotSentText = 61;          // typed text while the window has no connection
constexpr int32_t kStillRunningText = 71;     // the tray balloon when the frame first hides
constexpr int32_t kRestartNeededText = 72;
constexpr int32_t kTopicSetByText = 81;     // channel, nick, time
constexpr int32_t kChannelCreatedText = 82; // channel, time
constexpr int32_t kYesText = 90;            // the message box's buttons
constexpr int32_t kNoText = 91;
constexpr int32_t kCancelText = 183;
constexpr int32_t kRetryText = 184;
constexpr int32_t kAbortText = 185;
constexpr int32_t kIgnoreText = 187;
constexpr int32_t kAddShownTextQuestion = 1001;
constexpr int32_t kLoadDownloadedQuestion = 3001; // file, address
constexpr int32_t kSkinLeftOutText = 3002;        // the settings a skin held besides its looks
