#include "xml/xml_header.h"

const char kXmlDefaultDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>";
const char kXmlDefaultDeclarationWithBom[] =
    "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>";

XmlHeader::~XmlHeader() {
    XmlHeaderRemoveAllComments(this);
}

XmlHeader* XmlHeaderCreate(const char* line) {
    XmlHeader* header = new XmlHeader;
    if (line) header->line = line;
    return header;
}

void XmlHeaderFree(XmlHeader* header) {
    delete header;
}

XmlContent* XmlHeaderAddComment(XmlHeader* header, const char* text, uint32_t position) {
    if (!header) return nullptr;
    XmlContent* c = new XmlContent;
    c->text = text ? text : "";
    c->position = position;
    header->comments.Append(c);
    return c;
}

uint32_t XmlHeaderRemoveComment(XmlHeader* header, uint32_t index) {
    if (!header) return 0;
    if (index < header->comments.Count()) {
        delete header->comments.At(index);
        header->comments.Erase(index);
    }
    return header->comments.Count();
}

uint32_t XmlHeaderRemoveAllComments(XmlHeader* header) {
    if (!header) return 0;
    for (uint32_t i = header->comments.Count(); i-- > 0;) XmlHeaderRemoveComment(header, i);
    return 0;
}

uint32_t XmlHeaderGetCommentCount(const XmlHeader* header) {
    return header ? header->comments.Count() : 0;
}
XmlContent** XmlHeaderGetComments(const XmlHeader* header) {
    return header ? header->comments.Items() : nullptr;
}

void XmlHeaderSetEncoding(XmlHeader* header, const char* encoding) {
    if (!header) return;
    header->line = "<?xml version=\"1.0\" encoding=\"";
    header->line += encoding ? encoding : "";
    header->line += "\" standalone=\"yes\" ?>";
}

XmlHeader* XmlHeaderDuplicate(const XmlHeader* header) {
    if (!header) return nullptr;
    XmlHeader* copy = XmlHeaderCreate(header->line.c_str());
    for (uint32_t i = 0; i < header->comments.Count(); ++i) {
        const XmlContent* c = header->comments.At(i);
        XmlHeaderAddComment(copy, c->text.c_str(), c->position);
    }
    return copy;
}
