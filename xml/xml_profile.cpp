#include "xml/xml_profile.h"

#include "common/xstring.h"
#include "xml/xml_base64.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"
#include "xml/xml_escape.h"
#include "xml/xml_reader.h"
#include "xml/xml_writer.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string_view>

namespace {

// Calls of file mode on one file must not interleave their load and rewrite.
SRWLOCK g_fileModeLock = SRWLOCK_INIT;

class FileModeLock {
public:
    explicit FileModeLock(bool exclusive) : exclusive_(exclusive) {
        exclusive_ ? AcquireSRWLockExclusive(&g_fileModeLock) : AcquireSRWLockShared(&g_fileModeLock);
    }
    ~FileModeLock() {
        exclusive_ ? ReleaseSRWLockExclusive(&g_fileModeLock) : ReleaseSRWLockShared(&g_fileModeLock);
    }

private:
    bool exclusive_;
};

XmlElement* FindSection(XmlElement* root, std::string_view section) {
    XmlElement* current = root;
    while (current && !section.empty()) {
        size_t cut = section.find('\\');
        current = XmlElementFindChildView(current, section.substr(0, cut));
        if (cut == std::string_view::npos) break;
        section.remove_prefix(cut + 1);
    }
    return current;
}

// The stored value of section\key in the document (locked by the caller), or null.
const std::string* StoredValue(XmlDocument* document, const char* section, const char* key) {
    if (!document || !key) return nullptr;
    XmlElement* element = FindSection(document->root, section ? section : "");
    XmlVariable* v = XmlElementFindVariableView(element, key);
    return v && !v->value.empty() ? &v->value : nullptr;
}

// Runs the reader on the document under its read lock, or on the file loaded for the call.
template <typename Reader> auto WithDocument(const char* file, XmlDocument* document, Reader reader) {
    if (document) {
        XmlDocumentReadLock lock(document);
        return reader(document);
    }
    FileModeLock lock(false);
    XmlDocument loaded;
    if (file) XmlDocumentLoad(&loaded, file, kXmlLoadNarrowFile, nullptr);
    return reader(file ? &loaded : nullptr);
}

// The unescaped value, when one that is not empty is stored.
bool ReadValue(const char* section, const char* key, const char* file, XmlDocument* document,
               std::string* value) {
    return WithDocument(file, document, [&](XmlDocument* d) {
        const std::string* stored = StoredValue(d, section, key);
        if (!stored) return false;
        *value = XmlUnescape(*stored);
        return true;
    });
}

uint64_t CopyIfFits(const char* text, size_t length, char* out, uint64_t size) {
    if (out && length < size) std::memcpy(out, text, length + 1);
    return length;
}

// Applies the change to the document under its write lock, or to the file loaded for the call,
// which is then written back whole.
template <typename Change> int ChangeDocument(const char* file, XmlDocument* document, Change change) {
    if (document) {
        XmlDocumentWriteLock lock(document);
        return change(document);
    }
    if (!file) return 0;
    FileModeLock lock(true);
    XmlDocument loaded;
    XmlDocumentLoad(&loaded, file, kXmlLoadNarrowFile, nullptr);
    if (!loaded.hasFileName) return 0;
    if (!change(&loaded)) return 0;
    return XmlDocumentSave(&loaded, nullptr, 1, kXmlFormatFile, nullptr);
}

std::string Utf8(const wchar_t* text) {
    return WideToNarrow(text, wcslen(text));
}

} // namespace

// ---- reading ----

uint64_t XmlGetProfileString(const char* section, const char* key, const char* defaultValue, char* out,
                             uint64_t size, const char* file, XmlDocument* document) {
    if (size == 0) out = nullptr;
    bool found = false;
    uint64_t length = WithDocument(file, document, [&](XmlDocument* d) -> uint64_t {
        const std::string* stored = StoredValue(d, section, key);
        if (!stored) return 0;
        found = true;
        if (stored->find('&') == std::string::npos)
            return CopyIfFits(stored->c_str(), stored->size(), out, size);
        std::string value = XmlUnescape(*stored);
        return CopyIfFits(value.c_str(), value.size(), out, size);
    });
    if (found) return length;
    const char* fallback = defaultValue ? defaultValue : "";
    return CopyIfFits(fallback, std::strlen(fallback), out, size);
}

int32_t XmlGetProfileInt(const char* section, const char* key, int32_t defaultValue, const char* file,
                         XmlDocument* document) {
    std::string value;
    if (!ReadValue(section, key, file, document, &value)) return defaultValue;
    return static_cast<int32_t>(std::strtol(value.c_str(), nullptr, 10));
}

uint32_t XmlGetProfileUInt(const char* section, const char* key, uint32_t defaultValue, const char* file,
                           XmlDocument* document) {
    std::string value;
    if (!ReadValue(section, key, file, document, &value)) return defaultValue;
    char* end = nullptr;
    unsigned long long n = std::strtoull(value.c_str(), &end, 10);
    return end == value.c_str() ? 0 : static_cast<uint32_t>(n);
}

int64_t XmlGetProfileInt64(const char* section, const char* key, int64_t defaultValue, const char* file,
                           XmlDocument* document) {
    std::string value;
    if (!ReadValue(section, key, file, document, &value)) return defaultValue;
    return std::strtoll(value.c_str(), nullptr, 10);
}

uint64_t XmlGetProfileUInt64(const char* section, const char* key, uint64_t defaultValue, const char* file,
                             XmlDocument* document) {
    std::string value;
    if (!ReadValue(section, key, file, document, &value)) return defaultValue;
    return std::strtoull(value.c_str(), nullptr, 10);
}

double XmlGetProfileFloat(const char* section, const char* key, double defaultValue, const char* file,
                          XmlDocument* document) {
    std::string value;
    if (!ReadValue(section, key, file, document, &value)) return defaultValue;
    return std::strtod(value.c_str(), nullptr);
}

uint64_t XmlGetProfileBinary(const char* section, const char* key, const char* defaultText, void* out,
                             uint64_t size, const char* file, XmlDocument* document) {
    std::string text;
    if (!ReadValue(section, key, file, document, &text)) {
        if (!defaultText || !*defaultText) return 0;
        text = defaultText;
    }
    std::string bytes = XmlTextToBinary(text);
    uint64_t n = bytes.size() < size ? bytes.size() : size;
    if (n == 0 || !out) return 0;
    std::memcpy(out, bytes.data(), static_cast<size_t>(n));
    return n;
}

uint64_t XmlGetProfileStringCp(const char* section, const char* key, const char* defaultValue, char* out,
                               uint64_t size, const char* file, XmlDocument* document, UINT codePage) {
    std::string value;
    const char* fallback = defaultValue ? defaultValue : "";
    if (!ReadValue(section, key, file, document, &value)) value = fallback;
    if (value == fallback) return value.size();
    std::string converted = WideToNarrow(NarrowToWide(value), codePage);
    return CopyIfFits(converted.c_str(), converted.size(), size ? out : nullptr, size);
}

uint32_t XmlGetProfileSection(const char* section, std::vector<std::string>* names,
                              std::vector<std::string>* values, const char* file) {
    if (names) names->clear();
    if (values) values->clear();
    if (!file) return 0;
    return WithDocument(file, nullptr, [&](XmlDocument* d) -> uint32_t {
        XmlElement* element = FindSection(d->root, section ? section : "");
        if (!element) return 0;
        for (uint32_t i = 0; i < element->variables.Count(); ++i) {
            const XmlVariable* v = element->variables.At(i);
            if (names) names->push_back(XmlUnescape(v->name));
            if (values) values->push_back(XmlUnescape(v->value));
        }
        return element->variables.Count();
    });
}

uint32_t XmlGetProfileSectionNames(const char* section, std::vector<std::string>* names, const char* file) {
    if (names) names->clear();
    if (!file) return 0;
    return WithDocument(file, nullptr, [&](XmlDocument* d) -> uint32_t {
        XmlElement* element = FindSection(d->root, section ? section : "");
        if (!element) return 0;
        uint32_t count = 0;
        for (uint32_t i = 0; i < element->children.Count(); ++i) {
            if (const XmlElement* c = element->children.At(i)) {
                if (names) names->push_back(XmlUnescape(c->name));
                ++count;
            }
        }
        return count;
    });
}

// ---- writing ----

int XmlWriteProfileString(const char* section, const char* key, const char* value, const char* file,
                          XmlDocument* document) {
    return ChangeDocument(file, document,
                          [&](XmlDocument* d) { return XmlSetValueByPath(d, section, key, value); });
}

int XmlWriteProfileWideString(const char* section, const char* key, const wchar_t* value, const char* file,
                              XmlDocument* document) {
    if (!value) return XmlWriteProfileString(section, key, nullptr, file, document);
    return XmlWriteProfileString(section, key, Utf8(value).c_str(), file, document);
}

int XmlWriteProfileInt(const char* section, const char* key, int32_t value, const char* file,
                       XmlDocument* document) {
    return XmlWriteProfileString(section, key, std::to_string(value).c_str(), file, document);
}

int XmlWriteProfileUInt(const char* section, const char* key, uint32_t value, const char* file,
                        XmlDocument* document) {
    return XmlWriteProfileString(section, key, std::to_string(value).c_str(), file, document);
}

int XmlWriteProfileInt64(const char* section, const char* key, int64_t value, const char* file,
                         XmlDocument* document) {
    return XmlWriteProfileString(section, key, std::to_string(value).c_str(), file, document);
}

int XmlWriteProfileUInt64(const char* section, const char* key, uint64_t value, const char* file,
                          XmlDocument* document) {
    return XmlWriteProfileString(section, key, std::to_string(value).c_str(), file, document);
}

int XmlWriteProfileFloat(const char* section, const char* key, double value, const char* file,
                         XmlDocument* document) {
    return XmlWriteProfileString(section, key, std::to_string(value).c_str(), file, document);
}

int XmlWriteProfileBinary(const char* section, const char* key, const void* data, uint32_t length,
                          const char* file, XmlDocument* document) {
    std::string text = XmlBinaryToText(data, data ? length : 0);
    return XmlWriteProfileString(section, key, text.c_str(), file, document);
}

int XmlWriteProfileAnsiString(const char* section, const char* key, const char* ansiText, const char* file) {
    if (!ansiText) return XmlWriteProfileString(section, key, nullptr, file, nullptr);
    std::wstring wide = NarrowToWide(ansiText, std::strlen(ansiText), CP_ACP);
    return XmlWriteProfileString(section, key, WideToNarrow(wide).c_str(), file, nullptr);
}

int XmlWriteProfileWideStringFile(const char* section, const char* key, const wchar_t* value,
                                  const char* file) {
    return XmlWriteProfileWideString(section, key, value, file, nullptr);
}

int XmlRenameProfileSection(const char* section, const char* newName, const char* file,
                            XmlDocument* document) {
    if (!section || !*section || !newName) return 0;
    return ChangeDocument(file, document, [&](XmlDocument* d) {
        XmlElement* element = FindSection(d->root, section);
        if (!element) return 0;
        XmlElementSetName(element, newName);
        return 1;
    });
}

int XmlChangeProfile(const char* file, XmlDocument* document,
                     const std::function<int(XmlDocument*)>& change) {
    return ChangeDocument(file, document, change);
}
