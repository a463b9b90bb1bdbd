#include "xml/xml_reader.h"

#include "common/xstring.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"
#include "xml/xml_escape.h"
#include "xml/xml_header.h"

#include <algorithm>
#include <cstring>
#include <vector>

// ---- tag text ----

static bool IsNameEnd(char c) {
    return c == ' ' || c == '/' || c == '\t' || c == '>' || c == '"' || c == '\r' || c == '\n';
}

void XmlParseTagText(XmlElement* element, std::string_view tag) {
    if (!element) return;
    size_t i = 0;
    while (i < tag.size() && !IsNameEnd(tag[i])) ++i;
    element->name.assign(tag.substr(0, i));
    if (element->name.find('<') != std::string::npos) std::erase(element->name, '<');
    element->nameHash = XmlStoredHash(element->name);

    while (i < tag.size()) {
        while (i < tag.size() && (tag[i] == ' ' || tag[i] == '\t' || tag[i] == '\r' || tag[i] == '\n')) ++i;
        if (i >= tag.size() || tag[i] == '>' || tag[i] == '/') break;
        size_t eq = tag.find('=', i);
        if (eq == std::string_view::npos) break;
        size_t open = tag.find('"', eq);
        if (open == std::string_view::npos) break;
        size_t close = tag.find('"', open + 1);
        if (close == std::string_view::npos) break;
        std::string_view name = tag.substr(i, eq - i);
        while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
        XmlVariable* v = new XmlVariable;
        v->name.assign(name);
        v->value.assign(tag.substr(open + 1, close - open - 1));
        v->owner = element;
        element->variables.Append(v, XmlStoredHash(v->name));
        i = close + 1;
    }
}

// ---- content ----

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool StartsWith(std::string_view s, size_t at, std::string_view prefix) {
    return s.size() - at >= prefix.size() && std::memcmp(s.data() + at, prefix.data(), prefix.size()) == 0;
}

// The '>' that ends the start tag at s[lt]. The walk follows the attribute grammar of the tag
// parser (name, '=', a value between double quotes), so a '>' ends the tag anywhere but inside a
// value, and the text the tag parser gets always holds exactly the attributes seen here.
size_t FindTagEnd(std::string_view s, size_t lt) {
    const size_t npos = std::string_view::npos;
    size_t i = lt + 1;
    while (i < s.size() && !IsNameEnd(s[i])) ++i;
    while (i < s.size()) {
        char c = s[i];
        if (IsBlank(c) || c == '/') {
            ++i;
            continue;
        }
        if (c == '>') return i;
        size_t eq = s.find_first_of("=>", i);
        if (eq == npos || s[eq] == '>') return eq;
        size_t open = s.find_first_of("\">", eq);
        if (open == npos || s[open] == '>') return open;
        size_t close = s.find('"', open + 1);
        if (close == npos) return npos;
        i = close + 1;
    }
    return npos;
}

class Parser {
public:
    Parser(XmlHeader* header, XmlElement* base, XmlDocument* document)
        : header_(header), base_(base), document_(document) {}

    ~Parser() { delete extra_; }

    XmlElement* Run(std::string_view s, size_t* end) {
        size_t pos = 0;
        while (pos < s.size()) {
            size_t lt = s.find('<', pos);
            if (!JoinsSectionControls(s, pos, lt))
                AddText(s.substr(pos, lt == std::string_view::npos ? std::string_view::npos : lt - pos));
            if (lt == std::string_view::npos) {
                pos = s.size();
                break;
            }
            size_t next = Construct(s, lt);
            if (next == std::string_view::npos) {
                pos = lt;
                break;
            }
            pos = next;
        }
        if (!stack_.empty()) Broken();
        if (end) *end = pos;
        return first_;
    }

private:
    XmlElement* Enclosing() const { return stack_.empty() ? base_ : stack_.back(); }

    void Broken() {
        if (document_) document_->state = kXmlStateBroken;
    }

    void AddText(std::string_view raw) {
        std::string_view text = Trim(raw);
        XmlElement* e = Enclosing();
        if (text.empty() || !e) return;
        XmlText* t = new XmlText;
        t->owner = e;
        t->text.assign(text);
        t->position = e->children.Count();
        e->texts.Append(t);
    }

    // The writer keeps a section's control characters as references between two parts of it
    // ("]]>&#x2401;<![CDATA["): they belong to the section's text, and the next part joins it.
    bool JoinsSectionControls(std::string_view s, size_t pos, size_t lt) {
        if (pos != sectionEnd_ || lt == std::string_view::npos || lt == pos ||
            !StartsWith(s, lt, "<![CDATA["))
            return false;
        XmlElement* e = Enclosing();
        if (!e || e->cdata.Count() == 0) return false;
        const std::string controls = XmlUnescape(s.substr(pos, lt - pos));
        for (char c : controls)
            if (!XmlIsForbiddenControl(c)) return false;
        e->cdata.At(e->cdata.Count() - 1)->text += controls;
        sectionEnd_ = lt;
        return true;
    }

    void AddContent(bool cdata, std::string_view text) {
        XmlElement* e = Enclosing();
        if (e && cdata && joinsSection_ && e->cdata.Count() > 0) {
            // A section that follows another with nothing between them is the rest of its text,
            // split by the writer where the text held "]]>".
            e->cdata.At(e->cdata.Count() - 1)->text.append(text);
            return;
        }
        if (e) {
            XmlContent* c = new XmlContent;
            c->owner = e;
            c->text.assign(text);
            c->position = e->children.Count();
            (cdata ? e->cdata : e->comments).Append(c);
        } else if (!cdata && header_ && !extra_) {
            XmlContent* c = new XmlContent;
            c->text.assign(text);
            c->position = topLevelSeen_ ? 1 : 0;
            header_->comments.Append(c);
        }
    }

    // Handles the construct at s[lt] ('<'); returns where scanning goes on, or npos to stop.
    size_t Construct(std::string_view s, size_t lt) {
        if (StartsWith(s, lt, "<![CDATA[")) {
            size_t close = s.find("]]>", lt + 9);
            if (close == std::string_view::npos) return close;
            joinsSection_ = lt == sectionEnd_;
            AddContent(true, s.substr(lt + 9, close - lt - 9));
            sectionEnd_ = close + 3;
            return close + 3;
        }
        if (StartsWith(s, lt, "<!--")) {
            size_t close = s.find("-->", lt + 4);
            if (close == std::string_view::npos) return close;
            AddContent(false, s.substr(lt + 4, close - lt - 4));
            return close + 3;
        }
        if (StartsWith(s, lt, "<?")) {
            size_t close = s.find("?>", lt + 2);
            return close == std::string_view::npos ? close : close + 2;
        }
        if (StartsWith(s, lt, "</")) {
            size_t close = s.find('>', lt + 2);
            if (close == std::string_view::npos) return close;
            EndTag();
            return close + 1;
        }
        size_t close = FindTagEnd(s, lt);
        if (close == std::string_view::npos) return close;
        bool selfClosing = close > lt + 1 && s[close - 1] == '/';
        if (!selfClosing && stack_.size() >= kXmlMaxDepth) {
            Broken();
            return std::string_view::npos;
        }
        StartTag(s.substr(lt, close - lt + 1), selfClosing);
        return close + 1;
    }

    void StartTag(std::string_view tag, bool selfClosing) {
        XmlElement* parent = Enclosing();
        XmlElement* e = new XmlElement;
        e->parent = parent;
        XmlParseTagText(e, tag);
        if (parent) {
            parent->children.Append(e);
        } else if (!topLevelSeen_) {
            // The first element at document level is the root; later ones are read and dropped.
            topLevelSeen_ = true;
        } else {
            extra_ = e;
        }
        if (!first_ && parent == base_) first_ = e;
        if (!selfClosing) {
            stack_.push_back(e);
        } else if (e == extra_) {
            delete extra_;
            extra_ = nullptr;
        }
        if (parent == nullptr && document_ && e == first_) document_->root = e;
    }

    void EndTag() {
        if (stack_.empty()) return;
        XmlElement* closed = stack_.back();
        stack_.pop_back();
        if (closed == extra_) {
            delete extra_;
            extra_ = nullptr;
        }
    }

    XmlHeader* header_;
    XmlElement* base_;
    XmlDocument* document_;
    std::vector<XmlElement*> stack_;
    XmlElement* first_ = nullptr;
    XmlElement* extra_ = nullptr; // a later top-level element being read to be dropped
    bool topLevelSeen_ = false;
    size_t sectionEnd_ = std::string_view::npos; // just after the last CDATA section read
    bool joinsSection_ = false;
};

} // namespace

XmlElement* XmlParseElement(XmlHeader* header, XmlElement* parent, std::string_view text, size_t* end,
                            XmlDocument* document) {
    Parser parser(header, parent, document);
    return parser.Run(text, end);
}

// ---- files ----

bool XmlReadFile(const wchar_t* name, XmlFilter* filter, std::string* text, DWORD* error) {
    if (error) *error = ERROR_INVALID_PARAMETER;
    if (!name || !text) return false;
    HANDLE file = CreateFileW(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        if (error) *error = GetLastError();
        return false;
    }
    LARGE_INTEGER size{};
    std::string bytes;
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart >= 0;
    if (ok) {
        try {
            bytes.resize(static_cast<size_t>(size.QuadPart));
        } catch (...) {
            ok = false;
        }
    }
    size_t done = 0;
    while (ok && done < bytes.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(file, bytes.data() + done, chunk, &got, nullptr)) ok = false;
        if (got == 0) break;
        done += got;
    }
    if (!ok && error) *error = GetLastError();
    CloseHandle(file);
    if (!ok) return false;
    bytes.resize(done);

    if (filter) {
        std::string decoded(bytes.size() * 4 + 1024, '\0');
        size_t n = filter->Decode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                                  reinterpret_cast<uint8_t*>(decoded.data()), decoded.size());
        if (n > decoded.size()) {
            decoded.assign(n, '\0');
            n = filter->Decode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                               reinterpret_cast<uint8_t*>(decoded.data()), decoded.size());
            if (n > decoded.size()) n = 0;
        }
        decoded.resize(n);
        bytes.swap(decoded);
    }

    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::wstring wide(bytes.size() / 2, L'\0');
        std::memcpy(wide.data(), bytes.data(), wide.size() * sizeof(wchar_t));
        *text = WideToNarrow(wide);
    } else {
        text->swap(bytes);
    }
    return true;
}

bool XmlReadFile(const char* name, XmlFilter* filter, std::string* text, DWORD* error) {
    if (!name) return false;
    return XmlReadFile(NarrowToWide(name, std::strlen(name)).c_str(), filter, text, error);
}

// ---- loading ----

static void MakeEmpty(XmlDocument* document, const char* line) {
    document->header = XmlHeaderCreate(line);
    document->root = XmlElementCreateNamed(nullptr, "root");
}

// The declaration is taken only where the source begins with one (after a byte-order mark or
// blanks); its line keeps whatever stood before it.
static size_t FindDeclarationEnd(std::string_view s) {
    size_t i = 0;
    if (StartsWith(s, 0, "\xEF\xBB\xBF")) i = 3;
    while (i < s.size() && IsBlank(s[i])) ++i;
    if (!StartsWith(s, i, "<?xml")) return std::string_view::npos;
    size_t close = s.find("?>", i + 5);
    return close == std::string_view::npos ? close : close + 2;
}

int XmlDocumentLoad(XmlDocument* document, const void* source, int mode, XmlFilter* filter) {
    if (!document) return 1;
    XmlDocumentWriteLock lock(document);
    XmlDocumentClose(document);
    document->state = kXmlStateDeclared;
    document->wideName = 0;
    document->hasFileName = false;
    document->fileName.clear();

    std::string text;
    if (mode == kXmlLoadNarrowFile || mode == kXmlLoadWideFile) {
        if (!source) {
            MakeEmpty(document, kXmlDefaultDeclaration);
            return 1;
        }
        if (mode == kXmlLoadWideFile) {
            document->fileName = static_cast<const wchar_t*>(source);
            document->wideName = 1;
        } else {
            const char* narrow = static_cast<const char*>(source);
            document->fileName = NarrowToWide(narrow, std::strlen(narrow));
        }
        document->hasFileName = true;
        DWORD error = 0;
        if (!XmlReadFile(document->fileName.c_str(), filter, &text, &error)) {
            MakeEmpty(document, kXmlDefaultDeclaration);
            if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
                // The file is there but unreadable: never let a later save replace it with nothing.
                document->state = kXmlStateInvented;
                document->hasFileName = false;
                document->fileName.clear();
            }
            return 1;
        }
    } else {
        const char* narrow = static_cast<const char*>(source);
        if (!narrow || !*narrow) {
            MakeEmpty(document, kXmlDefaultDeclaration);
            return 1;
        }
        text = narrow;
    }
    if (filter) {
        document->hasFileName = false;
        document->fileName.clear();
    }

    // The source ends at its first zero byte, as a C text would.
    size_t zero = text.find('\0');
    if (zero != std::string::npos) text.resize(zero);
    std::string_view s(text);

    size_t declarationEnd = FindDeclarationEnd(s);
    if (declarationEnd != std::string_view::npos) {
        document->header = XmlHeaderCreate(std::string(s.substr(0, declarationEnd)).c_str());
        s.remove_prefix(declarationEnd);
    } else {
        document->state = kXmlStateInvented;
        document->header = XmlHeaderCreate(kXmlDefaultDeclarationWithBom);
    }
    XmlParseElement(document->header, nullptr, s, nullptr, document);
    if (!document->root) {
        if (document->state == kXmlStateDeclared) document->state = kXmlStateInvented;
        document->root = XmlElementCreateNamed(nullptr, "root");
    }
    return 1;
}
