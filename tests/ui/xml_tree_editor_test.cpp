// The XML tree editor as a window of its own on a test document: browsing, labels, editing
// values and texts through the grid and the Rich Edit, saving and reading the file back, and form
// mode with its choice lists.
#include <gtest/gtest.h>

#include "common/window_helpers.h"
#include "tests/ui/pump.h"
#include "tests/support/test_files.h"
#include "ui/grid_control.h"
#include "ui/xml_tree_editor.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"
#include "xml/xml_unload.h"

#include <commctrl.h>

#include <string>
#include <vector>

namespace {

constexpr const char* kDocument =
    "<?xml version=\"1.0\"?>\r\n<Root>"
    "<Colours colour=\"red\" __colour=\"Shade\" __hidden=\"x\" plain_name=\"1\">body text</Colours>"
    "<Form><e d=\"Pick\" t=\"1\" v=\"b\" l=\"a|||b|||c\"/><e d=\"Free\" t=\"0\" v=\"free\"/></Form>"
    "<Spare><Inner a=\"1\"/></Spare></Root>";

std::vector<std::pair<uint32_t, void*>> Calls;

LRESULT RecordItem(HWND, uint32_t code, void* item, wchar_t*) {
    Calls.push_back({code, item});
    return code == kXmlItemBeforeEdit ? 1 : 0;
}

class XmlTreeEditor : public testing::Test {
protected:
    void SetUp() override {
        Calls.clear();
        path_ = folder_.File(L"editor_test.xml");
        WriteFileBytes(path_, kDocument);
        ASSERT_EQ(XmlDocumentOpenFile(&document_, path_.c_str()), 1);
    }
    void TearDown() override {
        if (IsWindow(window_)) DestroyWindow(window_);
        XmlDocumentDestroy(&document_);
    }
    void Open(XmlElement* element, uint32_t option) {
        window_ = reinterpret_cast<HWND>(OpenXmlEditor(nullptr, element, 0, nullptr, nullptr, false, nullptr,
                                                       RecordItem, nullptr, nullptr, option, {&document_}));
        ASSERT_NE(window_, nullptr);
        Pump();
    }
    XmlElement* Root() { return XmlDocumentGetRoot(&document_); }
    HWND Tree() { return GetDlgItem(window_, kXmlEditorTreeId); }
    HWND Grid() { return GetDlgItem(window_, kXmlEditorGridId); }
    HWND Text() { return GetDlgItem(window_, kXmlEditorTextId); }
    HTREEITEM Item(const std::wstring& label) {
        std::vector<HTREEITEM> pending{
            reinterpret_cast<HTREEITEM>(SendMessageW(Tree(), TVM_GETNEXTITEM, TVGN_ROOT, 0))};
        while (!pending.empty()) {
            HTREEITEM item = pending.back();
            pending.pop_back();
            for (; item; item = reinterpret_cast<HTREEITEM>(SendMessageW(Tree(), TVM_GETNEXTITEM, TVGN_NEXT,
                                                                         reinterpret_cast<LPARAM>(item)))) {
                if (Label(item) == label) return item;
                if (auto child = reinterpret_cast<HTREEITEM>(
                        SendMessageW(Tree(), TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item))))
                    pending.push_back(child);
            }
        }
        return nullptr;
    }
    std::wstring Label(HTREEITEM item) {
        wchar_t text[200] = {};
        TVITEMW data{};
        data.mask = TVIF_TEXT;
        data.hItem = item;
        data.pszText = text;
        data.cchTextMax = 200;
        SendMessageW(Tree(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
        return text;
    }
    void Select(const std::wstring& label) {
        HTREEITEM item = Item(label);
        ASSERT_NE(item, nullptr) << "no item " << std::string(label.begin(), label.end());
        SendMessageW(Tree(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
        Pump();
    }
    std::vector<std::wstring> Rows() {
        std::vector<std::wstring> rows;
        const int count = static_cast<int>(SendMessageW(Grid(), LVM_GETITEMCOUNT, 0, 0));
        for (int row = 0; row < count; ++row)
            for (int column = 0; column < 2; ++column) {
                wchar_t text[200] = {};
                LVITEMW item{};
                item.iSubItem = column;
                item.pszText = text;
                item.cchTextMax = 200;
                SendMessageW(Grid(), LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                             reinterpret_cast<LPARAM>(&item));
                rows.push_back(text);
            }
        return rows;
    }
    HWND EditCell(int row) {
        PostMessageW(Grid(), kGridEditCell, static_cast<WPARAM>(row), 1);
        Pump();
        return reinterpret_cast<HWND>(SendMessageW(Grid(), LVM_GETEDITCONTROL, 0, 0));
    }
    void Type(HWND target, const std::wstring& text) {
        for (wchar_t c : text) PostMessageW(target, WM_CHAR, c, 0);
        Pump();
    }
    int Height(HWND control) {
        RECT box{};
        GetWindowRect(control, &box);
        return box.bottom - box.top;
    }

    TestFolder folder_{L"editor"};
    std::wstring path_;
    XmlDocument document_;
    HWND window_ = nullptr;
};

TEST_F(XmlTreeEditor, BrowsesEditsValuesAndTextsAndTheSavedFileHasThem) {
    ASSERT_EQ(XmlElementUnloadChild(XmlElementFindChild(Root(), "Spare"), 0), 1);
    Open(Root(), 0);
    EXPECT_EQ(GetWindowTextString(window_), L"Root");
    EXPECT_NE(Item(L"Colours"), nullptr);
    EXPECT_NE(Item(L"<Unloaded>"), nullptr);
    ASSERT_FALSE(Calls.empty());
    EXPECT_EQ(Calls.back().first, kXmlItemFilled);

    Select(L"Colours");
    EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"Shade", L"red", L"plain name", L"1"}));
    EXPECT_EQ(GetWindowTextString(Text()), L"body text");
    RECT client{};
    GetClientRect(window_, &client);
    EXPECT_LT(Height(Grid()), client.bottom * 3 / 4); // text shown: the grid takes half

    PostMessageW(Grid(), kGridEditCell, 0, 0); // names are not edited
    Pump();
    EXPECT_EQ(SendMessageW(Grid(), LVM_GETEDITCONTROL, 0, 0), 0);

    HWND editor = EditCell(0);
    ASSERT_NE(editor, nullptr);
    Type(editor, L"blue");
    PostMessageW(editor, WM_KEYDOWN, VK_RETURN, 0);
    Pump();
    EXPECT_EQ(
        XmlVariableGetValueString(XmlElementFindVariable(XmlElementFindChild(Root(), "Colours"), "colour")),
        "blue");
    EXPECT_EQ(Calls.back().first, kXmlItemValueChanged);

    SendMessageW(Text(), EM_SETSEL, 0, -1);
    Type(Text(), L"new text \u00e9");
    Select(L"Form");
    EXPECT_EQ(Height(Grid()), client.bottom); // no text: the grid takes the whole height
    Select(L"Colours");
    EXPECT_EQ(GetWindowTextString(Text()), L"new text \u00e9");
    SendMessageW(Text(), EM_SETSEL, 0, -1);
    PostMessageW(Text(), WM_KEYDOWN, VK_BACK, 0);
    Pump();
    ASSERT_EQ(GetWindowTextString(Text()), L"");
    PostMessageW(window_, WM_CLOSE, 0, 0); // closing stores the emptied text
    Pump();
    EXPECT_FALSE(IsWindow(window_));

    ASSERT_EQ(XmlDocumentSave(&document_, nullptr, 0, 0, nullptr), 1);
    const std::string saved = ReadFileBytes(path_);
    EXPECT_NE(saved.find("colour=\"blue\""), std::string::npos);
    EXPECT_EQ(saved.find("body text"), std::string::npos);
    EXPECT_EQ(saved.find("new text"), std::string::npos);
}

TEST_F(XmlTreeEditor, FormModeShowsDescribedRowsWithTheirChoices) {
    Open(XmlElementFindChild(Root(), "Form"), kXmlEditorFormMode);
    Select(L"Form");
    EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"Pick", L"b", L"Free", L"free"}));
    HWND combo = EditCell(0);
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 3);
    SendMessageW(combo, CB_SETCURSEL, 2, 0);
    PostMessageW(combo, WM_KEYDOWN, VK_RETURN, 0);
    Pump();
    XmlElement* pick = XmlElementGetChild(XmlElementFindChild(Root(), "Form"), 0);
    EXPECT_EQ(XmlVariableGetValueString(XmlElementFindVariable(pick, "v")), "c");
    wchar_t name[32] = {};
    GetClassNameW(EditCell(1), name, 32);
    EXPECT_STREQ(name, kGridEditClass);
}

} // namespace

namespace {

constexpr const char* kScripts =
    "<?xml version=\"1.0\"?>\r\n<Root><Scripts><n name=\"walk\" Enabled=\"1\" __Enabled=\"0|||1\" "
    "Trigger=\"x\" __Trigger=\"Pattern\">/msg #old plain</n><n name=\"other\"/></Scripts></Root>";

} // namespace

// A script entry as the preferences make it: "__" plus a name holding "|||" lists that row's
// choices under the name's own label; the text typed under the grid is stored as the entry's
// CDATA section, where the triggers read it, and one holding "]]>" is saved and read back whole.
TEST_F(XmlTreeEditor, ChoiceListsAndScriptTextsStoredAsSections) {
    WriteFileBytes(path_, kScripts);
    ASSERT_EQ(XmlDocumentOpenFile(&document_, path_.c_str()), 1);
    Open(Root(), 0);
    Select(L"walk");
    EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"name", L"walk", L"Enabled", L"1", L"Pattern", L"x"}));
    HWND combo = EditCell(1);
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 2);
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
    PostMessageW(combo, WM_KEYDOWN, VK_RETURN, 0);
    Pump();
    XmlElement* walk = XmlElementFindPath(Root(), "Scripts\\n");
    EXPECT_EQ(XmlVariableGetValueString(XmlElementFindVariable(walk, "Enabled")), "0");
    wchar_t name[32] = {};
    GetClassNameW(EditCell(2), name, 32);
    EXPECT_STREQ(name, kGridEditClass);

    EXPECT_EQ(GetWindowTextString(Text()), L"/msg #old plain");
    SetWindowTextW(Text(), L"/msg #walk pong\r\n/echo ]]> done");
    Select(L"other");
    ASSERT_EQ(XmlElementGetCDataCount(walk), 1u);
    EXPECT_EQ(XmlElementGetCDataSections(walk)[0]->text, "/msg #walk pong\r\n/echo ]]> done");
    EXPECT_EQ(XmlElementGetTextCount(walk), 0u);

    ASSERT_EQ(XmlDocumentSave(&document_, nullptr, 1, 0, nullptr), 1);
    XmlDocument again;
    ASSERT_EQ(XmlDocumentOpenFile(&again, path_.c_str()), 1);
    XmlElement* read = XmlElementFindPath(XmlDocumentGetRoot(&again), "Scripts\\n");
    ASSERT_EQ(XmlElementGetCDataCount(read), 1u);
    EXPECT_EQ(XmlElementGetCDataSections(read)[0]->text, "/msg #walk pong\r\n/echo ]]> done");
    XmlDocumentDestroy(&again);
}
