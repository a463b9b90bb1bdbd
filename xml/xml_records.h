// The records of an XML settings tree: elements with their attributes (variables), comments,
// CDATA sections and character data, the document header and the document. Texts are narrow
// UTF-8; names, attribute values and text items are kept escaped, comments and CDATA plain.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "xml/xml_pool.h"
#include "xml/xml_slots.h"

struct XmlElement;

// One attribute. The name never ends in a blank.
struct XmlVariable {
    XML_POOLED_RECORD
    std::string name;  // escaped
    std::string value; // escaped
    XmlElement* owner = nullptr;
    uint8_t temporary = 0;
};

// A comment or CDATA section of an element, or a comment of the document header (no owner).
// The position is the number of children before it; in the header 0 = before the root, 1 = after.
struct XmlContent {
    XML_POOLED_RECORD
    XmlElement* owner = nullptr;
    std::string text; // plain
    uint32_t position = 0;
};

// Character data between tags. Kind 0 keeps escaped text; kind 1 keeps raw bytes.
struct XmlText {
    XML_POOLED_RECORD
    XmlElement* owner = nullptr;
    std::vector<uint8_t> bytes;
    uint8_t kind = 0;
    std::string text; // escaped, kind 0
    uint32_t position = 0;
};

struct XmlBorrowedChild {
    uint8_t inUse = 0;
    XmlElement* child = nullptr;
};

struct XmlElement {
    XML_POOLED_RECORD
    XmlElement() = default;
    ~XmlElement();
    XmlElement(const XmlElement&) = delete;
    XmlElement& operator=(const XmlElement&) = delete;

    uint64_t userData = 0;
    uint32_t type = 0;
    XmlElement* parent = nullptr;
    std::string name; // escaped
    uint32_t nameHash = 0;
    // A null child slot is a subtree unloaded to a file; its key is the ticket of that file in
    // unloadedFiles (1-based), so the name travels with the slot.
    XmlSlots<XmlElement> children{20, 20};
    // Keys are the hashes of the unescaped names, for quick lookups.
    XmlSlots<XmlVariable> variables{20, 20};
    XmlSlots<XmlContent> comments{10, 10};
    XmlSlots<XmlText> texts{4, 4};
    XmlSlots<XmlContent> cdata{10, 10};
    uint8_t temporary = 0;
    std::vector<XmlBorrowedChild> borrowed;
    int32_t indentWithSpaces = 0;
    int32_t indentWidth = 1;
    int32_t inlineTextFlags = 0;
    std::vector<std::wstring> unloadedFiles;
};

struct XmlHeader {
    XmlHeader() = default;
    ~XmlHeader();
    XmlHeader(const XmlHeader&) = delete;
    XmlHeader& operator=(const XmlHeader&) = delete;

    std::string line; // the declaration as read, with anything that stood before it
    XmlSlots<XmlContent> comments{5, 10};
};

// Optional transformer of the bytes read from and written to files. Each operation returns the
// output length; a result above the capacity means the output did not fit.
class XmlFilter {
public:
    virtual ~XmlFilter() = default;
    virtual size_t Encode(const uint8_t* in, size_t length, uint8_t* out, size_t capacity) = 0;
    virtual size_t Decode(const uint8_t* in, size_t length, uint8_t* out, size_t capacity) = 0;
};

// Guards a document shared between threads. Exclusive holders may call the profile functions
// on the same document: the owner thread is remembered and not locked again.
// Each document's write count starts in a range of its own, so a document made where another
// one was freed never shows a count that a reader kept from the old one.
inline std::atomic<uint64_t> XmlDocumentCountStarts{0};

struct XmlDocumentLock {
    SRWLOCK srw = SRWLOCK_INIT;
    std::atomic<DWORD> writer{0};
    // Counts the write locks released, so readers that keep values taken from the document know
    // when to read them again.
    std::atomic<uint64_t> writes{XmlDocumentCountStarts.fetch_add(uint64_t{1} << 32)};
};

struct XmlDocument {
    XmlDocument() = default;
    ~XmlDocument();
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;

    int32_t state = 0; // 0 declaration found, 1 declaration missing or content invented, 2 end tag lost
    uint8_t wideName = 0;
    bool hasFileName = false;
    std::wstring fileName;
    XmlHeader* header = nullptr;
    XmlElement* root = nullptr;
    uint8_t saveOnClose = 0;
    XmlDocumentLock lock;
};

// Load states.
constexpr int32_t kXmlStateDeclared = 0;
constexpr int32_t kXmlStateInvented = 1;
constexpr int32_t kXmlStateBroken = 2;

// Nesting deeper than this stops the reader, so no recursive walk of a tree read from a file can
// exhaust a thread's stack.
constexpr uint32_t kXmlMaxDepth = 1000;

constexpr uint32_t kXmlNotFound = 0xFFFFFFFFu;
