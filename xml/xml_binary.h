// Binary element records: a document, an element, a header and each kind of record as
// length-prefixed records that keep every name, value and text exactly as stored, so they are
// read back without parsing.
//
// A record is a 16-byte header of four little-endian 32-bit words (0, the type, 0, the payload
// length) followed by its payload:
//   0 document   a header record when there is a header, then the root's element record
//   1 header     u32 length, the declaration line, then one comment record per header comment
//   2 element    u32 length, the name, then its variable, child element, text, comment and CDATA
//                records, each group in array order
//   3 variable   u32 length, the name, u32 length, the value
//   4 comment    u32 position, u32 length, the text
//   5 CDATA      u32 position, u32 length, the text
//   6 text item  u32 position, u32 kind (0 text, 1 bytes), u32 length, the text or the bytes
// Texts carry no terminating zero. Positions are kept, so element order and the header's
// comments survive a round trip.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "xml/xml_records.h"

constexpr uint32_t kXmlRecordDocument = 0;
constexpr uint32_t kXmlRecordHeader = 1;
constexpr uint32_t kXmlRecordElement = 2;
constexpr uint32_t kXmlRecordVariable = 3;
constexpr uint32_t kXmlRecordComment = 4;
constexpr uint32_t kXmlRecordCData = 5;
constexpr uint32_t kXmlRecordText = 6;

// Each fills out with exactly one record and returns it; out is left empty when the record
// would exceed the 32-bit lengths. Unloaded children are reloaded first.
std::vector<uint8_t>& XmlDocumentToRecord(XmlDocument* document, std::vector<uint8_t>& out);
std::vector<uint8_t>& XmlElementToRecord(XmlElement* element, std::vector<uint8_t>& out);
std::vector<uint8_t>& XmlHeaderToRecord(const XmlHeader* header, std::vector<uint8_t>& out);
std::vector<uint8_t>& XmlVariableToRecord(const XmlVariable* variable, std::vector<uint8_t>& out);
std::vector<uint8_t>& XmlCommentToRecord(const XmlContent* comment, std::vector<uint8_t>& out);
std::vector<uint8_t>& XmlCDataToRecord(const XmlContent* cdata, std::vector<uint8_t>& out);
std::vector<uint8_t>& XmlTextItemToRecord(const XmlText* text, std::vector<uint8_t>& out);

// Each rebuilds its target from a buffer that holds exactly one record of its type and returns
// true when the record was accepted. Every length is checked against the bytes that remain, and
// elements nest at most kXmlMaxDepth deep; a refused sub-record is skipped. A refused element
// is left cleared; every other target is left as it was.
bool XmlDocumentFromRecord(XmlDocument* document, const uint8_t* data, size_t size);
bool XmlElementFromRecord(XmlElement* element, const uint8_t* data, size_t size);
bool XmlHeaderFromRecord(XmlHeader* header, const uint8_t* data, size_t size);
bool XmlVariableFromRecord(XmlVariable* variable, const uint8_t* data, size_t size);
bool XmlCommentFromRecord(XmlContent* comment, const uint8_t* data, size_t size);
bool XmlCDataFromRecord(XmlContent* cdata, const uint8_t* data, size_t size);
bool XmlTextItemFromRecord(XmlText* text, const uint8_t* data, size_t size);
