// The profile interface: every setting is read and written by section (a backslash path of
// elements below the root) and key (an attribute of the last element).
//
// Document mode: a document is given; reads and writes change only its tree (under its lock).
// File mode: the document is null and `file` names an XML file (UTF-8 name) that is loaded for
// the one call; a write replaces the whole file once the new content is safely on disk.
//
// Reads: a missing section or key, or an empty value, reads as the default. A text is copied
// into out (size bytes, zero included) only when it fits; otherwise out is left as it was and
// the length is returned. Writes return 1, or 0 when nothing could be written.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "xml/xml_records.h"

uint64_t XmlGetProfileString(const char* section, const char* key, const char* defaultValue, char* out,
                             uint64_t size, const char* file, XmlDocument* document);
int32_t XmlGetProfileInt(const char* section, const char* key, int32_t defaultValue, const char* file,
                         XmlDocument* document);
uint32_t XmlGetProfileUInt(const char* section, const char* key, uint32_t defaultValue, const char* file,
                           XmlDocument* document);
int64_t XmlGetProfileInt64(const char* section, const char* key, int64_t defaultValue, const char* file,
                           XmlDocument* document);
uint64_t XmlGetProfileUInt64(const char* section, const char* key, uint64_t defaultValue, const char* file,
                             XmlDocument* document);
double XmlGetProfileFloat(const char* section, const char* key, double defaultValue, const char* file,
                          XmlDocument* document);
// Bytes placed in out (at most size); the default text is decoded when nothing is stored.
uint64_t XmlGetProfileBinary(const char* section, const char* key, const char* defaultText, void* out,
                             uint64_t size, const char* file, XmlDocument* document);
// Converts a stored text that differs from the default into the code page; when it equals the
// default, out is left as the caller filled it.
uint64_t XmlGetProfileStringCp(const char* section, const char* key, const char* defaultValue, char* out,
                               uint64_t size, const char* file, XmlDocument* document, UINT codePage);
// File mode only: the unescaped names and values of the section's attributes, or the names of its
// child elements. Returns the count, 0 when the section is absent.
uint32_t XmlGetProfileSection(const char* section, std::vector<std::string>* names,
                              std::vector<std::string>* values, const char* file);
uint32_t XmlGetProfileSectionNames(const char* section, std::vector<std::string>* names, const char* file);

// A null value removes the key; a null key removes the section with everything below it.
int XmlWriteProfileString(const char* section, const char* key, const char* value, const char* file,
                          XmlDocument* document);
int XmlWriteProfileWideString(const char* section, const char* key, const wchar_t* value, const char* file,
                              XmlDocument* document);
int XmlWriteProfileInt(const char* section, const char* key, int32_t value, const char* file,
                       XmlDocument* document);
int XmlWriteProfileUInt(const char* section, const char* key, uint32_t value, const char* file,
                        XmlDocument* document);
int XmlWriteProfileInt64(const char* section, const char* key, int64_t value, const char* file,
                         XmlDocument* document);
int XmlWriteProfileUInt64(const char* section, const char* key, uint64_t value, const char* file,
                          XmlDocument* document);
int XmlWriteProfileFloat(const char* section, const char* key, double value, const char* file,
                         XmlDocument* document);
int XmlWriteProfileBinary(const char* section, const char* key, const void* data, uint32_t length,
                          const char* file, XmlDocument* document);
// File mode only.
int XmlWriteProfileAnsiString(const char* section, const char* key, const char* ansiText, const char* file);
int XmlWriteProfileWideStringFile(const char* section, const char* key, const wchar_t* value,
                                  const char* file);
// Renames the element the section names; 1, or 0 when it does not exist (or, in file mode, when
// the file could not be written).
int XmlRenameProfileSection(const char* section, const char* newName, const char* file,
                            XmlDocument* document);
// Runs change on the document under its write lock, or on the file loaded for the call, which
// is written back whole (only once complete) when change returns non-zero. Returns change's
// result, or 0 when the file could not be loaded or written.
int XmlChangeProfile(const char* file, XmlDocument* document, const std::function<int(XmlDocument*)>& change);
