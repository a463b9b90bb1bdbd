#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/app_state.h"
#include "common/lang_strings.h"
#include "common/message_box.h"
#include "tests/common/test_paths.h"

namespace {

TEST(TaskDialogSetup, FirstLineIsTheInstructionAndTheRestTheContent) {
    TaskDialogSetup setup;
    ASSERT_TRUE(BuildTaskDialogSetup(setup, nullptr, L"Delete the log?\nIt cannot be undone.\nReally.", L"qv",
                                     MB_YESNO, MB_ICONQUESTION, nullptr));
    EXPECT_STREQ(setup.config.pszMainInstruction, L"Delete the log?");
    EXPECT_STREQ(setup.config.pszContent, L"It cannot be undone.\nReally.");
    EXPECT_STREQ(setup.config.pszWindowTitle, L"qv");
    EXPECT_EQ(setup.config.cbSize, sizeof(TASKDIALOGCONFIG));

    ASSERT_TRUE(BuildTaskDialogSetup(setup, nullptr, L"One line only", L"qv", MB_OK, 0, nullptr));
    EXPECT_STREQ(setup.config.pszMainInstruction, L"One line only");
    EXPECT_EQ(setup.config.pszContent, nullptr);
}

TEST(TaskDialogSetup, CommonButtonsAndDefaultsByType) {
    struct Case {
        UINT flags;
        TASKDIALOG_COMMON_BUTTON_FLAGS buttons;
        int defaultButton;
    };
    const TASKDIALOG_COMMON_BUTTON_FLAGS yesNoCancel =
        TDCBF_YES_BUTTON | TDCBF_NO_BUTTON | TDCBF_CANCEL_BUTTON;
    const Case cases[] = {
        {MB_OK, TDCBF_OK_BUTTON, IDOK},
        {MB_OK | MB_DEFBUTTON2, TDCBF_OK_BUTTON, IDOK},
        {MB_OKCANCEL, TDCBF_OK_BUTTON | TDCBF_CANCEL_BUTTON, IDOK},
        {MB_OKCANCEL | MB_DEFBUTTON2, TDCBF_OK_BUTTON | TDCBF_CANCEL_BUTTON, IDCANCEL},
        {MB_YESNOCANCEL, yesNoCancel, IDYES},
        {MB_YESNOCANCEL | MB_DEFBUTTON2, yesNoCancel, IDNO},
        {MB_YESNOCANCEL | MB_DEFBUTTON3, yesNoCancel, IDCANCEL},
        {MB_YESNOCANCEL | MB_DEFBUTTON4, yesNoCancel, IDCANCEL},
        {MB_YESNO, TDCBF_YES_BUTTON | TDCBF_NO_BUTTON, IDYES},
        {MB_YESNO | MB_DEFBUTTON2, TDCBF_YES_BUTTON | TDCBF_NO_BUTTON, IDNO},
        {MB_RETRYCANCEL, TDCBF_RETRY_BUTTON | TDCBF_CANCEL_BUTTON, IDRETRY},
        {MB_RETRYCANCEL | MB_DEFBUTTON2, TDCBF_RETRY_BUTTON | TDCBF_CANCEL_BUTTON, IDCANCEL},
    };
    for (const Case& c : cases) {
        TaskDialogSetup setup;
        ASSERT_TRUE(BuildTaskDialogSetup(setup, nullptr, L"text", L"caption", c.flags, 0, nullptr))
            << c.flags;
        EXPECT_EQ(setup.config.dwCommonButtons, c.buttons) << c.flags;
        EXPECT_EQ(setup.config.nDefaultButton, c.defaultButton) << c.flags;
        EXPECT_EQ(setup.config.cButtons, 0u);
        EXPECT_EQ(setup.config.dwFlags & TDF_USE_COMMAND_LINKS, 0);
    }
    // Abort/Retry/Ignore and Cancel/Try/Continue have no task-dialog form.
    TaskDialogSetup setup;
    EXPECT_FALSE(BuildTaskDialogSetup(setup, nullptr, L"text", L"caption", MB_ABORTRETRYIGNORE, 0, nullptr));
    EXPECT_FALSE(BuildTaskDialogSetup(setup, nullptr, L"text", L"caption", MB_CANCELTRYCONTINUE, 0, nullptr));
}

TEST(TaskDialogSetup, CustomButtonsBecomeCommandLinks) {
    const std::vector<MessageBoxButton> buttons = {
        {L"Save", L"", 100}, {L"Discard", L"The changes are lost.", 101}, {L"Later", L"", 102}};
    TaskDialogSetup setup;
    ASSERT_TRUE(BuildTaskDialogSetup(setup, nullptr, L"Close?", L"qv", MB_ABORTRETRYIGNORE, 0, &buttons));
    EXPECT_NE(setup.config.dwFlags & TDF_USE_COMMAND_LINKS, 0);
    EXPECT_EQ(setup.config.dwCommonButtons, 0);
    ASSERT_EQ(setup.config.cButtons, 3u);
    EXPECT_STREQ(setup.config.pButtons[0].pszButtonText, L"Save");
    EXPECT_STREQ(setup.config.pButtons[1].pszButtonText, L"Discard\r\nThe changes are lost.");
    EXPECT_EQ(setup.config.pButtons[1].nButtonID, 101);
    EXPECT_EQ(setup.config.nDefaultButton, 100);
}

TEST(TaskDialogSetup, IconsAndCautiousAnswers) {
    TaskDialogSetup setup;
    BuildTaskDialogSetup(setup, nullptr, L"t", L"c", MB_OK, MB_ICONERROR, nullptr);
    EXPECT_EQ(setup.config.pszMainIcon, TD_ERROR_ICON);
    BuildTaskDialogSetup(setup, nullptr, L"t", L"c", MB_OK, MB_ICONWARNING, nullptr);
    EXPECT_EQ(setup.config.pszMainIcon, TD_ERROR_ICON);
    BuildTaskDialogSetup(setup, nullptr, L"t", L"c", MB_OK, MB_ICONQUESTION, nullptr);
    EXPECT_EQ(setup.config.pszMainIcon, TD_INFORMATION_ICON);
    BuildTaskDialogSetup(setup, nullptr, L"t", L"c", MB_OK, 240, nullptr);
    EXPECT_EQ(setup.config.pszMainIcon, TD_SHIELD_ICON);

    EXPECT_EQ(PlainMessageBoxStyle(MB_YESNO, 240), UINT(MB_YESNO | MB_ICONINFORMATION));
    EXPECT_EQ(PlainMessageBoxStyle(MB_YESNO, MB_ICONWARNING), UINT(MB_YESNO | MB_ICONWARNING));

    EXPECT_EQ(CautiousAnswer(MB_OK), IDOK);
    EXPECT_EQ(CautiousAnswer(MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(CautiousAnswer(MB_YESNOCANCEL | MB_DEFBUTTON1), IDCANCEL);
    EXPECT_EQ(CautiousAnswer(MB_YESNO | MB_DEFBUTTON1), IDNO);
    EXPECT_EQ(CautiousAnswer(MB_RETRYCANCEL), IDCANCEL);
    EXPECT_EQ(CautiousAnswer(MB_ABORTRETRYIGNORE), IDOK);
}

TEST(MessageBoxButtonList, StandardCaptionsFromTheLanguageLibrary) {
    HMODULE module = LoadLibraryW(BesideTestProgram(L"qvlang.dll").c_str());
    ASSERT_NE(module, nullptr);
    FreeLangStrings();
    LanguageModule = module;

    auto labels = [](UINT flags) {
        std::vector<std::wstring> out;
        for (const MessageBoxButton& b : MessageBoxButtonList(flags)) {
            EXPECT_TRUE(b.note.empty());
            out.push_back(b.label + L"=" + std::to_wstring(b.id));
        }
        return out;
    };
    using List = std::vector<std::wstring>;
    EXPECT_EQ(labels(MB_OK), (List{L"OK=1"}));
    EXPECT_EQ(labels(MB_OKCANCEL | MB_DEFBUTTON2), (List{L"OK=1", L"Cancel=2"}));
    EXPECT_EQ(labels(MB_RETRYCANCEL), (List{L"Retry=4", L"Cancel=2"}));
    EXPECT_EQ(labels(MB_YESNO), (List{L"Yes=6", L"No=7"}));
    EXPECT_EQ(labels(MB_YESNOCANCEL), (List{L"Yes=6", L"No=7", L"Cancel=2"}));
    EXPECT_EQ(labels(MB_ABORTRETRYIGNORE), (List{L"Abort=3", L"Retry=4", L"Ignore=5"}));
    EXPECT_TRUE(labels(MB_CANCELTRYCONTINUE).empty());

    FreeLangStrings();
    LanguageModule = nullptr;
    FreeLibrary(module);
}

TEST(CaptionDialog, TakesItsCaptionFromTheLanguageLibrary) {
    HMODULE module = LoadLibraryW(BesideTestProgram(L"test_strings.dll").c_str());
    ASSERT_NE(module, nullptr);
    FreeLangStrings();
    LanguageModule = module;

    // An empty popup dialog: template header, then no menu, default class and no title.
    alignas(4) WORD dialogTemplate[16] = {};
    auto* header = reinterpret_cast<DLGTEMPLATE*>(dialogTemplate);
    header->style = WS_POPUP;
    header->cx = 100;
    header->cy = 50;
    HWND dialog = CreateDialogIndirectParamW(nullptr, header, nullptr, CaptionDialogProc19, 0);
    ASSERT_NE(dialog, nullptr);
    wchar_t caption[100] = {};
    GetWindowTextW(dialog, caption, 100);
    EXPECT_STREQ(caption, L"Test nineteen");
    DestroyWindow(dialog);
    EXPECT_EQ(CaptionDialogProc20(nullptr, WM_COMMAND, 0, 0), 0);

    FreeLangStrings();
    LanguageModule = nullptr;
    FreeLibrary(module);
}

} // namespace
