#include "xml/xml_binary.h"

#include "xml/xml_document.h"
#include "xml/xml_element.h"
#include "xml/xml_escape.h"
#include "xml/xml_header.h"
#include "xml/xml_unload.h"

#include <cstring>
#include <string>

namespace {

constexpr size_t kRecordHeaderSize = 16;
constexpr uint64_t kMaxLength = 0xFFFFFFFFu;

// ---- writing ----

// Appends records to one buffer, filling in each payload length when the record is complete.
class RecordWriter {
public:
    explicit RecordWriter(std::vector<uint8_t>& out) : out_(out) { out_.clear(); }

    size_t Begin(uint32_t type) {
        const size_t at = out_.size();
        Word(0);
        Word(type);
        Word(0);
        Word(0);
        return at;
    }

    void End(size_t at) {
        const uint64_t length = out_.size() - at - kRecordHeaderSize;
        if (length > kMaxLength) tooLong_ = true;
        Store(at + 12, static_cast<uint32_t>(length));
    }

    void Word(uint32_t value) {
        const size_t at = out_.size();
        out_.resize(at + 4);
        Store(at, value);
    }

    void Text(const void* bytes, size_t length) {
        if (length > kMaxLength) tooLong_ = true;
        Word(static_cast<uint32_t>(length));
        if (length)
            out_.insert(out_.end(), static_cast<const uint8_t*>(bytes),
                        static_cast<const uint8_t*>(bytes) + length);
    }
    void Text(const std::string& text) { Text(text.data(), text.size()); }

    void Variable(const XmlVariable* v) {
        const size_t at = Begin(kXmlRecordVariable);
        Text(v->name);
        Text(v->value);
        End(at);
    }

    void Content(uint32_t type, const XmlContent* c) {
        const size_t at = Begin(type);
        Word(c->position);
        Text(c->text);
        End(at);
    }

    void TextItem(const XmlText* t) {
        const size_t at = Begin(kXmlRecordText);
        Word(t->position);
        Word(t->kind);
        if (t->kind == 0) {
            Text(t->text);
        } else {
            Text(t->bytes.data(), t->bytes.size());
        }
        End(at);
    }

    void Element(XmlElement* e) {
        XmlElementReloadAll(e);
        const size_t at = Begin(kXmlRecordElement);
        Text(e->name);
        for (uint32_t i = 0; i < e->variables.Count(); ++i) Variable(e->variables.At(i));
        for (uint32_t i = 0; i < e->children.Count(); ++i) {
            if (XmlElement* child = e->children.At(i)) Element(child);
        }
        for (uint32_t i = 0; i < e->texts.Count(); ++i) TextItem(e->texts.At(i));
        for (uint32_t i = 0; i < e->comments.Count(); ++i) Content(kXmlRecordComment, e->comments.At(i));
        for (uint32_t i = 0; i < e->cdata.Count(); ++i) Content(kXmlRecordCData, e->cdata.At(i));
        End(at);
    }

    void Header(const XmlHeader* h) {
        const size_t at = Begin(kXmlRecordHeader);
        Text(h->line);
        for (uint32_t i = 0; i < h->comments.Count(); ++i) Content(kXmlRecordComment, h->comments.At(i));
        End(at);
    }

    std::vector<uint8_t>& Finish() {
        if (tooLong_) out_.clear();
        return out_;
    }

private:
    void Store(size_t at, uint32_t value) {
        uint8_t* p = out_.data() + at;
        p[0] = static_cast<uint8_t>(value);
        p[1] = static_cast<uint8_t>(value >> 8);
        p[2] = static_cast<uint8_t>(value >> 16);
        p[3] = static_cast<uint8_t>(value >> 24);
    }

    std::vector<uint8_t>& out_;
    bool tooLong_ = false;
};

// ---- reading ----

uint32_t LoadWord(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// One record's payload, read front to back; nothing is read beyond its end.
class Cursor {
public:
    Cursor(const uint8_t* p, size_t n) : p_(p), left_(n) {}

    size_t Left() const { return left_; }

    bool Word(uint32_t* value) {
        if (left_ < 4) return false;
        *value = LoadWord(p_);
        Skip(4);
        return true;
    }

    // A length-prefixed text; false when the length runs past the payload.
    bool Text(std::string* text) {
        uint32_t length = 0;
        if (!Word(&length) || length > left_) return false;
        text->assign(reinterpret_cast<const char*>(p_), length);
        Skip(length);
        return true;
    }

    // The next sub-record: 1 with its bytes, 0 when fewer than 16 bytes remain or its first
    // word is not 0 (the enclosing record ends there), -1 when its length runs past the payload.
    int Next(const uint8_t** record, size_t* size) {
        if (left_ < kRecordHeaderSize || LoadWord(p_) != 0) return 0;
        const uint32_t length = LoadWord(p_ + 12);
        if (length > left_ - kRecordHeaderSize) return -1;
        *record = p_;
        *size = kRecordHeaderSize + length;
        Skip(*size);
        return 1;
    }

private:
    void Skip(size_t n) {
        p_ += n;
        left_ -= n;
    }

    const uint8_t* p_;
    size_t left_;
};

// The payload of a buffer that holds exactly one record of the type.
bool Open(const uint8_t* data, size_t size, uint32_t type, Cursor* payload) {
    if (!data || size < kRecordHeaderSize) return false;
    if (LoadWord(data) != 0 || LoadWord(data + 4) != type || LoadWord(data + 8) != 0) return false;
    if (static_cast<uint64_t>(LoadWord(data + 12)) + kRecordHeaderSize != size) return false;
    *payload = Cursor(data + kRecordHeaderSize, size - kRecordHeaderSize);
    return true;
}

uint32_t RecordType(const uint8_t* record) {
    return LoadWord(record + 4);
}

bool ReadVariable(const uint8_t* data, size_t size, std::string* name, std::string* value) {
    Cursor c(nullptr, 0);
    return Open(data, size, kXmlRecordVariable, &c) && c.Text(name) && c.Text(value);
}

// Fills the comment or CDATA section only when the record is accepted.
bool ReadContent(const uint8_t* data, size_t size, uint32_t type, XmlContent* out) {
    Cursor c(nullptr, 0);
    uint32_t position = 0;
    std::string text;
    if (!Open(data, size, type, &c) || !c.Word(&position) || !c.Text(&text)) return false;
    out->position = position;
    out->text = std::move(text);
    return true;
}

bool ReadTextItem(const uint8_t* data, size_t size, XmlText* out) {
    Cursor c(nullptr, 0);
    uint32_t position = 0, kind = 0;
    std::string content;
    if (!Open(data, size, kXmlRecordText, &c) || !c.Word(&position) || !c.Word(&kind) || kind > 1 ||
        !c.Text(&content)) {
        return false;
    }
    out->position = position;
    out->kind = static_cast<uint8_t>(kind);
    if (kind == 0) {
        out->text = std::move(content);
        out->bytes.clear();
    } else {
        out->bytes.assign(content.begin(), content.end());
        out->text.clear();
    }
    return true;
}

// How many sub-records of each type follow, so each array is sized once; false when a length
// runs past the payload.
bool CountSubRecords(Cursor c, uint32_t counts[7]) {
    const uint8_t* record = nullptr;
    size_t size = 0;
    for (int r; (r = c.Next(&record, &size)) != 0;) {
        if (r < 0) return false;
        const uint32_t type = RecordType(record);
        if (type < 7) ++counts[type];
    }
    return true;
}

XmlContent* NewContent(const uint8_t* data, size_t size, uint32_t type, XmlElement* owner) {
    XmlContent* c = new XmlContent;
    if (!ReadContent(data, size, type, c)) {
        delete c;
        return nullptr;
    }
    c->owner = owner;
    return c;
}

bool ReadElement(XmlElement* e, const uint8_t* data, size_t size, uint32_t depth) {
    XmlElementClear(e);
    Cursor c(nullptr, 0);
    std::string name;
    uint32_t counts[7] = {};
    if (!Open(data, size, kXmlRecordElement, &c) || !c.Text(&name) || !CountSubRecords(c, counts))
        return false;
    e->name = std::move(name);
    e->nameHash = XmlStoredHash(e->name);
    // Arrays that stay empty take no storage, as in a tree the reader builds.
    if (counts[kXmlRecordElement]) e->children.Reserve(counts[kXmlRecordElement]);
    if (counts[kXmlRecordVariable]) e->variables.Reserve(counts[kXmlRecordVariable]);
    if (counts[kXmlRecordText]) e->texts.Reserve(counts[kXmlRecordText]);
    if (counts[kXmlRecordComment]) e->comments.Reserve(counts[kXmlRecordComment]);
    if (counts[kXmlRecordCData]) e->cdata.Reserve(counts[kXmlRecordCData]);

    const uint8_t* record = nullptr;
    size_t recordSize = 0;
    while (c.Next(&record, &recordSize) > 0) {
        switch (RecordType(record)) {
            case kXmlRecordElement: {
                if (depth + 1 >= kXmlMaxDepth) break;
                XmlElement* child = new XmlElement;
                child->parent = e;
                if (ReadElement(child, record, recordSize, depth + 1)) {
                    e->children.Append(child);
                } else {
                    delete child;
                }
                break;
            }
            case kXmlRecordVariable: {
                std::string variableName, value;
                if (!ReadVariable(record, recordSize, &variableName, &value)) break;
                XmlVariable* v = new XmlVariable;
                v->name = std::move(variableName);
                v->value = std::move(value);
                v->owner = e;
                e->variables.Append(v, XmlStoredHash(v->name));
                break;
            }
            case kXmlRecordComment:
            case kXmlRecordCData: {
                const uint32_t type = RecordType(record);
                if (XmlContent* item = NewContent(record, recordSize, type, e)) {
                    (type == kXmlRecordComment ? e->comments : e->cdata).Append(item);
                }
                break;
            }
            case kXmlRecordText: {
                XmlText* t = new XmlText;
                if (ReadTextItem(record, recordSize, t)) {
                    t->owner = e;
                    e->texts.Append(t);
                } else {
                    delete t;
                }
                break;
            }
            default: break;
        }
    }
    return true;
}

// A new header from a header record, or null when it is refused.
XmlHeader* ReadHeader(const uint8_t* data, size_t size) {
    Cursor c(nullptr, 0);
    std::string line;
    uint32_t counts[7] = {};
    if (!Open(data, size, kXmlRecordHeader, &c) || !c.Text(&line) || !CountSubRecords(c, counts))
        return nullptr;
    XmlHeader* header = XmlHeaderCreate(nullptr);
    header->line = std::move(line);
    if (counts[kXmlRecordComment]) header->comments.Reserve(counts[kXmlRecordComment]);
    const uint8_t* record = nullptr;
    size_t recordSize = 0;
    while (c.Next(&record, &recordSize) > 0) {
        if (RecordType(record) != kXmlRecordComment) continue;
        if (XmlContent* comment = NewContent(record, recordSize, kXmlRecordComment, nullptr)) {
            header->comments.Append(comment);
        }
    }
    return header;
}

} // namespace

// ---- writing ----

std::vector<uint8_t>& XmlDocumentToRecord(XmlDocument* document, std::vector<uint8_t>& out) {
    RecordWriter w(out);
    if (!document) return out;
    XmlDocumentWriteLock lock(document); // writing reloads unloaded subtrees
    const size_t at = w.Begin(kXmlRecordDocument);
    if (document->header) w.Header(document->header);
    if (document->root) w.Element(document->root);
    w.End(at);
    return w.Finish();
}

std::vector<uint8_t>& XmlElementToRecord(XmlElement* element, std::vector<uint8_t>& out) {
    RecordWriter w(out);
    if (element) w.Element(element);
    return w.Finish();
}

std::vector<uint8_t>& XmlHeaderToRecord(const XmlHeader* header, std::vector<uint8_t>& out) {
    RecordWriter w(out);
    if (header) w.Header(header);
    return w.Finish();
}

std::vector<uint8_t>& XmlVariableToRecord(const XmlVariable* variable, std::vector<uint8_t>& out) {
    RecordWriter w(out);
    if (variable) w.Variable(variable);
    return w.Finish();
}

std::vector<uint8_t>& XmlCommentToRecord(const XmlContent* comment, std::vector<uint8_t>& out) {
    RecordWriter w(out);
    if (comment) w.Content(kXmlRecordComment, comment);
    return w.Finish();
}

std::vector<uint8_t>& XmlCDataToRecord(const XmlContent* cdata, std::vector<uint8_t>& out) {
    RecordWriter w(out);
    if (cdata) w.Content(kXmlRecordCData, cdata);
    return w.Finish();
}

std::vector<uint8_t>& XmlTextItemToRecord(const XmlText* text, std::vector<uint8_t>& out) {
    RecordWriter w(out);
    if (text) w.TextItem(text);
    return w.Finish();
}

// ---- reading ----

bool XmlDocumentFromRecord(XmlDocument* document, const uint8_t* data, size_t size) {
    Cursor c(nullptr, 0);
    uint32_t counts[7] = {};
    if (!document || !Open(data, size, kXmlRecordDocument, &c) || !CountSubRecords(c, counts)) return false;
    // Built aside and put in place at the end, so a refused document stays as it was.
    XmlHeader* header = nullptr;
    XmlElement* root = nullptr;
    const uint8_t* record = nullptr;
    size_t recordSize = 0;
    while (c.Next(&record, &recordSize) > 0) {
        if (RecordType(record) == kXmlRecordHeader) {
            if (XmlHeader* h = ReadHeader(record, recordSize)) {
                XmlHeaderFree(header);
                header = h;
            }
        } else if (RecordType(record) == kXmlRecordElement) {
            XmlElement* e = new XmlElement;
            if (ReadElement(e, record, recordSize, 0)) {
                delete root;
                root = e;
            } else {
                delete e;
            }
        }
    }
    XmlDocumentWriteLock lock(document);
    if (header) {
        XmlHeaderFree(document->header);
        document->header = header;
    }
    if (root) {
        delete document->root;
        document->root = root;
    }
    return true;
}

bool XmlElementFromRecord(XmlElement* element, const uint8_t* data, size_t size) {
    if (!element) return false;
    if (ReadElement(element, data, size, XmlElementGetDepth(element))) return true;
    XmlElementClear(element);
    return false;
}

bool XmlHeaderFromRecord(XmlHeader* header, const uint8_t* data, size_t size) {
    if (!header) return false;
    XmlHeader* read = ReadHeader(data, size);
    if (!read) return false;
    XmlHeaderRemoveAllComments(header);
    header->line.swap(read->line);
    if (read->comments.Count()) header->comments.Reserve(read->comments.Count());
    for (uint32_t i = 0; i < read->comments.Count(); ++i) header->comments.Append(read->comments.At(i));
    read->comments.Reset();
    XmlHeaderFree(read);
    return true;
}

bool XmlVariableFromRecord(XmlVariable* variable, const uint8_t* data, size_t size) {
    std::string name, value;
    if (!variable || !ReadVariable(data, size, &name, &value)) return false;
    variable->name = std::move(name);
    variable->value = std::move(value);
    if (XmlElement* owner = variable->owner) {
        for (uint32_t i = 0; i < owner->variables.Count(); ++i) {
            if (owner->variables.At(i) == variable) owner->variables.SetKey(i, XmlStoredHash(variable->name));
        }
    }
    return true;
}

bool XmlCommentFromRecord(XmlContent* comment, const uint8_t* data, size_t size) {
    return comment && ReadContent(data, size, kXmlRecordComment, comment);
}

bool XmlCDataFromRecord(XmlContent* cdata, const uint8_t* data, size_t size) {
    return cdata && ReadContent(data, size, kXmlRecordCData, cdata);
}

bool XmlTextItemFromRecord(XmlText* text, const uint8_t* data, size_t size) {
    return text && ReadTextItem(data, size, text);
}
