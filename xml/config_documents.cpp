#include "xml/config_documents.h"

XmlDocument* UserConfigDocument = nullptr;
XmlDocument* CommonConfigDocument = nullptr;
XmlDocument* ExtrasDocument = nullptr;
XmlDocument* TempDocument = nullptr;
XmlElement* TranslationTree = nullptr;
