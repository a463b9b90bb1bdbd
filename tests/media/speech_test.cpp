// Speech through stand-ins of the speech classes: text spoken without its markup on the thread
// that owns the voice, also when a DCC chat's thread hands it over; dictation into the active
// window's input box; and without a recognizer, dictation off with the message.
#include "tests/media/media_test_support.h"

#include "common/xstring.h"
#include "core/window_list.h"
#include "core/window_record.h"
#include "irc/send_path.h"
#include "media/speech.h"
#include "tests/media/speech_standins.h"
#include "tests/recorders/recorders.h"
#include "tests/support/line_list_view.h"

#include <process.h>

namespace {

const char kNoSpeech[] = "Speech output is not available on this computer.";

class Speech : public MediaTest {
protected:
    void SetUp() override {
        MediaTest::SetUp();
        CreateSpeechObject();
    }
    void TearDown() override {
        ReleaseSpeechObject();
        RevokeSpeechStandIns();
        SetRecordedActiveWindow(nullptr);
        MediaTest::TearDown();
    }
};

// The window the user works in, with a stand-in for the custom-drawn view that keeps the lines
// printed into it with their kinds.
class ActiveLineListWindow {
public:
    ActiveLineListWindow() {
        InsertWindowRecord(&record_);
        SetRecordedActiveWindow(&record_);
    }
    ~ActiveLineListWindow() {
        SetRecordedActiveWindow(nullptr);
        EraseWindowRecord(&record_);
    }
    const std::vector<LineListView::Line>& Lines() const { return view_.Lines(); }

private:
    WindowRecord record_{nullptr, kChannelWindow, nullptr};
    LineListView view_{&record_};
};

unsigned __stdcall SpeakFromWorker(void*) {
    media::SpeakText(L"from a worker");
    return 0;
}

} // namespace

// Wine has no recognizer: dictation stays off with the message, and nothing is left held.
TEST_F(Speech, WithoutARecognizerDictationStaysOffWithTheMessage) {
    ActiveLineListWindow active;
    EXPECT_FALSE(StartSpeechRecognition());
    bool shown = false;
    for (const LineListView::Line& line : active.Lines()) shown |= line.Text == kNoSpeech && line.Kind == 14;
    EXPECT_TRUE(shown);
    EXPECT_FALSE(StartSpeechRecognition()) << "tried again, and refused again";
}

TEST_F(Speech, SpokenWithoutMarkupOnTheOwnerThread) {
    ASSERT_TRUE(RegisterSpeechStandIns());
    ASSERT_TRUE(InitSpeechVoice());
    media::SpeakText(L"\x02"
                     L"bold\x0F and \x03"
                     L"4red\x03 text");
    ASSERT_EQ(StandInSpokenCount(), 1);
    EXPECT_STREQ(StandInSpokenText(0), L"bold and red text");

    HANDLE worker =
        reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &SpeakFromWorker, nullptr, 0, nullptr));
    WaitForSingleObject(worker, 10000);
    CloseHandle(worker);
    EXPECT_EQ(StandInSpokenCount(), 1) << "a worker never speaks itself";
    ASSERT_TRUE(PumpUntil([] { return StandInSpokenCount() == 2; }));
    EXPECT_STREQ(StandInSpokenText(1), L"from a worker");
    EXPECT_EQ(StandInSpokenThread(1), GetCurrentThreadId());
}

TEST_F(Speech, LinesFromADccChatSpokenOnTheOwnerThread) {
    ASSERT_TRUE(RegisterSpeechStandIns());
    ASSERT_TRUE(InitSpeechVoice());
    DccPair pair;
    ASSERT_TRUE(pair.Start());
    pair.Listener->SpeakIncoming = 1;
    const std::string line = "read this \x02"
                             "aloud\x02\r\n";
    ASSERT_EQ(DccChatSend(line.data(), pair.Caller, static_cast<uint32_t>(line.size())), line.size());
    ASSERT_TRUE(PumpUntil([] { return StandInSpokenCount() == 1; }, 20000));
    EXPECT_STREQ(StandInSpokenText(0), L"read this aloud");
    EXPECT_EQ(StandInSpokenThread(0), GetCurrentThreadId()) << "not the chat's thread";
}

TEST_F(Speech, DictationGoesIntoTheActiveWindowsInputBox) {
    ASSERT_TRUE(RegisterSpeechStandIns());
    ASSERT_TRUE(StartSpeechRecognition());
    EXPECT_TRUE(StartSpeechRecognition()) << "running already";

    // No active window: the phrase is taken and dropped.
    ASSERT_TRUE(StandInRecognize(L"lost words"));
    PumpUntil([] { return false; }, 300);

    WindowRecord window(nullptr, kQueryWindow, nullptr);
    window.Input =
        CreateWindowExW(0, L"EDIT", L"", WS_POPUP, 0, 0, 200, 20, nullptr, nullptr, nullptr, nullptr);
    SetRecordedActiveWindow(&window);
    ASSERT_TRUE(StandInRecognize(L"hello world"));
    wchar_t text[100] = {};
    ASSERT_TRUE(PumpUntil([&] { return GetWindowTextW(window.Input, text, 100) > 0; }));
    EXPECT_STREQ(text, L"hello world ");
    DestroyWindow(window.Input);

    ReleaseSpeechRecognition();
    EXPECT_EQ(StandInLiveObjects(), 0) << "every recognition object and result released";
}
