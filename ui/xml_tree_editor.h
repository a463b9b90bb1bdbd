// The editor of an XML subtree: the tree of elements on the left, the selected element's
// attributes in a "grid" on the right, its text in a Rich Edit below. In form mode the rows are
// the element's "e" children (label "d", type "t", value "v", choices "l"). It runs as a modal or
// modeless dialog from the caller's template, or as a window of its own class.
#pragma once

#include "xml/xml_records.h"

#include <windows.h>

#include <cstdint>
#include <vector>

inline constexpr const wchar_t* kXmlEditorClass = L"XML_XDB_CLASS";
constexpr int kXmlEditorTreeId = 1000;
constexpr int kXmlEditorGridId = 1001;
constexpr int kXmlEditorTextId = 1002;

constexpr UINT kXmlEditorFill = 32769;     // build the tree, set the title, expand the root
constexpr UINT kXmlEditorGetState = 32770; // returns the XmlEditorState

constexpr uint32_t kXmlEditorModeless = 0;
constexpr uint32_t kXmlEditorModal = 1;
constexpr uint32_t kXmlEditorOwnWindow = 2;
constexpr uint32_t kXmlEditorFormMode = 2; // the option that selects form mode

// Item callback codes: the item is the row's attribute (raw mode) or row element (form mode), or
// the element of a tree item; text is a buffer of 1000 characters unless said otherwise.
constexpr uint32_t kXmlItemBeforeEdit = 1;   // 1 edit; 2 show the buffer instead; else refuse
constexpr uint32_t kXmlItemDisplayText = 2;  // a row is shown: 2 shows the buffer as its value
constexpr uint32_t kXmlItemFilled = 3;       // the tree is filled (no item, no text)
constexpr uint32_t kXmlItemLabel = 4;        // a tree item is labelled: 2 uses the buffer
constexpr uint32_t kXmlItemValueChanged = 6; // raw mode; text is the new value

using XmlEditorHook = LRESULT (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
using XmlEditorItemCallback = LRESULT (*)(HWND window, uint32_t code, void* item, wchar_t* text);

struct XmlEditorState {
    uint32_t Mode = kXmlEditorOwnWindow;
    XmlElement* Element = nullptr;
    XmlElement* Translation = nullptr;
    uint8_t Flag = 0;
    XmlEditorHook Hook = nullptr;
    XmlEditorItemCallback ItemCallback = nullptr;
    void* UserData = nullptr;
    uint32_t Option = 0;
    // The documents whose trees the element reaches; every read and edit holds their locks.
    std::vector<XmlDocument*> Documents;
    HFONT BoldFont = nullptr;
    XmlElement* Selected = nullptr;
    bool Filling = false;
};

// Opens the editor on the element. With an instance: the template as a modal dialog (returns its
// result) or a modeless one (returns the window); without: a window of the editor's class owned
// by the owner (returns the window). documents names the documents the element belongs to (empty:
// the configuration documents). The state lives as long as the window.
INT_PTR OpenXmlEditor(HWND owner, XmlElement* element, uint8_t flag, HINSTANCE instance,
                      const wchar_t* templateName, bool modal, XmlEditorHook hook,
                      XmlEditorItemCallback itemCallback, void* userData, XmlElement* translation,
                      uint32_t option, std::vector<XmlDocument*> documents = {});

// The editor's state, or null for any other window.
XmlEditorState* XmlEditorStateOf(HWND window);
// Stores the text pane into the selected element, as leaving it would.
void XmlEditorCommitText(HWND window);
// Fills the grid and the text pane again for the selected element.
void XmlEditorRefillGrid(HWND window);
