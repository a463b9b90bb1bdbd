#include "xml/config_documents.h"

#include "xml/xml_element.h"

XmlDocument* UserConfigDocument = nullptr;
XmlDocument* CommonConfigDocument = nullptr;
XmlDocument* ExtrasDocument = nullptr;
XmlDocument* TempDocument = nullptr;
XmlElement* TranslationTree = nullptr;

XmlElement ConfigurationView;

namespace {
struct ConfigurationViewInit {
    ConfigurationViewInit() { XmlElementInit(&ConfigurationView, nullptr, "<Configuration />"); }
} configurationViewInit;
} // namespace
