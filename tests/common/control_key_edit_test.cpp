#include <gtest/gtest.h>

#include <string>

#include "common/control_key_edit.h"

namespace {

class SpecialEdit : public testing::Test {
protected:
    static void SetUpTestSuite() { registered_ = RegisterSpecialEditClass(); }
    void SetUp() override {
        ASSERT_TRUE(registered_);
        edit_ = CreateWindowExW(0, L"brindlex_spedit", L"", WS_POPUP, 0, 0, 200, 30, nullptr, nullptr,
                                nullptr, nullptr);
        ASSERT_NE(edit_, nullptr);
    }
    void TearDown() override { DestroyWindow(edit_); }

    void Type(WPARAM code) { SendMessageW(edit_, WM_CHAR, code, 1); }
    std::wstring Text() {
        wchar_t text[100] = {};
        GetWindowTextW(edit_, text, 100);
        return text;
    }
    static void HoldCtrl(bool down) {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_CONTROL] = down ? 0x80 : 0;
        SetKeyboardState(keys);
    }

    static bool registered_;
    HWND edit_ = nullptr;
};
bool SpecialEdit::registered_ = false;

TEST_F(SpecialEdit, CtrlKeysInsertControlCharacters) {
    Type('a');
    Type(11); // Ctrl+K
    Type(2);  // Ctrl+B
    Type(15); // Ctrl+O
    Type(21); // Ctrl+U
    Type(19); // Ctrl+S
    Type(25); // Ctrl+Y
    EXPECT_EQ(Text(), std::wstring(L"a\x03\x02\x0F\x1F\x1D\x19"));
}

TEST_F(SpecialEdit, TabIsSwallowedAndCtrlIInsertsReverse) {
    Type('x');
    Type(9);
    EXPECT_EQ(Text(), L"x");
    HoldCtrl(true);
    Type(9);
    HoldCtrl(false);
    EXPECT_EQ(Text(), std::wstring(L"x\x16"));
}

TEST_F(SpecialEdit, OtherControlCodesReachTheEditControl) {
    Type('a');
    Type('b');
    Type(8); // backspace still deletes
    EXPECT_EQ(Text(), L"a");
}

} // namespace
