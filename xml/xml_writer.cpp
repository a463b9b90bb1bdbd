#include "xml/xml_writer.h"

#include "common/utf8_sequence.h"
#include "xml/xml_escape.h"
#include "xml/xml_unload.h"

#include <string_view>

namespace {

void Indent(std::string& out, const XmlElement* e, uint32_t depth) {
    size_t units = static_cast<size_t>(depth) * static_cast<size_t>(e->indentWidth > 0 ? e->indentWidth : 0);
    out.append(units, e->indentWithSpaces ? ' ' : '\t');
}

// How a control character XML forbids is written: as a reference where references are read
// (names, values, text), as its picture where none are (comments).
enum class ControlForm { Reference, Picture };

// The text as it may stand in a file: a sequence that is not UTF-8 (a name from a server in
// another encoding, a cut sequence, an encoded surrogate) and the non-characters U+FFFE and
// U+FFFF become U+FFFD, so the file is UTF-8 throughout and other programs can read it.
void AppendWellFormed(std::string& out, std::string_view text, ControlForm form) {
    size_t copied = 0;
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x80) {
            ++i;
            continue;
        }
        const bool control = XmlIsForbiddenControl(static_cast<char>(c));
        if (c < 0x80 && !control) {
            ++i;
            continue;
        }
        char32_t code = 0;
        const size_t length = control ? 1 : Utf8SequenceAt(text.substr(i), &code);
        if (length && !control && code != 0xFFFE && code != 0xFFFF) {
            i += length;
            continue;
        }
        out.append(text.substr(copied, i - copied));
        if (!control) {
            out += "\xEF\xBF\xBD";
        } else if (form == ControlForm::Reference) {
            XmlAppendControlReference(out, static_cast<char>(c));
        } else {
            XmlAppendControlPicture(out, static_cast<char>(c));
        }
        i += length ? length : 1;
        copied = i;
    }
    out.append(text.substr(copied));
}

// Raw: the stored text as it is, unless it holds a reference, which may name a character XML
// forbids ("&#1;" from another program's file): such text is written from its plain form.
// Otherwise every name, value and text is written escaped from its plain form, so a value that
// holds '<', '&' or a quote (a message format, a value read from a file written by an earlier
// build) still gives a well-formed document.
void AppendText(std::string& out, const std::string& stored, int raw) {
    if (raw && stored.find("&#") == std::string::npos) {
        AppendWellFormed(out, stored, ControlForm::Reference);
    } else {
        AppendWellFormed(out, XmlEscape(XmlUnescape(stored)), ControlForm::Reference);
    }
}

// A section's text may hold "]]>" (a script that prints it): the section is closed between its
// "]]" and ">" and a new one opened, and the reader joins the adjacent sections back into one.
// A control character XML forbids stands as a reference between two parts of the section, which
// the reader takes into the section's text as well.
void AppendCData(std::string& out, std::string_view text) {
    out += "<![CDATA[";
    size_t from = 0;
    for (size_t at = 0; at < text.size(); ++at) {
        const bool control = XmlIsForbiddenControl(text[at]);
        if (!control && text.substr(at, 3) != "]]>") continue;
        const size_t cut = control ? at : at + 2;
        AppendWellFormed(out, text.substr(from, cut - from), ControlForm::Picture);
        out += "]]>";
        if (control) XmlAppendControlReference(out, text[at]);
        out += "<![CDATA[";
        from = control ? at + 1 : at + 2;
        if (!control) ++at;
    }
    AppendWellFormed(out, text.substr(from), ControlForm::Picture);
    out += "]]>";
}

void AppendComment(std::string& out, std::string_view text) {
    out += "<!--";
    AppendWellFormed(out, text, ControlForm::Picture);
    out += "-->\r\n";
}

void WriteContent(std::string& out, const XmlElement* e, uint32_t depth, const XmlContent* c, bool cdata) {
    Indent(out, e, depth + 1);
    if (cdata) {
        AppendCData(out, c->text);
        out += "\r\n";
        return;
    }
    AppendComment(out, c->text);
}

void WriteTextItem(std::string& out, const XmlElement* e, uint32_t depth, const XmlText* t, int raw,
                   bool indent, bool lineEnd) {
    if (indent) Indent(out, e, depth + 1);
    if (t->kind == 0) AppendText(out, t->text, raw);
    if (lineEnd) out += "\r\n";
}

} // namespace

void XmlElementWrite(std::string& out, XmlElement* e, uint32_t depth, int withChildren, int raw, int format) {
    if (!e) return;
    XmlElementReloadAll(e);
    Indent(out, e, depth);
    out += '<';
    AppendText(out, e->name, raw);
    for (uint32_t i = 0; i < e->variables.Count(); ++i) {
        const XmlVariable* v = e->variables.At(i);
        out += ' ';
        AppendText(out, v->name, raw);
        out += "=\"";
        AppendText(out, v->value, raw);
        out += '"';
    }
    const uint32_t comments = e->comments.Count(), texts = e->texts.Count(), cdata = e->cdata.Count();
    const uint32_t children = withChildren ? e->children.Count() : 0;
    if (!comments && !texts && !cdata && !children) {
        out += "/>\r\n";
        return;
    }
    const bool firstInline = (e->inlineTextFlags & 0xFF) != 0;
    const bool anyInline = (e->inlineTextFlags & 0xFFFF) != 0;
    const bool oneLine = anyInline && format != kXmlFormatMemory && texts == 1 && !comments && !cdata &&
                         e->children.Count() == 0;
    out += oneLine ? ">" : ">\r\n";

    uint32_t ci = 0, ti = 0, di = 0;
    for (uint32_t i = 0; i < children; ++i) {
        for (; ci < comments && e->comments.At(ci)->position <= i; ++ci) {
            WriteContent(out, e, depth, e->comments.At(ci), false);
        }
        for (; ti < texts && e->texts.At(ti)->position <= i; ++ti) {
            WriteTextItem(out, e, depth, e->texts.At(ti), raw, !firstInline, !anyInline);
        }
        for (; di < cdata && e->cdata.At(di)->position <= i; ++di) {
            WriteContent(out, e, depth, e->cdata.At(di), true);
        }
        XmlElementWrite(out, e->children.At(i), depth + 1, withChildren, raw, format);
    }
    for (; ci < comments; ++ci) WriteContent(out, e, depth, e->comments.At(ci), false);
    for (; di < cdata; ++di) WriteContent(out, e, depth, e->cdata.At(di), true);
    for (; ti < texts; ++ti) WriteTextItem(out, e, depth, e->texts.At(ti), raw, !anyInline, !anyInline);

    if (!oneLine) Indent(out, e, depth);
    out += "</";
    AppendText(out, e->name, raw);
    out += ">\r\n";
}

void XmlHeaderWrite(const XmlHeader* header, std::string& out, uint32_t position, int format) {
    if (!header || format == kXmlFormatRegistry) return;
    if (position == 0) {
        AppendWellFormed(out, header->line, ControlForm::Picture);
        out += "\r\n";
    }
    for (uint32_t i = 0; i < header->comments.Count(); ++i) {
        const XmlContent* c = header->comments.At(i);
        if (c->position == position) AppendComment(out, c->text);
    }
}

std::string XmlElementExportText(XmlElement* element, int withChildren, int raw, int format,
                                 const XmlHeader* header) {
    std::string out;
    XmlHeaderWrite(header, out, 0, format);
    XmlElementWrite(out, element, 0, withChildren, raw, format);
    XmlHeaderWrite(header, out, 1, format);
    return out;
}

// ---- registry ----

static bool SetString(HKEY key, const std::string& name, const std::string& value) {
    return RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

static std::string Form(const std::string& stored, int raw) {
    return raw ? stored : XmlUnescape(stored);
}

static uint32_t IndexInParent(const XmlElement* e) {
    if (!e->parent) return 0;
    for (uint32_t i = 0; i < e->parent->children.Count(); ++i) {
        if (e->parent->children.At(i) == e) return i;
    }
    return 0xFFFFFFFFu;
}

bool XmlElementWriteRegistry(HKEY parentKey, XmlElement* e, int withChildren, int raw) {
    if (!e) return true;
    XmlElementReloadAll(e);
    std::string keyName = "E" + std::to_string(IndexInParent(e)) + Form(e->name, raw);
    HKEY key = nullptr;
    if (RegCreateKeyExA(parentKey, keyName.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return false;
    }
    bool ok = true;
    for (uint32_t i = 0; i < e->variables.Count(); ++i) {
        const XmlVariable* v = e->variables.At(i);
        ok &= SetString(key, "V" + Form(v->name, raw), Form(v->value, raw));
    }
    for (uint32_t i = 0; i < e->comments.Count(); ++i) {
        ok &= SetString(key, "C" + std::to_string(i), e->comments.At(i)->text);
    }
    // Text items take D0, D1, ...; CDATA sections follow them so the two never share a name.
    const uint32_t texts = e->texts.Count();
    for (uint32_t i = 0; i < texts; ++i) {
        const XmlText* t = e->texts.At(i);
        ok &= SetString(key, "D" + std::to_string(i), t->kind == 0 ? Form(t->text, raw) : std::string());
    }
    for (uint32_t i = 0; i < e->cdata.Count(); ++i) {
        ok &= SetString(key, "D" + std::to_string(texts + i), e->cdata.At(i)->text);
    }
    if (withChildren) {
        for (uint32_t i = 0; i < e->children.Count(); ++i) {
            ok &= XmlElementWriteRegistry(key, e->children.At(i), withChildren, raw);
        }
    }
    RegCloseKey(key);
    return ok;
}

bool XmlFilterEncode(XmlFilter* filter, std::string* bytes) {
    if (!filter) return true;
    std::string encoded(bytes->size() + 100, '\0');
    size_t n = filter->Encode(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size(),
                              reinterpret_cast<uint8_t*>(encoded.data()), encoded.size());
    if (n > encoded.size()) {
        encoded.assign(n, '\0');
        n = filter->Encode(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size(),
                           reinterpret_cast<uint8_t*>(encoded.data()), encoded.size());
        if (n > encoded.size()) return false;
    }
    encoded.resize(n);
    bytes->swap(encoded);
    return true;
}
